#pragma once

#include "store/AdminTable.h"

#include <QString>
#include <optional>

class Database;
struct Session;

// Administrator accounts: registering one, changing one's own password and
// remark, deleting one. Passwords are checked and hashed in their canonical
// form (PasswordHash), the same form the login verifies, so every account
// that can be registered can log in.
namespace AdminRules {

inline const QString kNotAcknowledged = QStringLiteral("未勾选注意事项，无法注册");
inline const QString kEmptyId = QStringLiteral("必须输入管理员ID名称！");
inline const QString kEmptyPassword = QStringLiteral("密码不能为空！");
inline const QString kPasswordsDiffer = QStringLiteral("两次密码不一致！请重新输入！");
inline const QString kIdTaken = QStringLiteral("该管理员ID已存在，请重新输入");
inline const QString kNotOwnAccount =
    QStringLiteral("只能修改当前登陆的管理员信息！拒绝修改-当前所选管理员！");
inline const QString kWrongOldPassword = QStringLiteral("原密码不符，非法修改，请输入正确密码！");
inline const QString kNothingSelected = QStringLiteral("请选择要删除的信息");
inline const QString kWrongDeletePassword = QStringLiteral("密码验证错误，请勿非法删除管理员！");
inline const QString kDeleteWarningTitle = QStringLiteral("删除警告");
inline const QString kBuiltInNotDeletable = QStringLiteral("内置管理员账号 admin 不能删除！");
inline const QString kDeleted = QStringLiteral("管理员已删除！确认后退出系统！");
inline const QString kBuiltInName = QStringLiteral("admin");
inline const QString kDeliveredPassword = QStringLiteral("123456");
// The built-in account's remark in a new database.
inline const QString kBuiltInRemark = QStringLiteral("系统内置管理员");
inline const QString kDeliveredPasswordNotice = QStringLiteral("默认密码尚未修改，请尽快修改");
inline const QString kOwnerGivesRoles = QStringLiteral("只有店长可以设置管理员角色！");
inline const QString kWrongOwnerPassword = QStringLiteral("店长密码有误，拒绝修改！");
inline const QString kOtherDeleted = QStringLiteral("管理员已删除！");
// What the old-password box of 修改资料 asks for when an owner changes
// another account.
inline const QString kOwnerPasswordCaption = QStringLiteral("店长密码");

QString registeredMessage(const QString &id);
QString modifiedMessage(const QString &id);

// What a screen shows after an action.
struct Outcome
{
    enum class Focus { None, Id, Password };

    bool written = false; // the database was changed
    QString message;
    QString title;      // empty: the application's title
    bool error = false; // shown with the error icon
    Focus focus = Focus::None;
    bool passwordRejected = false; // the new password and its repetition are typed anew
    bool endsProgram = false;      // the session's own account was deleted
};

// An account as the operator enters it to register or modify it.
struct Entry
{
    bool acknowledged = false;
    QString id;
    QString password;
    QString repeat;
    QString remark;
    // Registration: a cashier unless told; modify: the role stays unless told.
    std::optional<Role> role;
};

// Checks the entry in order and stores the account in one transaction. The
// ID is stored without blanks at either end (the login trims the name it is
// given); the password as its hash; the remark as typed. An ID that differs
// from an existing one only in ASCII letter case counts as taken.
// Throws StoreError when the database fails.
// The account is a cashier, whatever the entry's role.
Outcome registerAccount(Database &store, const Entry &entry);
// The same with the entry's role, which only an owner may make 店长.
Outcome registerAccount(Database &store, const Session &by, const Entry &entry);

// Whether the row is the logged-in administrator's own account, by exact
// comparison with the name typed at login.
bool isOwnAccount(const Session &session, const QString &rowName);
// Whether the built-in account still has the password it was delivered
// with. When the session is that account, the password typed at login
// answers without a hash to compute. Throws StoreError when the database
// fails.
bool builtInHasDeliveredPassword(Database &store, const Session &session);

// Whether the session may modify the row: his own, and for an owner every
// account.
bool mayModify(const Session &session, const QString &rowName);
// Whether the row may be deleted: every account but the built-in one.
bool isDeletable(const QString &rowName);
// Whether the session may delete the row: a deletable account, his own or,
// for an owner, any.
bool mayDelete(const Session &session, const QString &rowName);
// The role box of 修改资料 and 管理员注册: only an owner gives roles, and the
// built-in account stays an owner.
bool mayGiveRole(const Session &session, const QString &rowName);

// Changes an account in one transaction.
// - His own: the password and remark, after verifying oldPassword against
//   the stored hash; on success the session's password becomes the new one
//   as typed, and his role the entry's (an owner may step down).
// - Another's (owners only, kNotOwnAccount for a cashier): oldPassword is
//   the owner's own password; the remark and role are set, and the password
//   is reset to the new one, or kept when both password boxes are empty.
// The built-in account's role stays 店长. Throws StoreError when the
// database fails or the row is gone.
Outcome modify(Database &store, Session &session, const Admin &row, const Entry &entry,
               const QString &oldPassword);

// Deletes the row once the typed password verifies against that account's
// own hash. The caller ends the program after showing the message of a
// successful deletion. Throws StoreError when the database fails or the row
// is gone.
Outcome remove(Database &store, const Admin &row, const QString &typedPassword);
// The same for the session's own account; another account only an owner
// deletes, with his own password, and the program goes on.
Outcome remove(Database &store, const Session &session, const Admin &row,
               const QString &typedPassword);

} // namespace AdminRules
