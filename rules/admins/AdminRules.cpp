#include "rules/admins/AdminRules.h"

#include "base/Session.h"
#include "base/StoreError.h"
#include "rules/admins/PasswordHash.h"
#include "rules/admins/Permissions.h"
#include "store/AuditLog.h"
#include "store/Database.h"

#include <algorithm>
#include <optional>

namespace AdminRules {

namespace {

Outcome refused(const QString &message, Outcome::Focus focus = Outcome::Focus::None)
{
    Outcome o;
    o.message = message;
    o.focus = focus;
    return o;
}

Outcome refusedWithError(const QString &message, const QString &title = {})
{
    Outcome o = refused(message);
    o.error = true;
    o.title = title;
    return o;
}

Outcome written(const QString &message)
{
    Outcome o;
    o.written = true;
    o.message = message;
    return o;
}

// The checks registration and modify share, in their order.
std::optional<Outcome> entryProblem(const Entry &entry)
{
    if (!entry.acknowledged)
        return refused(kNotAcknowledged);
    if (entry.id.trimmed().isEmpty())
        return refused(kEmptyId, Outcome::Focus::Id);
    std::optional<Outcome> problem;
    if (PasswordHash::isBlank(entry.password) || PasswordHash::isBlank(entry.repeat))
        problem = refused(kEmptyPassword, Outcome::Focus::Password);
    else if (entry.password != entry.repeat)
        problem = refused(kPasswordsDiffer, Outcome::Focus::Password);
    if (problem)
        problem->passwordRejected = true;
    return problem;
}

StoreError rowGone(const Admin &row)
{
    return StoreError(QStringLiteral("管理员账号 %1 已不存在").arg(row.name));
}

// The stored row with this rowid, looked up by its name.
Admin storedRow(AdminTable &admins, const Admin &row)
{
    for (const Admin &a : admins.byName(row.name))
        if (a.id == row.id)
            return a;
    throw rowGone(row);
}

} // namespace

QString registeredMessage(const QString &id)
{
    return QStringLiteral("管理员账号： ") + id + QStringLiteral(" 添加成功!");
}

QString modifiedMessage(const QString &id)
{
    return QStringLiteral("管理员账号： ") + id + QStringLiteral(" 资料修改成功!");
}

Outcome registerAccount(Database &store, const Entry &entry)
{
    Entry cashier = entry;
    cashier.role.reset();
    return registerAccount(store, Session{}, cashier);
}

Outcome registerAccount(Database &store, const Session &by, const Entry &entry)
{
    if (std::optional<Outcome> problem = entryProblem(entry))
        return *problem;
    const Role role = entry.role.value_or(Role::Cashier);
    if (role != Role::Cashier && !mayGiveRole(by, {}))
        return refusedWithError(kOwnerGivesRoles);
    const QString id = entry.id.trimmed();
    AdminTable admins(store);
    Transaction tx(store);
    if (admins.exists(id))
        return refused(kIdTaken, Outcome::Focus::Id);
    admins.insert(id, PasswordHash::hash(entry.password), entry.remark, role);
    AuditLog(store).add(AuditLog::kAdminRegister,
                        QStringLiteral("管理员 ") + id + QStringLiteral("，角色：") +
                            Roles::name(role),
                        store.operatorName());
    tx.commit();
    return written(registeredMessage(id));
}

bool isOwnAccount(const Session &session, const QString &rowName)
{
    return rowName == session.name;
}

bool builtInHasDeliveredPassword(Database &store, const Session &session)
{
    if (session.isBuiltInAdmin())
        return PasswordHash::canonical(session.password) == kDeliveredPassword;
    const QList<Admin> rows = AdminTable(store).byName(kBuiltInName);
    return std::any_of(rows.begin(), rows.end(), [](const Admin &row) {
        return row.name == kBuiltInName &&
               PasswordHash::verify(row.passwordHash, kDeliveredPassword);
    });
}

bool mayModify(const Session &session, const QString &rowName)
{
    return isOwnAccount(session, rowName) ||
           Permissions::allows(session, Permissions::Action::OtherAccounts);
}

bool isDeletable(const QString &rowName)
{
    return rowName != kBuiltInName;
}

bool mayDelete(const Session &session, const QString &rowName)
{
    return isDeletable(rowName) && mayModify(session, rowName);
}

bool mayGiveRole(const Session &session, const QString &rowName)
{
    return rowName.compare(kBuiltInName, Qt::CaseInsensitive) != 0 &&
           Permissions::allows(session, Permissions::Action::OtherAccounts);
}

Outcome modify(Database &store, Session &session, const Admin &row, const Entry &entry,
               const QString &oldPassword)
{
    if (!mayModify(session, row.name))
        return refusedWithError(kNotOwnAccount);
    const bool own = isOwnAccount(session, row.name);
    // An owner resetting another account may leave its password as it is.
    const bool keepPassword = !own && entry.password.isEmpty() && entry.repeat.isEmpty();
    Entry checked = entry;
    if (keepPassword)
        checked.password = checked.repeat = QStringLiteral("-");
    if (std::optional<Outcome> problem = entryProblem(checked))
        return *problem;
    AdminTable admins(store);
    const Role before = admins.roleOf(row.name);
    const Role after = entry.role.value_or(before);
    const bool roleChanges = after != before;
    if (roleChanges && !mayGiveRole(session, row.name))
        return refusedWithError(kOwnerGivesRoles);
    Transaction tx(store);
    const Admin stored = storedRow(admins, row);
    if (own && !PasswordHash::verify(stored.passwordHash, oldPassword))
        return refusedWithError(kWrongOldPassword);
    if (!own && !session.confirms(oldPassword))
        return refusedWithError(kWrongOwnerPassword);
    if (keepPassword)
        admins.setRemark(row.id, entry.remark);
    else
        admins.setPasswordAndRemark(row.id, PasswordHash::hash(entry.password), entry.remark);
    if (roleChanges)
        admins.setRole(row.name, after);
    QString detail = QStringLiteral("管理员 ") + row.name;
    if (!keepPassword)
        detail += own ? QStringLiteral("，密码已更换") : QStringLiteral("，密码已重置");
    if (roleChanges)
        detail += QStringLiteral("，角色：") + Roles::name(before) + QStringLiteral(" → ") +
                  Roles::name(after);
    detail += QStringLiteral("，备注：") + stored.remark + QStringLiteral(" → ") + entry.remark;
    AuditLog(store).add(AuditLog::kAdminModify, detail, session.name);
    tx.commit();
    if (own) {
        session.password = entry.password;
        if (roleChanges)
            session.role = after;
    }
    return written(modifiedMessage(row.name));
}

Outcome remove(Database &store, const Admin &row, const QString &typedPassword)
{
    if (!isDeletable(row.name))
        return refusedWithError(kBuiltInNotDeletable, kDeleteWarningTitle);
    AdminTable admins(store);
    Transaction tx(store);
    if (!PasswordHash::verify(storedRow(admins, row).passwordHash, typedPassword))
        return refusedWithError(kWrongDeletePassword, kDeleteWarningTitle);
    if (admins.removeById(row.id) != 1)
        throw rowGone(row);
    AuditLog(store).add(AuditLog::kAdminDelete, QStringLiteral("管理员 ") + row.name,
                        store.operatorName());
    tx.commit();
    Outcome o = written(kDeleted);
    o.endsProgram = true;
    return o;
}

Outcome remove(Database &store, const Session &session, const Admin &row,
               const QString &typedPassword)
{
    if (isOwnAccount(session, row.name))
        return remove(store, row, typedPassword);
    if (!isDeletable(row.name))
        return refusedWithError(kBuiltInNotDeletable, kDeleteWarningTitle);
    if (!mayDelete(session, row.name))
        return refusedWithError(Permissions::kRefused, kDeleteWarningTitle);
    if (!session.confirms(typedPassword))
        return refusedWithError(kWrongDeletePassword, kDeleteWarningTitle);
    AdminTable admins(store);
    Transaction tx(store);
    storedRow(admins, row);
    if (admins.removeById(row.id) != 1)
        throw rowGone(row);
    AuditLog(store).add(AuditLog::kAdminDelete, QStringLiteral("管理员 ") + row.name, session.name);
    tx.commit();
    return written(kOtherDeleted);
}

} // namespace AdminRules
