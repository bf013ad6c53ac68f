#pragma once

#include <QString>
#include <functional>

class Database;
struct Session;

// The login check: the name and password are trimmed, the name compared
// without regard to letter case, the password verified against its hash.
namespace Login {

inline const QString kEmptyName = QStringLiteral("请输入登陆用户名！");
inline const QString kInvalid = QStringLiteral("无效管理员账号，请勿非法登陆！");

enum class Result { EmptyName, Invalid, Ok };
// Checks a password against a stored hash (PasswordHash::verify).
using Verifier = std::function<bool(const QString &storedHash, const QString &password)>;
// Throws StoreError when the database fails. A name that is not registered
// is verified against PasswordHash::unknownUserHash() all the same, so the
// answer takes as long as for a wrong password.
Result check(Database &store, const QString &typedName, const QString &typedPassword,
             const Verifier &verify = {});

// The session of a login that succeeded: the name and password as typed,
// and the role of the account. Throws StoreError.
Session sessionOf(Database &store, const QString &typedName, const QString &typedPassword);

} // namespace Login
