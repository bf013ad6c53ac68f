#pragma once

#include "base/Money.h"
#include "store/Database.h"
#include "store/MemberTable.h"

#include <QtTest>

// Member rows for tests. A row is male, registered 2026-01-02, with nothing
// consumed and no balance unless the builder says otherwise:
//     MemberRow(name, phone).referredBy(referrer).balance(yuan("5")).addTo(store);
class MemberRow
{
public:
    explicit MemberRow(const QString &name, const QString &phone = {})
    {
        m_row.name = name;
        m_row.sex = QStringLiteral("男");
        m_row.phone = phone;
        m_row.registered = QDate(2026, 1, 2);
    }

    MemberRow &referredBy(const QString &name, const QString &phone = {})
    {
        m_row.referrer = name;
        m_row.referrerPhone = phone;
        return *this;
    }
    MemberRow &balance(Money balance)
    {
        m_row.balance = balance;
        return *this;
    }
    MemberRow &consumed(Money total, qint64 times)
    {
        m_row.consumed = total;
        m_row.consumptions = times;
        return *this;
    }
    MemberRow &registered(QDate date)
    {
        m_row.registered = date;
        return *this;
    }

    operator Member() const { return m_row; }

    // Writes the row straight into the table; returns its id.
    qint64 addTo(Database &store) const { return MemberTable(store).insert(m_row); }

private:
    Member m_row;
};

// A regular customer: 70.10 consumed over 3 visits, 0.15 left, registered
// 2026-12-07.
inline Member sampleMember(const QString &name, const QString &phone, const QString &referrer = {},
                           const QString &referrerPhone = {})
{
    return MemberRow(name, phone)
        .referredBy(referrer, referrerPhone)
        .consumed(Money::fromFen(7010), 3)
        .balance(Money::fromFen(15))
        .registered(QDate(2026, 12, 7));
}

inline qint64 addMember(Database &store, const QString &name, const QString &phone = {},
                        const QString &referrer = {}, const QString &referrerPhone = {},
                        Money balance = {})
{
    return MemberRow(name, phone).referredBy(referrer, referrerPhone).balance(balance).addTo(store);
}

inline Member memberAt(Database &store, qint64 id)
{
    const std::optional<Member> m = MemberTable(store).byId(id);
    if (!m)
        qFatal("no member with id %lld", id);
    return *m;
}

// The names of the members with these ids, in the order of the ids.
inline QStringList namesOf(Database &store, const QList<qint64> &ids)
{
    QStringList names;
    for (const Member &m : MemberTable(store).byIds(ids))
        names << m.name;
    return names;
}

// Names written as UTF-8 literals, for tables of expected lists.
inline QStringList utf8Names(std::initializer_list<const char *> list)
{
    QStringList out;
    for (const char *n : list)
        out << QString::fromUtf8(n);
    return out;
}

inline Money yuan(const char *text)
{
    return Money::fromStored(QString::fromLatin1(text));
}

// The first column of every row of a statement, joined with sep.
inline QString joinedRows(Database &store, const QString &sql, QChar sep)
{
    QSqlQuery &q = store.exec(sql);
    QStringList values;
    while (q.next())
        values << q.value(0).toString();
    q.finish();
    return values.join(sep);
}
