#include "rules/admins/Login.h"

#include "base/Session.h"
#include "rules/admins/PasswordHash.h"
#include "store/AdminTable.h"
#include "store/AuditLog.h"
#include "store/Database.h"

namespace Login {

Result check(Database &store, const QString &typedName, const QString &typedPassword,
             const Verifier &verify)
{
    const Verifier &verifier = verify ? verify : Verifier(PasswordHash::verify);
    if (typedName.isEmpty())
        return Result::EmptyName;
    const QString name = typedName.trimmed();
    const QList<Admin> found = name.isEmpty() ? QList<Admin>() : AdminTable(store).byName(name);
    if (found.isEmpty())
        verifier(PasswordHash::unknownUserHash(), typedPassword);
    for (const Admin &a : found) {
        if (verifier(a.passwordHash, typedPassword)) {
            store.setOperatorName(name);
            Transaction tx(store);
            AuditLog(store).add(AuditLog::kLogin, {}, name);
            tx.commit();
            return Result::Ok;
        }
    }
    // Only the name goes to the log, never what was typed as the password.
    Transaction tx(store);
    AuditLog(store).add(AuditLog::kFailedLogin, QStringLiteral("登录名：") + name, {});
    tx.commit();
    return Result::Invalid;
}

Session sessionOf(Database &store, const QString &typedName, const QString &typedPassword)
{
    return Session{typedName, typedPassword, AdminTable(store).roleOf(typedName.trimmed())};
}

} // namespace Login
