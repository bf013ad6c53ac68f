#include "store/LedgerSchema.h"

#include "base/Clock.h"
#include "base/StoreError.h"
#include "store/BoundQuery.h"

#include <QSqlError>
#include <QSqlQuery>

namespace LedgerSchema {

namespace {

const char *const kDdl[] = {
    // 会员行 is the rowid of the member in 会员登记 while he exists, NULL after
    // his deletion; 会员号 is never given to another member.
    "CREATE TABLE 会员账户 ("
    " 会员号 INTEGER PRIMARY KEY,"
    " 会员行 INTEGER UNIQUE)",
    "CREATE TABLE 账户流水 ("
    " 流水号 INTEGER PRIMARY KEY,"
    " 时间 TEXT NOT NULL DEFAULT '',"
    " 会员号 INTEGER NOT NULL,"
    " 会员名 TEXT NOT NULL DEFAULT '',"
    " 手机号 TEXT NOT NULL DEFAULT '',"
    " 类别 TEXT NOT NULL DEFAULT '',"
    " 金额 INTEGER NOT NULL DEFAULT 0,"
    " 余额变动 INTEGER NOT NULL DEFAULT 0,"
    " 余额 INTEGER NOT NULL DEFAULT 0,"
    " 消费变动 INTEGER NOT NULL DEFAULT 0,"
    " 次数变动 INTEGER NOT NULL DEFAULT 0,"
    " 管理员 TEXT NOT NULL DEFAULT '',"
    " 关联流水 INTEGER,"
    " 备注 TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX 账户流水_会员号 ON 账户流水(会员号, 流水号)",
    "CREATE INDEX 账户流水_关联流水 ON 账户流水(关联流水) WHERE 关联流水 IS NOT NULL",
    "CREATE TABLE 操作日志 ("
    " 序号 INTEGER PRIMARY KEY,"
    " 时间 TEXT NOT NULL DEFAULT '',"
    " 管理员 TEXT NOT NULL DEFAULT '',"
    " 操作 TEXT NOT NULL DEFAULT '',"
    " 内容 TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX 操作日志_时间 ON 操作日志(时间)",
};

QSqlQuery run(QSqlDatabase db, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(db);
    execBound(q, sql, values);
    return q;
}

} // namespace

void addLedgerTables(QSqlDatabase db)
{
    for (const char *ddl : kDdl)
        run(db, QString::fromUtf8(ddl));
    // Set-based, so that a million members take seconds: the account number
    // of a member who existed before the ledger is his row number.
    run(db,
        QStringLiteral("INSERT INTO 会员账户 (会员号, 会员行) SELECT rowid, rowid FROM 会员登记"));
    run(db,
        QStringLiteral(
            "INSERT INTO 账户流水 (时间, 会员号, 会员名, 手机号, 类别, 金额, 余额变动, 余额, "
            "消费变动, 次数变动) "
            "SELECT ?, rowid, 会员名, 手机号, ?, b, b, b, c, 被推荐人消费次数 FROM ("
            " SELECT rowid, 会员名, 手机号, 被推荐人消费次数,"
            " CAST(round(余额 * 100) AS INTEGER) AS b,"
            " CAST(round(消费金额 * 100) AS INTEGER) AS c FROM 会员登记) ORDER BY rowid"),
        {Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), kOpening});
}

void addAccountTotalsIndex(QSqlDatabase db)
{
    // Its first columns are those of the index it replaces, which pages of a
    // statement keep using.
    run(db, QStringLiteral("DROP INDEX 账户流水_会员号"));
    run(db, QStringLiteral("CREATE INDEX 账户流水_会员合计 ON 账户流水(会员号, 流水号, 时间, 类别, "
                           "余额变动, 消费变动, 次数变动)"));
}

} // namespace LedgerSchema
