#pragma once

#include <QSqlDatabase>
#include <QString>

// The tables that explain the money in 会员登记 and record who did what:
// 会员账户 (one account per member, never reused), 账户流水 (one row per change
// of a member's money, amounts in fen) and 操作日志 (administrative actions).
namespace LedgerSchema {

inline const QString kAccounts = QStringLiteral("会员账户");
inline const QString kLedger = QStringLiteral("账户流水");
inline const QString kAudit = QStringLiteral("操作日志");

// The kind of the entry that opens an account of a member who had money
// before the ledger existed.
inline const QString kOpening = QStringLiteral("期初");

// Creates the three tables and their indexes, gives every member in
// 会员登记 an account and one opening entry with his balance, consumption
// total and count. The upgrade step to schema version 3, so a new file and
// an older one being upgraded go through this same code; runs inside the
// caller's transaction. Throws StoreError on failure.
void addLedgerTables(QSqlDatabase db);

// Replaces the index of an account's entries by one that also holds the
// columns a statement filters on and the changes it sums, so that a
// statement's totals and the reconciliation's sums are read from the index
// alone instead of one table row per entry. The upgrade step to schema
// version 4; runs inside the caller's transaction. Throws StoreError.
void addAccountTotalsIndex(QSqlDatabase db);

} // namespace LedgerSchema
