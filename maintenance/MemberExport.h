#pragma once

#include <QString>

class MemberStore;

// Writes the member table to an Excel 97 workbook: worksheet sheet1 holds a
// header row with the column names of 会员登记 in table order and one row per
// member; beyond kMembersPerSheet members the rows continue on sheet2,
// sheet3, ..., each with its own header row. Texts are text cells, money
// and counts numbers, the registration date a date cell; empty values leave
// the cell out. Rows are streamed from the store.
namespace MemberExport {

constexpr int kMembersPerSheet = 65535;

// Writes the workbook under a temporary name beside path and renames it to
// path when it is complete, replacing an earlier file. Returns an empty text
// on success, otherwise why it failed (path is then untouched). Throws
// StoreError when the database fails.
QString write(MemberStore &store, const QString &path);

} // namespace MemberExport
