#include "store/Schema.h"

#include "base/StoreError.h"
#include "store/LedgerSchema.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace Schema {

namespace {

const char *const kDdl[] = {
    "CREATE TABLE 会员登记 ("
    " 会员名 TEXT NOT NULL DEFAULT '' COLLATE NOCASE,"
    " 性别 TEXT NOT NULL DEFAULT '',"
    " 手机号 TEXT NOT NULL DEFAULT '' COLLATE NOCASE,"
    " 消费金额 NUMERIC NOT NULL DEFAULT 0,"
    " 推荐人 TEXT NOT NULL DEFAULT '' COLLATE NOCASE,"
    " 推荐人手机 TEXT NOT NULL DEFAULT '' COLLATE NOCASE,"
    " 被推荐人消费次数 INTEGER NOT NULL DEFAULT 0,"
    " 余额 NUMERIC NOT NULL DEFAULT 0,"
    " 注册时间 TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX 会员登记_会员名 ON 会员登记(会员名)",
    "CREATE INDEX 会员登记_手机号 ON 会员登记(手机号)",
    "CREATE TABLE 管理员登记 ("
    " 管理员名字 TEXT NOT NULL DEFAULT '' COLLATE NOCASE,"
    " 密码 TEXT NOT NULL DEFAULT '',"
    " 备注 TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX 管理员登记_管理员名字 ON 管理员登记(管理员名字)",
    "CREATE TABLE 提成基数 ("
    " 固定提成 INTEGER NOT NULL DEFAULT 0,"
    " 消费比例提成 INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE 现金 ("
    " 日期 TEXT NOT NULL DEFAULT '',"
    " 名称 TEXT NOT NULL DEFAULT '',"
    " 数额 TEXT NOT NULL DEFAULT '')",
};

void run(QSqlDatabase db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw StoreError(q.lastError().text());
}

QStringList columnsOf(QSqlDatabase db, const QString &table, QString *error)
{
    QSqlQuery q(db);
    QStringList names;
    if (!q.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table))) {
        *error = q.lastError().text();
        return names;
    }
    while (q.next())
        names << q.value(1).toString();
    return names;
}

} // namespace

void create(QSqlDatabase db)
{
    run(db, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        for (const char *ddl : kDdl)
            run(db, QString::fromUtf8(ddl));
        LedgerSchema::addLedgerTables(db);
        run(db, QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId));
        run(db, QStringLiteral("PRAGMA user_version = %1").arg(kVersion));
        run(db, QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

QString problemWith(QSqlDatabase db, Check depth)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA application_id")) || !q.next())
        return q.lastError().text().isEmpty() ? QStringLiteral("not a database")
                                              : q.lastError().text();
    if (q.value(0).toInt() != kApplicationId)
        return QStringLiteral("not a database of this program");
    q.finish();

    const struct
    {
        const QString &table;
        const QStringList &columns;
    } tables[] = {
        {kMembers, kMemberColumns},
        {kAdmins, kAdminColumns},
        {kCommission, kCommissionColumns},
        {kCash, kCashColumns},
    };
    for (const auto &t : tables) {
        QString error;
        const QStringList found = columnsOf(db, t.table, &error);
        if (!error.isEmpty())
            return error;
        if (found != t.columns)
            return QStringLiteral("table %1 is missing or damaged").arg(t.table);
    }

    if (depth == Check::Full) {
        if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next())
            return q.lastError().text();
        const QString verdict = q.value(0).toString();
        if (verdict != QLatin1String("ok"))
            return verdict;
    }
    return {};
}

QString problemWithFile(const QString &path, Check depth)
{
    if (!QFileInfo(path).isFile())
        return QStringLiteral("file missing");
    const QString name = QStringLiteral("check-") + QUuid::createUuid().toString(QUuid::Id128);
    QString problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            problem = db.lastError().text();
        else
            problem = problemWith(db, depth);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return problem;
}

} // namespace Schema
