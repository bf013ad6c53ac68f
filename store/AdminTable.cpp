#include "store/AdminTable.h"

#include "base/StoreError.h"
#include "store/MemberStore.h"

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
        QStringLiteral("SELECT rowid, 管理员名字, 备注 FROM 管理员登记 ORDER BY rowid"));
    QList<Admin> rows;
    while (q.next())
        rows << Admin{q.value(0).toLongLong(), q.value(1).toString(), QString(),
                      q.value(2).toString()};
    q.finish();
    return rows;
}

qint64 AdminTable::insert(const QString &name, const QString &passwordHash, const QString &remark)
{
    QSqlQuery &q = m_store.exec(
        QStringLiteral("INSERT INTO 管理员登记 (管理员名字, 密码, 备注) VALUES (?, ?, ?)"),
        {name, passwordHash, remark});
    const qint64 id = q.lastInsertId().toLongLong();
    q.finish();
    return id;
}

void AdminTable::setPasswordAndRemark(qint64 id, const QString &passwordHash, const QString &remark)
{
    m_store.exec(QStringLiteral("UPDATE 管理员登记 SET 密码 = ?, 备注 = ? WHERE rowid = ?"),
                 {passwordHash, remark, id});
    if (m_store.changes() != 1)
        throw StoreError(QStringLiteral("administrator %1 not found").arg(id));
}

int AdminTable::removeByName(const QString &name)
{
    m_store.exec(QStringLiteral("DELETE FROM 管理员登记 WHERE 管理员名字 = ?"), {name});
    return m_store.changes();
}

int AdminTable::removeById(qint64 id)
{
    m_store.exec(QStringLiteral("DELETE FROM 管理员登记 WHERE rowid = ?"), {id});
    return m_store.changes();
}
