#pragma once

#include "rules/backup/BackupGenerations.h"
#include "store/DataFiles.h"

#include <QStringList>
#include <functional>

class FileOps;
class TaskProgress;

// The automatic generations of the live database in backup/auto/: taken at
// the first start of each day and at every normal exit, pruned by
// BackupGenerations after each one, every deletion written to
// backup/auto/generations.log. The live database a restore or a clear
// replaces is moved in beside them, marked as such. On a database server
// the generations are the server's archives (suffix "dump"), taken by
// ServerMaintenance; naming, room and pruning are the same.
class AutoBackups
{
public:
    static const QString kLogName;
    static const QString kFailed;     // 自动备份失败：
    static const QString kSpaceFreed; // %1: the deleted generations
    static const QString kNoSpace;

    AutoBackups(DataFiles paths, FileOps &files, TaskProgress *progress = nullptr,
                QString suffix = BackupGenerations::kFileSuffix);

    QString folder() const { return folderOf(m_paths); }
    static QString folderOf(const DataFiles &paths); // backup/auto

    // True when no automatic generation was taken today.
    bool firstStartToday();

    struct Result
    {
        QString path;         // the new generation; empty when none was taken
        QString problem;      // why the live database could not be copied
        QStringList messages; // what the user is told
    };
    // Takes a verified copy of the live database as a new automatic
    // generation. When free space is short the oldest generations make room
    // (never the newest one); when that is not enough, nothing is taken and
    // the message says so. Pruning is separate (prune()): deleting a large
    // file takes tens of milliseconds, which the program spends at start-up
    // on a thread of its own rather than at exit.
    Result take();

    // Where a new generation of the kind taken then goes: an unused name in
    // the folder, which is made when missing; empty (with error) when it
    // cannot be.
    QString newPath(BackupKind kind, const QDateTime &taken, QString *error);

    // Deletes the oldest generations (never the newest) until a generation
    // of size bytes fits, with its manifest and the log; false, with the
    // messages of what was done, when it still does not.
    bool makeRoom(qint64 size, QStringList *messages);

    // Moves a file into the folder as a marked generation; false (with
    // error) when it stays where it is.
    bool keepAside(const QString &path, BackupKind kind, QString *error);

    // Gives each generation without a manifest one once it has passed the
    // full checks: a generation whose run was cut short before its manifest
    // was written, and the data a restore or a clear replaced. One with a
    // journal or log beside it, or that fails a check, stays without.
    // Returns how many got one. At start, before prune().
    int vouchForUnverified();

    // Deletes the generations the rule gives up (never the newest); returns
    // the messages of deletions that failed.
    QStringList prune();

    // The generations in the folder, in no particular order.
    QList<BackupGenerations::Generation> list() const;

    // Bytes free for the folder; replaceable by tests.
    void setFreeSpace(std::function<qint64(const QString &)> freeSpace);

    // A line of generations.log, with the time.
    void log(const QString &line);

private:
    bool makeFolder();
    bool remove(const QString &fileName, const QString &why);
    QString unusedName(const QDateTime &taken, BackupKind kind) const;

    DataFiles m_paths;
    FileOps &m_files;
    TaskProgress *m_progress;
    QString m_suffix;
    std::function<qint64(const QString &)> m_freeSpace;
};
