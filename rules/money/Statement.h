#pragma once

#include "store/Ledger.h"

#include <QList>
#include <QString>
#include <QStringList>

// A member's statement: his ledger entries as the statement screen lists and
// exports them, and the totals of the listed rows.
namespace Statement {

inline const QString kAllKinds = QStringLiteral("全部");
inline const QString kNoMember = QStringLiteral("请先输入会员名或手机号查询会员！");
inline const QString kNotFound = QStringLiteral("查无此人，请检查是否输入有误！");
inline const QString kExported = QStringLiteral("流水已导出到 ");
inline const QString kExportFailed = QStringLiteral("流水导出失败！");

QStringList headers();
// The cells of one entry as texts, in the order of headers().
QStringList cells(const Ledger::Entry &entry);

struct Totals
{
    int rows = 0;
    Money balance;  // sum of the balance changes
    Money consumed; // sum of the consumption changes
    qint64 consumptions = 0;
};
Totals totals(const QList<Ledger::Entry> &entries);
QString totalsText(const Totals &totals);

// Writes the entries to an .xls workbook; empty on success, else why not.
QString exportTo(const QString &path, const QList<Ledger::Entry> &entries);

} // namespace Statement
