#include "Measure.h"

#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Measure {

Figures fromSamples(QList<double> s)
{
    Figures f;
    if (s.isEmpty())
        return f;
    std::sort(s.begin(), s.end());
    f.runs = int(s.size());
    f.p50 = s.at(s.size() / 2);
    f.p99 = s.at(std::min<qsizetype>(s.size() - 1, qsizetype(s.size() * 0.99)));
    return f;
}

Figures time(int runs, const std::function<void(int)> &f, int warmup)
{
    for (int i = 0; i < warmup; ++i)
        f(i);
    QList<double> samples;
    samples.reserve(runs);
    QElapsedTimer t;
    for (int i = 0; i < runs; ++i) {
        t.start();
        f(warmup + i);
        samples << double(t.nsecsElapsed()) / 1e9;
    }
    return fromSamples(samples);
}

qint64 peakMemoryOfChild(const std::function<void()> &f)
{
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        f();
        _exit(0);
    }
    int status = 0;
    struct rusage usage
    {
    };
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return qint64(usage.ru_maxrss) * 1024;
}

double runProgram(const QString &program, const QStringList &arguments)
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return -1;
    return double(t.nsecsElapsed()) / 1e9;
}

QString formatSeconds(double s)
{
    if (s <= 0)
        return QStringLiteral("-");
    if (s < 1e-3)
        return QStringLiteral("%1 µs").arg(s * 1e6, 0, 'f', 1);
    if (s < 1)
        return QStringLiteral("%1 ms").arg(s * 1e3, 0, 'f', 2);
    return QStringLiteral("%1 s").arg(s, 0, 'f', 3);
}

QString formatBytes(qint64 b)
{
    if (b < 0)
        return QStringLiteral("-");
    return QStringLiteral("%1 MiB").arg(double(b) / (1024.0 * 1024.0), 0, 'f', 1);
}

Row memoryRow(const QString &what, qint64 ours, qint64 baseline, const QString &baselineName,
              const QString &target, double limit)
{
    Row r;
    r.what = what;
    r.ours.p50 = double(ours);
    r.baseline.p50 = double(baseline);
    r.baselineName = baselineName;
    r.target = target;
    r.limit = limit;
    r.bytes = true;
    return r;
}

void printTable(const QList<Row> &rows)
{
    QTextStream out(stdout);
    out << "| measurement | ours p50 | ours p99 | baseline | base p50 | base p99 | ratio p50 | "
           "target | |\n";
    out << "|---|---|---|---|---|---|---|---|---|\n";
    for (const Row &r : rows) {
        const double ratio = r.baseline.p50 > 0 ? r.ours.p50 / r.baseline.p50 : 0;
        QString verdict;
        if (r.limit > 0 && ratio > 0)
            verdict = ratio <= r.limit ? QStringLiteral("met") : QStringLiteral("MISSED");
        const auto show = [&r](double v) {
            return r.bytes ? (v > 0 ? formatBytes(qint64(v)) : QStringLiteral("-"))
                           : formatSeconds(v);
        };
        out << "| " << r.what << " | " << show(r.ours.p50) << " | " << show(r.ours.p99) << " | "
            << r.baselineName << " | " << show(r.baseline.p50) << " | " << show(r.baseline.p99)
            << " | "
            << (ratio > 0 ? QStringLiteral("%1×").arg(ratio, 0, 'f', 2) : QStringLiteral("-"))
            << " | " << r.target << " | " << verdict
            << (r.note.isEmpty() ? QString() : QStringLiteral(" ") + r.note) << " |\n";
    }
    out.flush();
}

} // namespace Measure
