#include "rules/admins/Login.h"

#include "rules/admins/PasswordHash.h"
#include "store/AdminTable.h"
#include "store/AuditLog.h"
#include "store/MemberStore.h"

namespace Login {

Result check(MemberStore &store, const QString &typedName, const QString &typedPassword)
{
    if (typedName.isEmpty())
        return Result::EmptyName;
    const QString name = typedName.trimmed();
    if (name.isEmpty())
        return Result::Invalid;
    AdminTable admins(store);
    for (const Admin &a : admins.byName(name)) {
        if (PasswordHash::verify(a.passwordHash, typedPassword)) {
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

} // namespace Login
