#pragma once

#include "rules/backup/BackupManifest.h"

#include <QString>
#include <optional>

class FileOps;
class LiveSnapshot;
class TaskProgress;

// Copies that prove themselves. A backup is a copy of a checked, held-still
// database, digested on its way and kept with its manifest. Before a backup
// is put back, its bytes are copied to a staged name and digested on the
// way: when the digest equals the manifest's the copy is the file that
// passed the checks; a backup without a manifest, or one that changed
// since, must have its copy pass the full database check instead.
class VerifiedCopy
{
public:
    explicit VerifiedCopy(FileOps &files, TaskProgress *progress = nullptr);

    // Copies the snapshot's file to `to` (which must not exist) and writes
    // the manifest beside it. Returns the problem, or "" when the copy is in
    // place; a manifest that cannot be written only adds a note.
    QString backUp(LiveSnapshot &source, const QString &to, BackupKind kind, const QDateTime &taken,
                   QString *note);

    struct Verdict
    {
        QString problem;                        // empty: the staged copy may be restored
        std::optional<BackupManifest> manifest; // set when the digest matched
        bool copyFailed = false;                // the problem is the copy's, not the backup's
    };
    // Copies the backup's own bytes to `staged`, marked as a rollback-journal
    // file, and judges the copy: trusted, a manifest whose digest equals the copy's
    // vouches for it; otherwise it must pass the full checks. The backup is
    // never opened as a database where it lies, and no file beside it (a
    // journal or log another tool left) is read or changed. On a problem the
    // staged copy is removed again.
    Verdict stage(const QString &backup, const QString &staged, bool trustManifest);

    // The backup's manifest when its digest equals that of the backup's
    // bytes as they are now.
    std::optional<BackupManifest> vouchedFor(const QString &backup);

    static const QString kProgramVersion;

private:
    FileOps &m_files;
    TaskProgress *m_progress;
};
