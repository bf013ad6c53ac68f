#pragma once

#include "store/MemberTable.h"

// A member row for tests: male, registered 2026-12-07, 70.1 consumed over 3
// consumptions, 0.15 balance.
inline Member sampleMember(const QString &name, const QString &phone, const QString &referrer = {},
                           const QString &referrerPhone = {})
{
    Member m;
    m.name = name;
    m.sex = QStringLiteral("男");
    m.phone = phone;
    m.consumed = Money::fromFen(7010);
    m.referrer = referrer;
    m.referrerPhone = referrerPhone;
    m.consumptions = 3;
    m.balance = Money::fromFen(15);
    m.registered = QDate(2026, 12, 7);
    return m;
}
