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

// Names as a shop's members have them: a surname drawn by how common it is
// (a few compound and rare ones among them), then a given name of one or two
// characters, each drawn by how often names hold it; no two alike. The same
// for every run.
QString realisticName(qint64 i);
// A database like database(), whose members have realisticName()s.
QString databaseWithRealNames(const QString &folder, qint64 members);
// Parts of such names for searches: a surname as common as 王, one as rare
// as 诸葛 (two characters), and a given name's character that few hold.
extern const QString kCommonSurname, kRareSurname, kRareGivenCharacter;

// The member (by number, as memberName() takes it) with the most entries in
// ledgerDatabase().
constexpr qint64 kBusyMember = 123456;

// Returns the path of a database with `members` members and a ledger of
// `entries` entries, of which `busyEntries` are kBusyMember's, building it
// when it is not there yet. Each member has an opening entry, then
// recharges, consumptions from the balance and cash consumptions, and his
// row in 会员登记 holds the sums of his entries.
QString ledgerDatabase(const QString &folder, qint64 members, qint64 entries, qint64 busyEntries);

// Returns the path of a database of schema version 2 (before the ledger)
// with the members of database(folder, members).
QString databaseOfVersion2(const QString &folder, qint64 members);

// Copies the prepared database into a program folder (with zero.mdb beside
// it) for an operation that changes it.
bool makeProgramFolder(const QString &database, const QString &folder);

} // namespace SyntheticData
