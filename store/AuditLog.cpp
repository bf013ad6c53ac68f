#include "store/AuditLog.h"

#include "base/Clock.h"
#include "base/Session.h"
#include "store/MemberStore.h"
#include "store/Schema.h"

#include <QSqlQuery>

const QStringList &AuditLog::kinds()
{
    static const QStringList all = {kLogin,         kFailedLogin, kMemberModify, kMemberDelete,
                                    kAdminRegister, kAdminModify, kAdminDelete,  kSettings,
                                    kBackup,        kRestore,     kClear,        kExport,
                                    kReversal};
    return all;
}

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

} // namespace

void AuditLog::add(const QString &kind, const QString &detail, const QString &admin)
{
    // The role as it is now: an account's role can change later.
    const QString name = admin.trimmed();
    const QString role =
        name.compare(Schema::kBuiltInAdmin, Qt::CaseInsensitive) == 0
            ? Roles::kOwner
            : m_store
                  .scalar(QStringLiteral("SELECT 角色 FROM 管理员角色 WHERE 管理员名字 = ?"),
                          {name})
                  .toString();
    m_store.exec(QStringLiteral("INSERT INTO 操作日志 (时间, 管理员, 操作, 内容, 角色) "
                                "VALUES (?, ?, ?, ?, ?)"),
                 {Clock::now().toString(kTimeFormat), admin, kind, detail, role});
}

void AuditLog::record(MemberStore &store, const QString &kind, const QString &detail)
{
    Transaction tx(store);
    AuditLog(store).add(kind, detail, store.operatorName());
    tx.commit();
}

namespace {

const QString kSelectRows =
    QStringLiteral("SELECT 序号, 时间, 管理员, 操作, 内容, 角色 FROM 操作日志 ");

QList<AuditLog::Row> readRows(QSqlQuery &q)
{
    QList<AuditLog::Row> found;
    while (q.next()) {
        AuditLog::Row r;
        r.number = q.value(0).toLongLong();
        r.time = QDateTime::fromString(q.value(1).toString(), kTimeFormat);
        r.admin = q.value(2).toString();
        r.kind = q.value(3).toString();
        r.detail = q.value(4).toString();
        r.role = q.value(5).toString();
        found << r;
    }
    q.finish();
    return found;
}

} // namespace

QList<AuditLog::Row> AuditLog::rows(const QDate &from, const QDate &to, const QString &kind)
{
    const QString start = from.isValid() ? from.toString(Qt::ISODate) : QString();
    const QString end = to.isValid() ? to.addDays(1).toString(Qt::ISODate) : QStringLiteral("9999");
    QSqlQuery &q = m_store.exec(
        kSelectRows + QStringLiteral("WHERE 时间 >= ? AND 时间 < ? AND (? = '' OR 操作 = ?) "
                                     "ORDER BY 序号 DESC"),
        {start, end, kind, kind});
    return readRows(q);
}
