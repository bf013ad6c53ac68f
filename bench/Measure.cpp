#include "Measure.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace Measure {

namespace {

double percentile(const QList<double> &sorted, double p)
{
    // Linear between the two nearest ranks.
    const double at = p * double(sorted.size() - 1);
    const qsizetype below = qsizetype(at);
    const qsizetype above = std::min(below + 1, sorted.size() - 1);
    return sorted.at(below) + (sorted.at(above) - sorted.at(below)) * (at - double(below));
}

} // namespace

Figures fromSamples(QList<double> s)
{
    Figures f;
    if (s.isEmpty())
        return f;
    std::sort(s.begin(), s.end());
    f.runs = int(s.size());
    f.median = percentile(s, 0.5);
    f.p25 = percentile(s, 0.25);
    f.p75 = percentile(s, 0.75);
    return f;
}

QList<int> roundOrder(int round, int sides)
{
    QList<int> order;
    const int shift = (round / 2) % sides;
    for (int i = 0; i < sides; ++i)
        order << (i + shift) % sides;
    if (round % 2)
        std::reverse(order.begin(), order.end());
    return order;
}

QList<QList<double>> interleaved(int rounds, const QList<std::function<double(int)>> &sides,
                                 int warmup)
{
    QList<QList<double>> samples(sides.size());
    for (int round = 0; round < warmup + rounds; ++round) {
        for (const int side : roundOrder(round, int(sides.size()))) {
            const double seconds = sides.at(side)(round);
            if (round >= warmup)
                samples[side] << seconds;
        }
    }
    return samples;
}

Beside besideTask(int rounds, int perRound, const BackgroundTask &task,
                  const std::function<double(int)> &call)
{
    Beside b;
    int number = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const int half : roundOrder(round, 2)) {
            if (half == 1) {
                task.wait();
                for (int i = 0; i < perRound; ++i) {
                    b.withoutCalls << number;
                    b.without << call(number++);
                }
                continue;
            }
            int kept = 0, emptyStarts = 0;
            while (kept < perRound) {
                if (!task.running()) {
                    if (++emptyStarts > 2)
                        return b;
                    task.start();
                    ++b.starts;
                }
                const double seconds = call(number);
                if (task.running()) {
                    b.during << seconds;
                    b.duringCalls << number;
                    ++kept;
                    emptyStarts = 0;
                }
                ++number;
            }
        }
    }
    task.wait();
    return b;
}

qint64 peakOfThisProcess()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

namespace {

// The last line of a finished child of this program, or empty on failure.
QByteArray lastLineOf(const QStringList &arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), arguments);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    const QList<QByteArray> lines = p.readAllStandardOutput().trimmed().split('\n');
    return lines.isEmpty() ? QByteArray() : lines.last().trimmed();
}

} // namespace

qint64 peakOfFreshProcess(const QStringList &arguments)
{
    const QByteArray line = lastLineOf(arguments);
    if (!line.startsWith("peak "))
        return -1;
    return line.mid(5).toLongLong();
}

Run measureProgram(const QString &program, const QStringList &arguments)
{
    const QList<QByteArray> parts =
        lastLineOf(QStringList{QStringLiteral("measure"), program} + arguments).split(' ');
    Run run;
    if (parts.size() == 2) {
        run.seconds = parts.at(0).toDouble();
        run.peak = parts.at(1).toLongLong();
    }
    return run;
}

int runAndReport(char **argv)
{
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid < 0)
        return 1;
    if (pid == 0) {
        execvp(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    struct rusage usage
    {
    };
    pid_t waited;
    do {
        waited = wait4(pid, &status, 0, &usage);
    } while (waited < 0 && errno == EINTR);
    clock_gettime(CLOCK_MONOTONIC, &end);
    if (waited != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 1;
    // ru_maxrss covers the program and every process it waited for.
    struct rusage descendants
    {
    };
    getrusage(RUSAGE_CHILDREN, &descendants);
    const double seconds =
        double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) / 1e9;
    std::printf("%.6f %lld\n", seconds,
                static_cast<long long>(std::max(usage.ru_maxrss, descendants.ru_maxrss)) * 1024);
    return 0;
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

QString formatBytes(double b)
{
    if (b <= 0)
        return QStringLiteral("-");
    return QStringLiteral("%1 MiB").arg(b / (1024.0 * 1024.0), 0, 'f', 1);
}

QString verdict(const Row &r)
{
    if (r.ours.median <= 0)
        return {};
    if (r.ratioLimit > 0 && r.baseline.median > 0)
        return r.ours.median / r.baseline.median <= r.ratioLimit ? QStringLiteral("met")
                                                                 : QStringLiteral("MISSED");
    if (r.absoluteLimit > 0)
        return r.ours.median <= r.absoluteLimit ? QStringLiteral("met") : QStringLiteral("MISSED");
    return {};
}

void printTable(const QList<Row> &rows)
{
    QTextStream out(stdout);
    out << "| measurement | n | ours median | ours p25–p75 | baseline | base median | "
           "base p25–p75 | ratio | target | | note |\n";
    out << "|---|---|---|---|---|---|---|---|---|---|---|\n";
    for (const Row &r : rows) {
        const auto show = [&r](double v) { return r.bytes ? formatBytes(v) : formatSeconds(v); };
        const auto spread = [&](const Figures &f) {
            if (f.runs < 2)
                return QStringLiteral("-");
            return show(f.p25) + QStringLiteral(" – ") + show(f.p75);
        };
        const bool hasRatio = r.ours.median > 0 && r.baseline.median > 0;
        out << "| " << r.what << " | " << r.ours.runs << " | " << show(r.ours.median) << " | "
            << spread(r.ours) << " | " << r.baselineName << " | " << show(r.baseline.median)
            << " | " << spread(r.baseline) << " | "
            << (hasRatio ? QStringLiteral("%1×").arg(r.ours.median / r.baseline.median, 0, 'f', 2)
                         : QStringLiteral("-"))
            << " | " << r.target << " | " << verdict(r) << " | " << r.note << " |\n";
    }
    out.flush();
}

std::function<double(int)> timed(std::function<void(int)> f)
{
    return [f = std::move(f)](int round) {
        QElapsedTimer t;
        t.start();
        f(round);
        return double(t.nsecsElapsed()) / 1e9;
    };
}

QList<qint64> randomMembers(int count, qint64 members, quint32 seed)
{
    QRandomGenerator rng(seed);
    QList<qint64> keys;
    for (int i = 0; i < count; ++i)
        keys << qint64(rng.bounded(quint64(members)));
    return keys;
}

} // namespace Measure
