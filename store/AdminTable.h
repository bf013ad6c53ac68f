#pragma once

#include "store/Admin.h"

#include <QList>
#include <QString>

class Database;

// Statements on 管理员登记 and the roles beside it in 管理员角色. Names
// compare without regard to ASCII letter case. Throws StoreError when the
// database fails.
class AdminTable
{
public:
    explicit AdminTable(Database &store) : m_store(store) {}

    // Every administrator with this name, in registration order.
    QList<Admin> byName(const QString &name);
    bool exists(const QString &name);
    // Names, remarks and roles of all administrators in registration order;
    // the password hashes are not loaded.
    QList<Admin> listWithoutPasswords();

    // The role of the account with this name: the built-in account is always
    // an owner, an account without a stored role a cashier.
    Role roleOf(const QString &name);
    void setRole(const QString &name, Role role);

    // Adds the account with its role.
    qint64 insert(const QString &name, const QString &passwordHash, const QString &remark,
                  Role role = Role::Cashier);
    void setPasswordAndRemark(qint64 id, const QString &passwordHash, const QString &remark);
    void setRemark(qint64 id, const QString &remark);
    // Both remove the role too once no account of that name is left.
    int removeByName(const QString &name);
    // Removes exactly the row with this rowid; returns the rows removed.
    int removeById(qint64 id);

private:
    void dropRoleIfUnused(const QString &name);

    Database &m_store;
};
