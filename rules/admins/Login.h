#pragma once

#include <QString>

class MemberStore;

// The login check: the name and password are trimmed, the name compared
// without regard to letter case, the password verified against its hash.
namespace Login {

inline const QString kEmptyName = QStringLiteral("请输入登陆用户名！");
inline const QString kInvalid = QStringLiteral("无效管理员账号，请勿非法登陆！");

enum class Result { EmptyName, Invalid, Ok };
// Throws StoreError when the database fails.
Result check(MemberStore &store, const QString &typedName, const QString &typedPassword);

} // namespace Login
