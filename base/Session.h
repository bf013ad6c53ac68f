#pragma once

#include <QString>

// What an account may do: a shop's owner (店长) may do everything, a cashier
// (收银员) the daily work. The built-in account is always an owner.
enum class Role { Cashier, Owner };

namespace Roles {
inline const QString kOwner = QStringLiteral("店长");
inline const QString kCashier = QStringLiteral("收银员");

inline QString name(Role role)
{
    return role == Role::Owner ? kOwner : kCashier;
}
// Anything but the owner's name is a cashier.
inline Role fromName(const QString &text)
{
    return text == kOwner ? Role::Owner : Role::Cashier;
}
} // namespace Roles

// Who is logged in: the name and password exactly as typed at login (not
// trimmed), and the account's role. Every screen that re-checks a password
// or is kept for owners reads this one object; an administrator who changes
// his own password replaces it here.
struct Session
{
    QString name;
    QString password;
    Role role = Role::Cashier;
    // The long hint on paying in cash has been shown since this login.
    bool cashHintShown = false;

    // Whether a password typed to confirm an action is the one typed at
    // login: exact comparison, letter case and blanks included, so Cancel
    // (an empty answer) never confirms unless the password is empty.
    bool confirms(const QString &typed) const { return typed == password; }

    // The built-in account, by exact comparison of the name as typed.
    bool isBuiltInAdmin() const { return name == QLatin1String("admin"); }

    bool isOwner() const { return role == Role::Owner; }
};
