#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

// Any table of rows to an Excel 97 workbook with one worksheet: a header
// row, then the rows. A QString is a text cell (an empty one is left out),
// an integer or a double a number cell, a QDate a date cell. Rows beyond
// what one worksheet holds continue on the next.
namespace TableExport {

// Writes under a temporary name beside path and renames it to path when
// complete. Returns an empty text on success, otherwise why it failed.
QString write(const QString &path, const QString &sheetName, const QStringList &headers,
              const QList<QVariantList> &rows);

} // namespace TableExport
