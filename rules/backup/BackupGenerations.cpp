#include "rules/backup/BackupGenerations.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace BackupGenerations {

namespace {

const QString kTimeFormat = QStringLiteral("yyyyMMdd-HHmmss");

QString tagOf(BackupKind kind)
{
    switch (kind) {
    case BackupKind::PreRestore:
        return QStringLiteral("prerestore");
    case BackupKind::PreClear:
        return QStringLiteral("preclear");
    default:
        return QStringLiteral("auto");
    }
}

QDate weekStart(const QDate &d)
{
    return d.addDays(1 - d.dayOfWeek());
}

int monthIndex(const QDate &d)
{
    return d.year() * 12 + d.month() - 1;
}

} // namespace

QString fileName(const QDateTime &taken, BackupKind kind, int serial, const QString &suffix)
{
    QString name = taken.toString(kTimeFormat) + QLatin1Char('-') + tagOf(kind);
    if (serial > 1)
        name += QLatin1Char('-') + QString::number(serial);
    return name + QLatin1Char('.') + suffix;
}

std::optional<Generation> parse(const QString &name)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{8}-\\d{6})-(auto|prerestore|preclear)(-\\d+)?\\.(mdb|dump)$"));
    const QRegularExpressionMatch m = pattern.match(name);
    if (!m.hasMatch())
        return std::nullopt;
    Generation g;
    g.fileName = name;
    g.taken = QDateTime::fromString(m.captured(1), kTimeFormat);
    if (!g.taken.isValid())
        return std::nullopt;
    const QString kind = m.captured(2);
    g.kind = kind == QLatin1String("auto")         ? BackupKind::Auto
             : kind == QLatin1String("prerestore") ? BackupKind::PreRestore
                                                   : BackupKind::PreClear;
    if (m.hasCaptured(3))
        g.serial = m.captured(3).mid(1).toInt();
    return g;
}

QStringList toDelete(const QList<Generation> &generations, const QDateTime &now)
{
    QList<Generation> byAge = generations;
    std::sort(byAge.begin(), byAge.end(), [](const Generation &a, const Generation &b) {
        return a.taken != b.taken ? a.taken > b.taken : a.serial > b.serial;
    });

    const QDate today = now.date();
    const QDate firstDay = today.addDays(1 - kDays);
    const QDate firstWeek = weekStart(today).addDays(-7 * (kWeeks - 1));
    const int firstMonth = monthIndex(today) - (kMonths - 1);

    // Newest first: the first generation met in a day, week or month stands
    // for it; the first verified one too.
    struct Slots
    {
        QSet<qint64> any;
        QSet<qint64> verified;
        // Whether a generation met in this order is kept for the slot.
        bool claim(qint64 slot, bool inRange, bool isVerified)
        {
            if (!inRange)
                return false;
            const bool newest = !any.contains(slot);
            any.insert(slot);
            if (!isVerified)
                return newest;
            if (verified.contains(slot))
                return false;
            verified.insert(slot);
            return true;
        }
    };
    Slots days, weeks, months;
    QStringList doomed;
    for (const Generation &g : std::as_const(byAge)) {
        const QDate d = g.taken.date();
        bool keep = false;
        if (g.kind == BackupKind::PreRestore || g.kind == BackupKind::PreClear) {
            keep = g.taken.addDays(kMarkedDays) > now;
        } else {
            const QDate w = weekStart(d);
            const int m = monthIndex(d);
            // Each slot is claimed, whatever the others say.
            const bool forDay = days.claim(d.toJulianDay(), d >= firstDay, g.verified);
            const bool forWeek = weeks.claim(w.toJulianDay(), w >= firstWeek, g.verified);
            const bool forMonth = months.claim(m, m >= firstMonth, g.verified);
            // A generation from the future (a clock set back) is kept.
            keep = forDay || forWeek || forMonth || d > today;
        }
        if (!keep)
            doomed.prepend(g.fileName);
    }
    return doomed;
}

} // namespace BackupGenerations
