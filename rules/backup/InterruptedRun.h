#pragma once

#include "store/DataFiles.h"

#include <QString>
#include <QStringList>

class FileOps;

// What a backup, restore or clear cut short (a kill, a crash, a power cut)
// left on disk, finished or undone at the next start before anything else
// looks at the files. Every step of those operations leaves one of a few
// known pictures: the roll-back copy (tableold.mdb, backup/backupold.mdb)
// with or without the new file beside it, and hidden staged copies that
// never got their name. The data afterwards is the state before or after
// the operation, never a mix, and nothing of the run is left behind. The
// live database a finished restore or clear replaced is kept among the
// automatic generations, as the run itself would have kept it; a copy into
// backup/auto/ cut short is only a staged file there.
class InterruptedRun
{
public:
    static const QString kRestoreUndone;
    static const QString kRestoreFinished;
    static const QString kBackupUndone;
    static const QString kBackupFinished;
    static const QString kStagedRemoved;
    static const QString kStuck; // %1: what failed

    InterruptedRun(DataFiles paths, FileOps &files);

    // Puts the files in order; returns the one message telling the user what
    // was recovered, or an empty text when no run had been cut short.
    QString recover();

private:
    // One database and its roll-back copy. Returns false when stuck.
    // keepReplaced: a finished run's roll-back copy joins the generations
    // instead of being removed.
    bool recoverPair(const QString &target, const QString &rollback, const QString &undone,
                     const QString &finished, bool keepReplaced);
    // Moves the live database a finished restore or clear replaced into the
    // generations, marked by what replaced it.
    bool keepReplaced(const QString &rollback, const QString &target);
    // Removes the hidden staged copies in folder whose final names match
    // pattern; returns how many.
    int removeStaged(const QString &folder, const QString &pattern);
    // Puts the roll-back copy back under the target's name; companions left
    // at the target's name by a move cut short belong to it and stay.
    bool putBack(const QString &rollback, const QString &target);

    DataFiles m_paths;
    FileOps &m_files;
    QStringList m_told;
    QString m_stuck;
};
