#pragma once

#include "store/AuditLog.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class Database;

// 操作日志 as the screens use it: they read it, and a workbook they write is
// recorded here, in a transaction of its own. Throws StoreError when the
// database fails.
namespace AuditTrail {

QStringList kinds();
// The rows newest first between from and to (days included), of one kind or
// every kind (empty).
QList<AuditLog::Row> rows(Database &store, const QDate &from, const QDate &to, const QString &kind);
// Records the export of the file at path, by its file name.
void recordExport(Database &store, const QString &path);
// Records the printing of a report, by its title.
void recordPrint(Database &store, const QString &title);

} // namespace AuditTrail
