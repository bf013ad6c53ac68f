#pragma once

#include "store/Ledger.h"
#include "workbook/TableExport.h"

#include <QList>
#include <QString>
#include <QStringList>

class Database;

// 对账: every member's balance, consumption total and count against the
// sums of his ledger. Reading only; nothing is changed.
namespace Reconciliation {

inline const QString kExportFailed = QStringLiteral("对账结果导出失败！");
inline const QString kExported = QStringLiteral("对账结果已导出到 "); // followed by the path

QStringList headers();
// The cells of one difference as texts, in the order of headers().
QStringList cells(const Ledger::Difference &d);
// "对账完成，全部会员账目相符！" or the number of members that differ.
QString summary(qsizetype differences);

// Every member whose row differs from his ledger; changes nothing.
QList<Ledger::Difference> differences(Database &store);

// Writes the differences to an .xls workbook.
TableExport::Written exportTo(const QString &path, const QList<Ledger::Difference> &differences);

} // namespace Reconciliation
