#include "store/AdminTable.h"

#include "base/StoreError.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QDateTime>
#include <QSqlQuery>

QList<Admin> AdminTable::byName(const QString &name)
{
    QSqlQuery &q = m_store.exec(
        QStringLiteral("SELECT rowid, 管理员名字, 密码, 备注 FROM 管理员登记 WHERE 管理员名字 = ? "
                       "ORDER BY rowid"),
        {name});
    QList<Admin> rows;
    while (q.next())
        rows << Admin{q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(),
                      q.value(3).toString()};
    q.finish();
    return rows;
}

bool AdminTable::exists(const QString &name)
{
    return m_store
        .scalar(QStringLiteral("SELECT 1 FROM 管理员登记 WHERE 管理员名字 = ? LIMIT 1"), {name})
        .isValid();
}

QList<Admin> AdminTable::listWithoutPasswords()
{
    QSqlQuery &q = m_store.exec(
        QStringLiteral("SELECT a.rowid, a.管理员名字, a.备注, r.角色 FROM 管理员登记 a "
                       "LEFT JOIN 管理员角色 r ON r.管理员名字 = a.管理员名字 ORDER BY a.rowid"));
    QList<Admin> rows;
    while (q.next()) {
        Admin a{q.value(0).toLongLong(), q.value(1).toString(), QString(), q.value(2).toString(),
                Roles::fromName(q.value(3).toString())};
        if (a.name.compare(Schema::kBuiltInAdmin, Qt::CaseInsensitive) == 0)
            a.role = Role::Owner;
        rows << a;
    }
    q.finish();
    return rows;
}

Role AdminTable::roleOf(const QString &name)
{
    if (name.compare(Schema::kBuiltInAdmin, Qt::CaseInsensitive) == 0)
        return Role::Owner;
    return Roles::fromName(
        m_store.scalar(QStringLiteral("SELECT 角色 FROM 管理员角色 WHERE 管理员名字 = ?"), {name})
            .toString());
}

void AdminTable::setRole(const QString &name, Role role)
{
    m_store.exec(QStringLiteral("INSERT INTO 管理员角色 (管理员名字, 角色) VALUES (?, ?) "
                                "ON CONFLICT (管理员名字) DO UPDATE SET 角色 = excluded.角色"),
                 {name, Roles::name(role)});
}

void AdminTable::dropRoleIfUnused(const QString &name)
{
    m_store.exec(QStringLiteral("DELETE FROM 管理员角色 WHERE 管理员名字 = ? AND NOT EXISTS "
                                "(SELECT 1 FROM 管理员登记 WHERE 管理员名字 = ?)"),
                 {name, name});
}

qint64 AdminTable::insert(const QString &name, const QString &passwordHash, const QString &remark,
                          Role role)
{
    const qint64 id =
        m_store
            .insertReturning(
                QStringLiteral("INSERT INTO 管理员登记 (管理员名字, 密码, 备注) VALUES (?, ?, ?)"),
                {name, passwordHash, remark})
            .value_or(0);
    setRole(name, role);
    return id;
}

void AdminTable::setPasswordAndRemark(qint64 id, const QString &passwordHash, const QString &remark)
{
    m_store.exec(QStringLiteral("UPDATE 管理员登记 SET 密码 = ?, 备注 = ? WHERE rowid = ?"),
                 {passwordHash, remark, id});
    if (m_store.rowsChanged() != 1)
        throw StoreError(QStringLiteral("administrator %1 not found").arg(id));
}

void AdminTable::setRemark(qint64 id, const QString &remark)
{
    m_store.exec(QStringLiteral("UPDATE 管理员登记 SET 备注 = ? WHERE rowid = ?"), {remark, id});
    if (m_store.rowsChanged() != 1)
        throw StoreError(QStringLiteral("administrator %1 not found").arg(id));
}

int AdminTable::removeByName(const QString &name)
{
    m_store.exec(QStringLiteral("DELETE FROM 管理员登记 WHERE 管理员名字 = ?"), {name});
    const int removed = m_store.rowsChanged();
    dropRoleIfUnused(name);
    return removed;
}

int AdminTable::removeById(qint64 id)
{
    const QString name =
        m_store.scalar(QStringLiteral("SELECT 管理员名字 FROM 管理员登记 WHERE rowid = ?"), {id})
            .toString();
    m_store.exec(QStringLiteral("DELETE FROM 管理员登记 WHERE rowid = ?"), {id});
    const int removed = m_store.rowsChanged();
    dropRoleIfUnused(name);
    return removed;
}
