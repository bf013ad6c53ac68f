#pragma once

#include "rules/maintenance/BackupManifest.h"

#include <QString>
#include <optional>

class FileOps;
class LiveSnapshot;
class TaskProgress;

// Copies that prove themselves. A backup is a copy of a checked, held-still
// database, digested on its way and kept with its manifest. Before a backup
// is put back, its digest is recomputed: when it equals the manifest's the
// file is the one that passed the checks; a backup without a manifest, or
// one that changed since, must pass the full database check instead. The
// copy back is digested too, so a read going wrong on the way is caught.
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
        QString problem;                        // empty: the backup may be restored
        std::optional<BackupManifest> manifest; // set when the digest matched
        bool digestPending = false;             // ... or is to match the copy's
    };
    // The full checks, manifest or not.
    Verdict check(const QString &backup);
    // With trustManifest, a manifest of the backup's size is trusted with
    // its digest still to be compared: restoreCopy() then compares the
    // copy's own digest before the copy is renamed into place, and gives
    // kDigestDiffers when it differs (the caller then runs check()).
    // Without it, check().
    Verdict checkWhileCopying(const QString &backup, bool trustManifest);
    static const QString kDigestDiffers;

    // Copies a checked backup to `to`; a digest that differs from the
    // verdict's manifest is a problem.
    QString restoreCopy(const QString &from, const QString &to, const Verdict &verdict);

    static const QString kProgramVersion;

private:
    FileOps &m_files;
    TaskProgress *m_progress;
};
