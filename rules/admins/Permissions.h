#pragma once

#include <QDateTime>
#include <QString>

struct Session;

// Who may do what. An owner (店长) may do everything; a cashier (收银员) the
// daily work: registering members, consumptions, recharges, searches,
// statements, backups, and his own account. Screens disable what the
// session may not use, with kOwnerOnly as the tooltip; the rules refuse it.
namespace Permissions {

inline const QString kOwnerOnly = QStringLiteral("仅店长可用");
inline const QString kRefused = QStringLiteral("此操作仅店长可用，请使用店长账号登录！");

enum class Action {
    Restore,       // every kind of restore
    Clear,         // 清空数据
    Export,        // 会员资料导出
    AuditLog,      // 操作日志
    ChangeMembers, // member modify and delete
    ReverseAny,    // reversing a consumption someone else entered, or an old one
    Settings,      // commission settings
    OtherAccounts, // modify, delete and reset the password of another account
};

bool allows(const Session &session, Action action);

// How long a cashier may reverse a consumption he entered himself.
constexpr qint64 kOwnReversalSeconds = 15 * 60;

// Whether the session may reverse a consumption entered by enteredBy at
// enteredAt, at now: an owner any, a cashier only his own of the last 15
// minutes.
bool mayReverse(const Session &session, const QString &enteredBy, const QDateTime &enteredAt,
                const QDateTime &now);

} // namespace Permissions
