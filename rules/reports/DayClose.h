#pragma once

#include "rules/reports/Tally.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

class Database;

// 日结: what was done on one day, by every administrator or by one, summed
// from the ledger. Each entry counts on the day it was written: a reversal
// on a later day counts on that day, not on the consumption's.
namespace DayClose {

struct Figures
{
    QDate day;
    QString admin; // empty: every administrator
    Tally balanceConsumptions;
    Tally cashConsumptions;
    Tally recharges;
    Tally offsets;
    Tally commissions;
    Tally reversedCommissions;
    Tally reversedConsumptions; // all of them, cash ones included
    Tally reversedCash;         // the reversals of cash consumptions
    qint64 newMembers = 0;      // registered that day (by anyone)
    Money cashLog;              // the sum of the day's rows in 现金 (by anyone)
    // The consumptions of each hour, 0..23, as written (before reversals).
    std::array<Tally, 24> hours{};

    // What the till should hold from the day's cash consumptions.
    Money expectedCash() const { return cashConsumptions.sum - reversedCash.sum; }
};

// Reads the day's figures. Throws StoreError when the database fails.
Figures compute(Database &store, const QDate &day, const QString &admin = {});

// The administrators that wrote any ledger entry, by name.
QStringList admins(Database &store);

// The figures as rows of two texts (what, how much), in the order the
// screen, the printout and the export show them.
QList<QStringList> lines(const Figures &f);
QString title(const Figures &f);

inline const QString kExportFailed = QStringLiteral("日结导出失败！");
inline const QString kExported = QStringLiteral("日结已导出到 ");

} // namespace DayClose
