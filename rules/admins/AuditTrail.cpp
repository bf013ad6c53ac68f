#include "rules/admins/AuditTrail.h"

#include <QFileInfo>

namespace AuditTrail {

QStringList kinds()
{
    return AuditLog::kinds();
}

QList<AuditLog::Row> rows(MemberStore &store, const QDate &from, const QDate &to,
                          const QString &kind)
{
    return AuditLog(store).rows(from, to, kind);
}

void recordExport(MemberStore &store, const QString &path)
{
    AuditLog::record(store, AuditLog::kExport, QFileInfo(path).fileName());
}

void recordPrint(MemberStore &store, const QString &title)
{
    AuditLog::record(store, AuditLog::kPrint, title);
}

} // namespace AuditTrail
