#include "rules/admins/Login.h"

#include "rules/admins/PasswordHash.h"
#include "store/AdminTable.h"

namespace Login {

Result check(MemberStore &store, const QString &typedName, const QString &typedPassword)
{
    if (typedName.isEmpty())
        return Result::EmptyName;
    const QString name = typedName.trimmed();
    if (name.isEmpty())
        return Result::Invalid;
    AdminTable admins(store);
    for (const Admin &a : admins.byName(name))
        if (PasswordHash::verify(a.passwordHash, typedPassword))
            return Result::Ok;
    return Result::Invalid;
}

} // namespace Login
