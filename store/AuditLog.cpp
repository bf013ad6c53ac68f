#include "store/AuditLog.h"

#include "base/Clock.h"
#include "base/Session.h"
#include "base/StoreError.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/sqlite/SqliteEngine.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

const QStringList &AuditLog::kinds()
{
    static const QStringList all = {kLogin,         kFailedLogin, kMemberModify, kMemberDelete,
                                    kAdminRegister, kAdminModify, kAdminDelete,  kSettings,
                                    kBackup,        kRestore,     kClear,        kExport,
                                    kReversal,      kPrint,       kPrintSettings};
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

int AuditLog::addNewer(const QList<Row> &other)
{
    QSqlQuery &newest = m_store.exec(
        QStringLiteral("SELECT 时间, 序号 FROM 操作日志 ORDER BY 时间 DESC, 序号 DESC LIMIT 1"));
    QString lastTime;
    qint64 lastNumber = 0;
    if (newest.next()) {
        lastTime = newest.value(0).toString();
        lastNumber = newest.value(1).toLongLong();
    }
    newest.finish();
    int added = 0;
    for (auto it = other.crbegin(); it != other.crend(); ++it) {
        const QString time = it->time.toString(kTimeFormat);
        if (time < lastTime || (time == lastTime && it->number <= lastNumber))
            continue;
        m_store.exec(QStringLiteral("INSERT INTO 操作日志 (时间, 管理员, 操作, 内容, 角色) "
                                    "VALUES (?, ?, ?, ?, ?)"),
                     {time, it->admin, it->kind, it->detail, it->role});
        ++added;
    }
    return added;
}

void AuditLog::record(Database &store, const QString &kind, const QString &detail)
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

QList<AuditLog::Row> AuditLog::rowsOfFile(const QString &path)
{
    const QString name = QStringLiteral("auditlog-") + QUuid::createUuid().toString(QUuid::Id128);
    QList<Row> found;
    QString error;
    {
        QSqlDatabase db = SqliteEngine::addConnection(name);
        SqliteEngine::configureFile(db, path, SqliteEngine::Access::ReadOnly);
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (q.exec(kSelectRows + QStringLiteral("ORDER BY 序号 DESC")))
                found = readRows(q);
            else
                error = q.lastError().text();
            q = QSqlQuery();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!error.isEmpty())
        throw StoreError(error);
    return found;
}
