#pragma once

#include "rules/admins/AdminRules.h"
#include "store/Database.h"

#include <QtTest>

namespace AdminTesting {

// Registers an account the way the registration screen does.
inline void registerAccount(Database &store, const QString &id, const QString &password,
                            const QString &remark = {})
{
    const AdminRules::Outcome o =
        AdminRules::registerAccount(store, {true, id, password, password, remark});
    if (!o.written)
        qFatal("cannot register %s: %s", qPrintable(id), qPrintable(o.message));
}

} // namespace AdminTesting
