#pragma once

#include <QString>

// Who is logged in: the name and password exactly as typed at login (not
// trimmed). Every screen that re-checks a password or is kept for the
// built-in account reads this one object; an administrator who changes his
// own password replaces it here.
struct Session
{
    QString name;
    QString password;
    // The long hint on paying in cash has been shown since this login.
    bool cashHintShown = false;

    // Whether a password typed to confirm an action is the one typed at
    // login: exact comparison, letter case and blanks included, so Cancel
    // (an empty answer) never confirms unless the password is empty.
    bool confirms(const QString &typed) const { return typed == password; }

    // The built-in account, by exact comparison of the name as typed.
    bool isBuiltInAdmin() const { return name == QLatin1String("admin"); }
};
