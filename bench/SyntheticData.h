#pragma once

#include <QString>

// Deterministic databases for the benchmarks, written through the program's
// own store: members with referrers and balances, and a commission setting.
namespace SyntheticData {

QString memberName(qint64 i);  // 会员0000042
QString memberPhone(qint64 i); // 13800000042
qint64 balanceFen(qint64 i);   // the balance a member starts with

// Returns the path of a database with `members` members in folder, building
// it from the delivered template when it is not there yet.
QString database(const QString &folder, qint64 members);

// Copies the prepared database into a program folder (with zero.mdb beside
// it) for an operation that changes it.
bool makeProgramFolder(const QString &database, const QString &folder);

} // namespace SyntheticData
