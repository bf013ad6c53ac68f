#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Timing and memory figures for the benchmark table.
namespace Measure {

// The median of the samples and their middle half (25th to 75th percentile).
struct Figures
{
    double median = 0; // seconds, or bytes for memory rows
    double p25 = 0;
    double p75 = 0;
    int runs = 0;
};

Figures fromSamples(QList<double> samples);

// Runs the sides in turn, `rounds` times each after `warmup` unrecorded
// rounds, changing their order every round (A B, B A, B A, A B, ... for two
// sides; every order in turn for three), so that drift in the machine's load
// and caches falls on every side alike. Each side is called with its round
// number (warm-up rounds first) to pick its own fresh input, and returns the
// seconds it measured. Returns the recorded seconds, one list per side.
QList<QList<double>> interleaved(int rounds, const QList<std::function<double(int)>> &sides,
                                 int warmup = 5);
// A side of interleaved() that times f (called with the round number).
std::function<double(int)> timed(std::function<void(int)> f);
// count numbers of members below `members`, the same for the same seed.
QList<qint64> randomMembers(int count, qint64 members, quint32 seed);

// The order of the sides in one round of interleaved().
QList<int> roundOrder(int round, int sides);

// Work that runs on a thread of its own while calls are timed: start() sets
// it going, running() says whether it still runs, wait() returns once it
// has ended.
struct BackgroundTask
{
    std::function<void()> start;
    std::function<bool()> running;
    std::function<void()> wait;
};

// Calls timed while a background task runs, against the same calls with
// none running.
struct Beside
{
    QList<double> during;
    QList<double> without;
    QList<int> duringCalls, withoutCalls; // the numbers of the kept calls
    int starts = 0;                       // how often the task was started
};
// Every round has two halves, in the order two sides of interleaved() get.
// One times calls until `perRound` of them ended with the task still
// running, starting it whenever it is not (a call it did not outlive is
// not kept); the other waits for the task to end, untimed, and times
// `perRound` calls. Each call gets a number of its own. A task that ends
// twice in a row before any call outlived it ends the measurement early.
Beside besideTask(int rounds, int perRound, const BackgroundTask &task,
                  const std::function<double(int)> &call);

// Peak resident memory of this process so far (VmHWM), in bytes, or -1.
qint64 peakOfThisProcess();

// Starts this benchmark program again with the arguments and returns the peak
// memory the new process reports on its last line ("peak <bytes>"), or -1
// when it failed. A newly started process carries none of this one's pages.
qint64 peakOfFreshProcess(const QStringList &arguments);

// Wall time and peak memory of another program, measured by a newly started
// copy of this one that starts it and waits for it (so this process's pages
// are not counted in).
struct Run
{
    double seconds = -1;
    qint64 peak = -1;
};
Run measureProgram(const QString &program, const QStringList &arguments);
// The helper's side of measureProgram(): starts argv[0] with the rest of
// argv, waits for it and prints "<seconds> <peak bytes>"; returns its exit code.
int runAndReport(char **argv);

// Runs a program and returns its wall time in seconds, or -1 on failure.
double runProgram(const QString &program, const QStringList &arguments);

// One row of the printed table.
struct Row
{
    QString what;
    Figures ours;
    Figures baseline;
    QString baselineName;
    QString target;           // e.g. "≤ 2×" or "≤ 50 ms"
    double ratioLimit = 0;    // the ratio of the medians must stay at or below this
    double absoluteLimit = 0; // or our median must (seconds or bytes)
    QString note;
    bool bytes = false; // the figures are peak memory in bytes, not seconds
};

QString verdict(const Row &row);
QString formatSeconds(double s);
QString formatBytes(double b);
void printTable(const QList<Row> &rows);

} // namespace Measure
