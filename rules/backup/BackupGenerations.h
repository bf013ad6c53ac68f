#pragma once

#include "rules/backup/BackupManifest.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// The automatic generations in backup/auto/ and which of them to keep.
//
// A generation's file name says when it was taken and what it is:
// 20261207-200509-auto.mdb, -prerestore.mdb, -preclear.mdb (on a database
// server the archives of pg_dump: -auto.dump and so on). Kept are the
// newest automatic generation of each of the last 7 days (today included),
// of each of the last 5 weeks (Monday to Sunday, this week included) and of
// each of the last 12 calendar months (this month included); the live
// databases kept before a restore or a clear stay for 30 days. Everything
// else goes. Only a generation with a manifest (verified) stands for its
// day, week or month against an older verified one: a newer one without a
// manifest (a run cut short before it was written) is kept beside it and
// never makes it go.
namespace BackupGenerations {

struct Generation
{
    QString fileName;
    QDateTime taken;
    BackupKind kind = BackupKind::Auto;
    int serial = 1;       // 2, 3, ... for further ones taken in the same second
    bool verified = true; // its manifest is there
};

constexpr int kDays = 7;
constexpr int kWeeks = 5;
constexpr int kMonths = 12;
constexpr int kMarkedDays = 30;

inline const QString kFileSuffix = QStringLiteral("mdb");
inline const QString kArchiveSuffix = QStringLiteral("dump");

QString fileName(const QDateTime &taken, BackupKind kind, int serial = 1,
                 const QString &suffix = kFileSuffix);
// Nothing for a name that is not a generation's.
std::optional<Generation> parse(const QString &fileName);

// The file names of the generations to delete at `now`, oldest first.
QStringList toDelete(const QList<Generation> &generations, const QDateTime &now);

} // namespace BackupGenerations
