#pragma once

#include "base/StoreError.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariantList>

// Prepares sql on q, binds values in order and runs it; throws StoreError
// with the driver's text when any step fails. For the store's own
// connections that do not go through Database::exec's statement cache.
inline void execBound(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
    if (!q.prepare(sql))
        throw StoreError(q.lastError().text());
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    if (!q.exec())
        throw StoreError(q.lastError().text());
}
