#pragma once

#include "base/Money.h"
#include "store/MemberStore.h"
#include "store/MemberTable.h"

#include <QtTest>

// Members written straight into the table, and read back, for tests that
// need a populated database.
inline qint64 addMember(MemberStore &store, const QString &name, const QString &phone,
                        const QString &referrer = {}, const QString &referrerPhone = {},
                        Money balance = {})
{
    Member m;
    m.name = name;
    m.sex = QStringLiteral("男");
    m.phone = phone;
    m.referrer = referrer;
    m.referrerPhone = referrerPhone;
    m.balance = balance;
    m.registered = QDate(2026, 1, 2);
    return MemberTable(store).insert(m);
}

inline Member memberAt(MemberStore &store, qint64 id)
{
    const std::optional<Member> m = MemberTable(store).byId(id);
    if (!m)
        qFatal("no member with id %lld", id);
    return *m;
}

inline Money yuan(const char *text)
{
    return Money::fromStored(QString::fromLatin1(text));
}
