#pragma once

#include <QList>
#include <QString>
#include <optional>

class MemberStore;

// One row of 管理员登记. The password column holds an Argon2id hash.
struct Admin
{
    qint64 id = 0;
    QString name;
    QString passwordHash;
    QString remark;
};

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

// The one row of 提成基数, once the commission mode is chosen.
struct CommissionSetting
{
    qint64 fixedYuan = 0; // 固定提成
    qint64 percent = 0;   // 消费比例提成
};

class CommissionTable
{
public:
    explicit CommissionTable(MemberStore &store) : m_store(store) {}

    // The first stored row, or nothing while the mode has not been chosen.
    std::optional<CommissionSetting> load();
    bool isSet() { return load().has_value(); }
    // Stores the row when the table is empty; returns false (and writes
    // nothing) when a row exists already. The caller holds the transaction.
    bool storeIfUnset(const CommissionSetting &setting);

private:
    MemberStore &m_store;
};

// 现金: one row per consumption paid in cash.
class CashLog
{
public:
    explicit CashLog(MemberStore &store) : m_store(store) {}

    // Adds a row with 名称 "现金消费"; when is stored as "yyyy-MM-dd HH:mm:ss".
    void add(const class QDateTime &when, const QString &amountText);
    qint64 count();

private:
    MemberStore &m_store;
};
