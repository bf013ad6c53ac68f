#pragma once

#include "base/Money.h"

#include <QDateTime>
#include <QString>
#include <optional>

class DiskCalls;

// What a backup is: the manual backup.mdb, an automatic generation, or the
// live database kept right before a restore or a clear replaced it.
enum class BackupKind { Manual, Auto, PreRestore, PreClear };

// The small record kept beside a backup file (same name plus ".manifest"):
// the digest and size of the copy, when and how it was taken, and what it
// holds. Only a copy whose source passed the checks gets one, so a backup
// whose digest still equals its manifest's is, byte for byte, a checked
// database.
struct BackupManifest
{
    QString digest; // FileDigest::hex()
    qint64 size = 0;
    QDateTime taken;
    BackupKind kind = BackupKind::Manual;
    qint64 members = 0;
    Money balance;        // total of all balances
    QDateTime lastChange; // the last committed change of the source
    QString programVersion;

    static QString pathFor(const QString &backup);
    // Nothing when the file is missing or not a manifest of this program.
    static std::optional<BackupManifest> read(const QString &path);
    // Replaces the file atomically; false (with error) on failure.
    bool write(const QString &path, QString *error) const;
    bool write(const QString &path, QString *error, DiskCalls &calls) const;

    static QString kindName(BackupKind kind); // 手动 自动 还原前 清空前
};
