#include "rules/admins/Login.h"

#include "rules/admins/PasswordHash.h"
#include "store/AdminTable.h"

namespace Login {

Result check(MemberStore &store, const QString &typedName, const QString &typedPassword,
             const Verifier &verify)
{
    const Verifier &verifier = verify ? verify : Verifier(PasswordHash::verify);
    if (typedName.isEmpty())
        return Result::EmptyName;
    const QString name = typedName.trimmed();
    const QList<Admin> found = name.isEmpty() ? QList<Admin>() : AdminTable(store).byName(name);
    if (found.isEmpty()) {
        verifier(PasswordHash::unknownUserHash(), typedPassword);
        return Result::Invalid;
    }
    for (const Admin &a : found)
        if (verifier(a.passwordHash, typedPassword))
            return Result::Ok;
    return Result::Invalid;
}

} // namespace Login
