#include "rules/backup/InterruptedRun.h"

#include "rules/backup/AutoBackups.h"
#include "rules/backup/BackupManifest.h"
#include "rules/backup/DatabaseFile.h"
#include "rules/backup/FileOps.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

const QString InterruptedRun::kRestoreUndone =
    QStringLiteral("上次还原或清空数据时程序被中断，已恢复为操作前的数据。");
const QString InterruptedRun::kRestoreFinished =
    QStringLiteral("上次还原或清空数据时程序被中断，操作已完成，现在使用的是操作后的数据。");
const QString InterruptedRun::kBackupUndone =
    QStringLiteral("上次备份时程序被中断，备份未完成，已恢复原来的备份。");
const QString InterruptedRun::kBackupFinished =
    QStringLiteral("上次备份时程序被中断，备份已完成。");
const QString InterruptedRun::kStagedRemoved =
    QStringLiteral("上次的操作被中断，已删除未完成的副本，数据未改动。");
const QString InterruptedRun::kStuck = QStringLiteral(
    "上次被中断的操作无法自动恢复：%1\n请勿删除程序文件夹中的任何文件，并联系技术支持。");

InterruptedRun::InterruptedRun(DataFiles paths, FileOps &files)
    : m_paths(std::move(paths)), m_files(files)
{
}

QString InterruptedRun::recover()
{
    m_told.clear();
    m_stuck.clear();
    recoverPair(m_paths.liveDatabase(), m_paths.liveRollback(), kRestoreUndone, kRestoreFinished,
                true);
    recoverPair(m_paths.backupDatabase(), m_paths.backupRollback(), kBackupUndone, kBackupFinished,
                false);
    // A backup's copy on its way in never became the live data.
    const QString restoring = m_paths.restoreStaging();
    int staged = m_files.exists(restoring) ? 1 : 0;
    if (!DatabaseFile::remove(m_files, restoring)) {
        staged = 0;
        if (m_stuck.isEmpty())
            m_stuck = m_files.error();
    }
    for (const QString &target :
         {m_paths.liveDatabase(), m_paths.backupDatabase(), m_paths.exportWorkbook(),
          BackupManifest::pathFor(m_paths.backupDatabase()), restoring}) {
        const QFileInfo info(target);
        staged += removeStaged(info.absolutePath(), info.fileName());
    }
    // Every file there is a generation, its manifest or the log: any staged
    // one is a copy cut short.
    staged += removeStaged(AutoBackups::folderOf(m_paths), QStringLiteral("*"));
    // Staged copies alone: a copy was cut short before anything had moved.
    if (staged > 0 && m_told.isEmpty())
        m_told << kStagedRemoved;
    if (!m_stuck.isEmpty())
        m_told << kStuck.arg(m_stuck);
    return m_told.join(QLatin1Char('\n'));
}

bool InterruptedRun::putBack(const QString &rollback, const QString &target)
{
    if (!m_files.rename(rollback, target))
        return false;
    const QStringList from = DatabaseFile::companions(rollback);
    const QStringList to = DatabaseFile::companions(target);
    for (qsizetype i = 0; i < from.size(); ++i) {
        if (!m_files.exists(from.at(i)))
            continue;
        if (m_files.exists(to.at(i)) && !m_files.remove(to.at(i)))
            return false;
        if (!m_files.rename(from.at(i), to.at(i)))
            return false;
    }
    return true;
}

bool InterruptedRun::keepReplaced(const QString &rollback, const QString &target)
{
    // A clear puts a byte-for-byte copy of the blank template in place.
    const QString zero = m_paths.blankTemplate();
    bool cleared = m_files.size(target) == m_files.size(zero);
    if (cleared) {
        QFile a(target);
        QFile b(zero);
        cleared = a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) &&
                  a.readAll() == b.readAll();
    }
    QString error;
    return AutoBackups(m_paths, m_files)
        .keepAside(rollback, cleared ? BackupKind::PreClear : BackupKind::PreRestore, &error);
}

bool InterruptedRun::recoverPair(const QString &target, const QString &rollback,
                                 const QString &undone, const QString &finished, bool keep)
{
    const bool hasTarget = m_files.exists(target);
    const bool hasRollback = m_files.exists(rollback);
    bool ok = true;
    if (hasRollback && !hasTarget) {
        // Cut short after the file was moved aside and before its
        // replacement got its name.
        ok = putBack(rollback, target);
        if (ok)
            m_told << undone;
    } else if (hasRollback) {
        // The replacement is in place; it was checked only if the run got
        // that far, so it is checked now.
        if (Schema::problemWithFile(target, Schema::Check::Full).isEmpty()) {
            ok = keep ? keepReplaced(rollback, target) : DatabaseFile::remove(m_files, rollback);
            if (ok)
                m_told << finished;
        } else {
            ok = DatabaseFile::remove(m_files, target) && putBack(rollback, target);
            if (ok)
                m_told << undone;
        }
    } else {
        ok = DatabaseFile::removeStrays(m_files, rollback);
    }
    if (!ok && m_stuck.isEmpty())
        m_stuck = m_files.error();
    return ok;
}

int InterruptedRun::removeStaged(const QString &path, const QString &pattern)
{
    const QDir folder(path);
    int removed = 0;
    if (!folder.exists())
        return removed;
    const QStringList staged =
        folder.entryList({QLatin1Char('.') + pattern + QStringLiteral(".??????")},
                         QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : staged) {
        if (m_files.remove(folder.filePath(name)))
            ++removed;
        else if (m_stuck.isEmpty())
            m_stuck = m_files.error();
    }
    return removed;
}
