#include "rules/admins/AuditTrail.h"

#include <QFileInfo>

namespace AuditTrail {

QStringList kinds()
{
    return AuditLog::kinds();
}

QList<AuditLog::Row> rows(Database &store, const QDate &from, const QDate &to, const QString &kind)
{
    return AuditLog(store).rows(from, to, kind);
}

void recordExport(Database &store, const QString &path)
{
    AuditLog::record(store, AuditLog::kExport, QFileInfo(path).fileName());
}

void recordPrint(Database &store, const QString &title)
{
    AuditLog::record(store, AuditLog::kPrint, title);
}

} // namespace AuditTrail
