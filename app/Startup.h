#pragma once

#include <QString>

class DataFiles;
class MemberStore;

// The checks made before any screen is shown.
namespace Startup {

inline const QString kMissingDataFile =
    QStringLiteral("程序不完整，缺少必要的数据文件，程序无法执行，即将退出！");
inline const QString kUnusableDatabase =
    QStringLiteral("数据文件已损坏或不是本程序的数据库，程序无法执行，即将退出！");

// The message for the first missing database file, or an empty text when
// table.mdb and zero.mdb are both present.
QString missingFileMessage(const DataFiles &files);

// Opens the store; on failure returns the message to show before ending.
QString openStore(MemberStore &store);

} // namespace Startup

// The login check: the name and password are trimmed, the name compared
// without regard to letter case, the password verified against its hash.
namespace Login {

inline const QString kEmptyName = QStringLiteral("请输入登陆用户名！");
inline const QString kInvalid = QStringLiteral("无效管理员账号，请勿非法登陆！");

enum class Result { EmptyName, Invalid, Ok };
// Throws StoreError when the database fails.
Result check(MemberStore &store, const QString &typedName, const QString &typedPassword);

} // namespace Login
