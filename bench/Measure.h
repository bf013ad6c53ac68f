#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <functional>

// Timing and memory figures for the benchmark table.
namespace Measure {

struct Figures
{
    double p50 = 0; // seconds
    double p99 = 0;
    int runs = 0;
};

// Times each call of f (repeated runs, after warm-up calls).
Figures time(int runs, const std::function<void(int)> &f, int warmup = 3);
Figures fromSamples(QList<double> seconds);

// Runs f in a child process and returns the child's peak resident memory in
// bytes (or -1 when the child failed).
qint64 peakMemoryOfChild(const std::function<void()> &f);

// Runs a program and returns its wall time in seconds, or -1 on failure.
double runProgram(const QString &program, const QStringList &arguments);

// One row of the printed table.
struct Row
{
    QString what;
    Figures ours;
    Figures baseline;
    QString baselineName;
    QString target;   // e.g. "≤ 2×"
    double limit = 0; // ratio limit, 0 when the row is absolute
    QString note;
    bool bytes = false; // the figures are peak memory in bytes, not seconds
};

// A row of peak memory figures.
Row memoryRow(const QString &what, qint64 ours, qint64 baseline, const QString &baselineName,
              const QString &target, double limit);

QString formatSeconds(double s);
QString formatBytes(qint64 b);
void printTable(const QList<Row> &rows);

} // namespace Measure
