#include "rules/admins/AdminRules.h"

#include "base/Session.h"
#include "base/StoreError.h"
#include "rules/admins/PasswordHash.h"
#include "store/AuditLog.h"
#include "store/MemberStore.h"

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

Outcome registerAccount(MemberStore &store, const Entry &entry)
{
    if (std::optional<Outcome> problem = entryProblem(entry))
        return *problem;
    const QString id = entry.id.trimmed();
    AdminTable admins(store);
    Transaction tx(store);
    if (admins.exists(id))
        return refused(kIdTaken, Outcome::Focus::Id);
    admins.insert(id, PasswordHash::hash(entry.password), entry.remark);
    AuditLog(store).add(AuditLog::kAdminRegister, QStringLiteral("管理员 ") + id,
                        store.operatorName());
    tx.commit();
    return written(registeredMessage(id));
}

bool isOwnAccount(const Session &session, const QString &rowName)
{
    return rowName == session.name;
}

bool builtInHasDeliveredPassword(MemberStore &store, const Session &session)
{
    if (session.isBuiltInAdmin())
        return PasswordHash::canonical(session.password) == kDeliveredPassword;
    const QList<Admin> rows = AdminTable(store).byName(kBuiltInName);
    return std::any_of(rows.begin(), rows.end(), [](const Admin &row) {
        return row.name == kBuiltInName &&
               PasswordHash::verify(row.passwordHash, kDeliveredPassword);
    });
}

bool isDeletable(const QString &rowName)
{
    return rowName != kBuiltInName;
}

Outcome modify(MemberStore &store, Session &session, const Admin &row, const Entry &entry,
               const QString &oldPassword)
{
    if (!isOwnAccount(session, row.name))
        return refusedWithError(kNotOwnAccount);
    if (std::optional<Outcome> problem = entryProblem(entry))
        return *problem;
    AdminTable admins(store);
    Transaction tx(store);
    const Admin stored = storedRow(admins, row);
    if (!PasswordHash::verify(stored.passwordHash, oldPassword))
        return refusedWithError(kWrongOldPassword);
    admins.setPasswordAndRemark(row.id, PasswordHash::hash(entry.password), entry.remark);
    AuditLog(store).add(AuditLog::kAdminModify,
                        QStringLiteral("管理员 ") + row.name +
                            QStringLiteral("，密码已更换，备注：") + stored.remark +
                            QStringLiteral(" → ") + entry.remark,
                        session.name);
    tx.commit();
    session.password = entry.password;
    return written(modifiedMessage(row.name));
}

Outcome remove(MemberStore &store, const Admin &row, const QString &typedPassword)
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
    return written(kDeleted);
}

} // namespace AdminRules
