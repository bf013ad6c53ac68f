#include "rules/backup/BackupCatalog.h"

#include "base/Formats.h"
#include "rules/backup/AutoBackups.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

BackupCatalog::Entry entryFor(const QString &path, BackupKind kind, const QDateTime &taken)
{
    BackupCatalog::Entry e{path, kind, taken, BackupManifest::read(BackupManifest::pathFor(path))};
    if (e.manifest && e.manifest->size != QFileInfo(path).size())
        e.manifest.reset();
    return e;
}

} // namespace

QList<BackupCatalog::Entry> BackupCatalog::entries() const
{
    QList<Entry> found;
    const QString manual = m_manual.isEmpty() ? m_paths.backupDatabase() : m_manual;
    if (QFileInfo(manual).isFile())
        found << entryFor(manual, BackupKind::Manual, QFileInfo(manual).lastModified());

    const QString folder = AutoBackups::folderOf(m_paths);
    QList<BackupGenerations::Generation> generations;
    // A server's generations are archives as its manual backup is.
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.") + QFileInfo(manual).suffix()}, QDir::Files);
    for (const QString &name : names)
        if (const auto g = BackupGenerations::parse(name))
            generations << *g;
    std::sort(generations.begin(), generations.end(), [](const auto &a, const auto &b) {
        return a.taken != b.taken ? a.taken > b.taken : a.serial > b.serial;
    });
    for (const BackupGenerations::Generation &g : std::as_const(generations))
        found << entryFor(folder + QLatin1Char('/') + g.fileName, g.kind, g.taken);
    return found;
}

QStringList BackupCatalog::headings()
{
    return {QStringLiteral("备份时间"), QStringLiteral("类型"),     QStringLiteral("会员数"),
            QStringLiteral("余额合计"), QStringLiteral("最后改动"), QStringLiteral("校验")};
}

QStringList BackupCatalog::columns(const Entry &e)
{
    const QString unknown = QStringLiteral("—");
    const auto &m = e.manifest;
    return {
        Formats::dateTime(e.taken),
        BackupManifest::kindName(e.kind),
        m ? QString::number(m->members) : unknown,
        m ? m->balance.toStringWithCents() : unknown,
        m && m->lastChange.isValid() ? Formats::dateTime(m->lastChange) : unknown,
        m ? QStringLiteral("已校验") : QStringLiteral("未校验"),
    };
}
