#pragma once

#include "rules/backup/BackupManifest.h"
#include "store/DataFiles.h"

#include <QList>
#include <optional>

// Every backup a restore can choose from: the manual backup.mdb first, then
// the generations of backup/auto/, newest first, each with what its
// manifest says.
class BackupCatalog
{
public:
    struct Entry
    {
        QString path;
        BackupKind kind = BackupKind::Manual;
        QDateTime taken;
        // The manifest when there is one for a file of this size; its digest
        // is checked only when the backup is restored.
        std::optional<BackupManifest> manifest;
    };

    // manual: the manual backup's path, backup.mdb when empty (a server's
    // is its archive, and so are the generations listed with it).
    explicit BackupCatalog(DataFiles paths, QString manual = {})
        : m_paths(std::move(paths)), m_manual(std::move(manual))
    {
    }

    QList<Entry> entries() const;

    // The texts of one row: date and time, kind, members, total balance,
    // last change, verified or not ("—" where unknown).
    static QStringList columns(const Entry &entry);
    static QStringList headings();

private:
    DataFiles m_paths;
    QString m_manual;
};
