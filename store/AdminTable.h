#pragma once

#include "store/Admin.h"

#include <QList>
#include <QString>

class MemberStore;

// Statements on 管理员登记. Names compare without regard to ASCII letter
// case. Throws StoreError when the database fails.
class AdminTable
{
public:
    explicit AdminTable(MemberStore &store) : m_store(store) {}

    // Every administrator with this name, in registration order.
    QList<Admin> byName(const QString &name);
    bool exists(const QString &name);
    // Names and remarks of all administrators in registration order; the
    // password hashes are not loaded.
    QList<Admin> listWithoutPasswords();

    qint64 insert(const QString &name, const QString &passwordHash, const QString &remark);
    void setPasswordAndRemark(qint64 id, const QString &passwordHash, const QString &remark);
    int removeByName(const QString &name);
    // Removes exactly the row with this rowid; returns the rows removed.
    int removeById(qint64 id);

private:
    MemberStore &m_store;
};
