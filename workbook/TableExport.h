#pragma once

#include "base/Money.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>

// Any table of rows to an Excel 97 workbook with one worksheet: a header
// row, then the rows. A QString is a text cell (an empty one is left out),
// an integer or a double a number cell, a Money a number cell in yuan (the
// nearest double to it), a QDate a date cell. Rows beyond what one worksheet
// holds continue on the next.
namespace TableExport {

// After the message of an export that cut texts, on a line of its own.
inline const QString kCut =
    QStringLiteral("其中 %1 个单元格的文字超过 Excel 单元格的上限 32767 个字符，只导出了前 "
                   "32767 个字符。");

// A row's values as a grid shows them: amounts with two decimals, numbers
// in full, nothing for a null value.
QStringList texts(const QVariantList &row);

struct Written
{
    QString failure;     // empty when the workbook is in place
    qint64 cutCells = 0; // texts longer than a cell holds, cut to its limit
};

// Writes under a temporary name beside path and renames it to path when
// complete. On failure (why in failure) path is untouched.
Written write(const QString &path, const QString &sheetName, const QStringList &headers,
              const QList<QVariantList> &rows);
// The same with rows that source hands to its argument one at a time, so
// that a long table is never held whole. What source throws passes through,
// with path untouched.
using RowSink = std::function<void(const QVariantList &row)>;
Written write(const QString &path, const QString &sheetName, const QStringList &headers,
              const std::function<void(const RowSink &)> &source);

} // namespace TableExport
