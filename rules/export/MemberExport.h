#pragma once

#include "workbook/TableExport.h"

#include <QString>
#include <optional>

class DiskCalls;
class Database;
struct Session;

// Writes the member table to an Excel 97 workbook: worksheet sheet1 holds a
// header row with the column names of 会员登记 in table order and one row per
// member; beyond kMembersPerSheet members the rows continue on sheet2,
// sheet3, ..., each with its own header row. Texts are text cells, money
// and counts numbers, the registration date a date cell; empty values leave
// the cell out. Rows are streamed from the store (XlsWriter).
namespace MemberExport {

constexpr int kMembersPerSheet = 65535;

using Written = TableExport::Written;

// Writes the workbook under a temporary name beside path and renames it to
// path when it is complete and on disk, replacing an earlier file. On
// failure (why in failure) path is untouched and nothing is left behind.
// Every disk call goes through calls. Throws StoreError when the database
// fails.
Written write(Database &store, const QString &path, DiskCalls &calls);
Written write(Database &store, const QString &path);
// The same on a thread of its own: reads through a connection of that
// thread to the store's file (the store itself is not touched).
Written writeAlongside(const Database &store, const QString &path);

inline const QString kNotAllowed =
    QStringLiteral("本管理员不具有导出功能，请使用正确的管理员账号！");
inline const QString kWrongPassword = QStringLiteral("管理员密码有误，请勿非法导出数据！");
inline const QString kExported = QStringLiteral("数据已导出！ "); // followed by the date
inline const QString kFailed = QStringLiteral("数据导出失败！");
// After kExported and the date, on a line of its own, when texts were cut.
inline const QString &kCut = TableExport::kCut;

// The export screen's action: the typed password must equal the session's
// exactly; then the workbook is written to path.
struct Outcome
{
    enum class Kind {
        Refused,  // wrong password: show message, the screen stays open
        Exported, // show message, close the screen
        Failed,   // show message as an error, the screen stays open
    } kind;
    QString message;
};
// The same action in its three steps, for a screen that writes the workbook
// on a thread of its own: the password first (the refusal, or nullopt),
// then write() on that thread's connection, then finish() back on the
// window's thread, which tells the outcome and writes the audit row of an
// export that succeeded. finish() throws StoreError when the database fails.
std::optional<Outcome> refusal(const Session &session, const QString &typed);
Outcome finish(Database &store, const QString &path, const Written &written);

// Throws StoreError when the database fails (nothing has been written).
Outcome run(Database &store, const QString &path, const Session &session, const QString &typed,
            DiskCalls &calls);
Outcome run(Database &store, const QString &path, const Session &session, const QString &typed);

} // namespace MemberExport
