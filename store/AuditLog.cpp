#include "store/AuditLog.h"

#include "base/Clock.h"
#include "store/MemberStore.h"

#include <QSqlQuery>

const QStringList &AuditLog::kinds()
{
    static const QStringList all = {kLogin,         kFailedLogin, kMemberModify, kMemberDelete,
                                    kAdminRegister, kAdminModify, kAdminDelete,  kSettings,
                                    kBackup,        kRestore,     kClear,        kExport,
                                    kReversal,      kPrint,       kPrintSettings};
    return all;
}

void AuditLog::add(const QString &kind, const QString &detail, const QString &admin)
{
    m_store.exec(
        QStringLiteral("INSERT INTO 操作日志 (时间, 管理员, 操作, 内容) VALUES (?, ?, ?, ?)"),
        {Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), admin, kind, detail});
}

void AuditLog::record(MemberStore &store, const QString &kind, const QString &detail)
{
    Transaction tx(store);
    AuditLog(store).add(kind, detail, store.operatorName());
    tx.commit();
}

QList<AuditLog::Row> AuditLog::rows(const QDate &from, const QDate &to, const QString &kind)
{
    const QString start = from.isValid() ? from.toString(Qt::ISODate) : QString();
    const QString end = to.isValid() ? to.addDays(1).toString(Qt::ISODate) : QStringLiteral("9999");
    QSqlQuery &q = m_store.exec(
        QStringLiteral("SELECT 序号, 时间, 管理员, 操作, 内容 FROM 操作日志 "
                       "WHERE 时间 >= ? AND 时间 < ? AND (? = '' OR 操作 = ?) ORDER BY 序号 DESC"),
        {start, end, kind, kind});
    QList<Row> found;
    while (q.next()) {
        Row r;
        r.number = q.value(0).toLongLong();
        r.time =
            QDateTime::fromString(q.value(1).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        r.admin = q.value(2).toString();
        r.kind = q.value(3).toString();
        r.detail = q.value(4).toString();
        found << r;
    }
    q.finish();
    return found;
}
