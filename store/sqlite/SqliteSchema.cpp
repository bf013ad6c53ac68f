#include "store/Schema.h"

#include "base/Session.h"
#include "base/StoreError.h"
#include "store/LedgerSchema.h"
#include "store/PasswordHashLimits.h"
#include "store/sqlite/SqliteEngine.h"

#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <iterator>
#include <mutex>

namespace Schema {

namespace {

using Catalog = QList<SqliteEngine::CatalogEntry>;

void run(QSqlDatabase db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw StoreError(q.lastError().text());
}

// Version 1: the four tables of the first release. Its statements stay as
// they are: files of version 1 are compared with what they create.
void createFirstTables(QSqlDatabase db)
{
    const QString nameCollation = SqliteEngine::kNameCollation;
    const QString statements[] = {
        QStringLiteral("CREATE TABLE 会员登记 ("
                       " 会员名 TEXT NOT NULL DEFAULT '' %1,"
                       " 性别 TEXT NOT NULL DEFAULT '',"
                       " 手机号 TEXT NOT NULL DEFAULT '' %1,"
                       " 消费金额 NUMERIC NOT NULL DEFAULT 0,"
                       " 推荐人 TEXT NOT NULL DEFAULT '' %1,"
                       " 推荐人手机 TEXT NOT NULL DEFAULT '' %1,"
                       " 被推荐人消费次数 INTEGER NOT NULL DEFAULT 0,"
                       " 余额 NUMERIC NOT NULL DEFAULT 0,"
                       " 注册时间 TEXT NOT NULL DEFAULT '')")
            .arg(nameCollation),
        QStringLiteral("CREATE INDEX 会员登记_会员名 ON 会员登记(会员名)"),
        QStringLiteral("CREATE INDEX 会员登记_手机号 ON 会员登记(手机号)"),
        QStringLiteral("CREATE TABLE 管理员登记 ("
                       " 管理员名字 TEXT NOT NULL DEFAULT '' %1,"
                       " 密码 TEXT NOT NULL DEFAULT '',"
                       " 备注 TEXT NOT NULL DEFAULT '')")
            .arg(nameCollation),
        QStringLiteral("CREATE INDEX 管理员登记_管理员名字 ON 管理员登记(管理员名字)"),
        QStringLiteral("CREATE TABLE 提成基数 ("
                       " 固定提成 INTEGER NOT NULL DEFAULT 0,"
                       " 消费比例提成 INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE TABLE 现金 ("
                       " 日期 TEXT NOT NULL DEFAULT '',"
                       " 名称 TEXT NOT NULL DEFAULT '',"
                       " 数额 TEXT NOT NULL DEFAULT '')"),
    };
    for (const QString &sql : statements)
        run(db, sql);
}

// 1 → 2: a trigram index of names and phones, so that a search by part of a
// name or by the last digits of a phone looks up the index instead of
// reading every member. It holds no text of its own (the text stays in
// 会员登记); the three triggers keep it in step with every write.
void addMemberSearch(QSqlDatabase db)
{
    const char *const statements[] = {
        "CREATE VIRTUAL TABLE 会员检索 USING fts5(会员名, 手机号, content='会员登记', "
        "tokenize='trigram')",
        "CREATE TRIGGER 会员检索_增 AFTER INSERT ON 会员登记 BEGIN "
        "INSERT INTO 会员检索(rowid, 会员名, 手机号) VALUES (new.rowid, new.会员名, new.手机号); "
        "END",
        "CREATE TRIGGER 会员检索_删 AFTER DELETE ON 会员登记 BEGIN "
        "INSERT INTO 会员检索(会员检索, rowid, 会员名, 手机号) "
        "VALUES ('delete', old.rowid, old.会员名, old.手机号); "
        "END",
        "CREATE TRIGGER 会员检索_改 AFTER UPDATE OF 会员名, 手机号 ON 会员登记 BEGIN "
        "INSERT INTO 会员检索(会员检索, rowid, 会员名, 手机号) "
        "VALUES ('delete', old.rowid, old.会员名, old.手机号); "
        "INSERT INTO 会员检索(rowid, 会员名, 手机号) VALUES (new.rowid, new.会员名, new.手机号); "
        "END",
        "INSERT INTO 会员检索(会员检索) VALUES ('rebuild')",
    };
    for (const char *sql : statements)
        run(db, QString::fromUtf8(sql));
}

// 4 → 5: each administrator's choices on the screens (设置), keyed by his
// name as accounts are matched and the setting's name.
void addSettings(QSqlDatabase db)
{
    run(db, QStringLiteral("CREATE TABLE 设置 ("
                           " 管理员名字 TEXT NOT NULL %1,"
                           " 名称 TEXT NOT NULL,"
                           " 值 TEXT NOT NULL DEFAULT '',"
                           " PRIMARY KEY (管理员名字, 名称))")
                .arg(SqliteEngine::kNameCollation));
}

// 5 → 6: every action that writes leaves its operation number in the file,
// in the transaction of the action. When a commit fails in a way that leaves
// its outcome unknown (the log could not be flushed), the number found or
// not found in the file read again tells whether the action happened. The
// numbers are unique across computers (time and chance), so that several
// tills sharing one database can repeat an action safely.
void addOperationNumbers(QSqlDatabase db)
{
    run(db, QStringLiteral("CREATE TABLE 已完成操作 ("
                           " 操作号 TEXT NOT NULL PRIMARY KEY,"
                           " 时间 TEXT NOT NULL DEFAULT '') WITHOUT ROWID"));
}

// 6 → 7: every character and every pair of neighbouring characters of a
// name, so that a part of one or two characters (a surname, a given name)
// is looked up instead of read from every member. A part is kept in small
// letters (lower() folds ASCII letters only, as LIKE does), and the search
// keeps exactly the rows LIKE would find. 片段位置 holds the positions
// 1 to 64; a longer name, which no screen lets anyone type, is marked with
// an empty part and checked by LIKE at every such search.
void addNameParts(QSqlDatabase db)
{
    // The parts of the name in row r, one row each; `from` names r's table
    // when r is not a trigger's old or new row.
    const auto partsOf = [](const QString &r, const QString &from) {
        return QStringLiteral(
                   "SELECT lower(substr(%1.会员名, p.位置, 1)), %1.rowid FROM %2片段位置 p "
                   "WHERE p.位置 <= length(%1.会员名) UNION "
                   "SELECT lower(substr(%1.会员名, p.位置, 2)), %1.rowid FROM %2片段位置 p "
                   "WHERE p.位置 < length(%1.会员名) UNION "
                   "SELECT '', %1.rowid FROM %2片段位置 p "
                   "WHERE p.位置 = 1 AND length(%1.会员名) > 64")
            .arg(r, from);
    };
    const QString insertNew = QStringLiteral("INSERT INTO 会员名片段 (片段, 会员行) ") +
                              partsOf(QStringLiteral("new"), {}) + QStringLiteral("; ");
    const QString deleteOld = QStringLiteral("DELETE FROM 会员名片段 WHERE (片段, 会员行) IN (") +
                              partsOf(QStringLiteral("old"), {}) + QStringLiteral("); ");
    run(db, QStringLiteral("CREATE TABLE 片段位置 (位置 INTEGER PRIMARY KEY)"));
    run(db, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < 64) INSERT INTO 片段位置 SELECT i FROM n"));
    run(db, QStringLiteral("CREATE TABLE 会员名片段 (片段 TEXT NOT NULL, 会员行 INTEGER NOT NULL, "
                           "PRIMARY KEY (片段, 会员行)) WITHOUT ROWID"));
    run(db, QStringLiteral("CREATE TRIGGER 会员名片段_增 AFTER INSERT ON 会员登记 BEGIN ") +
                insertNew + QStringLiteral("END"));
    run(db, QStringLiteral("CREATE TRIGGER 会员名片段_删 AFTER DELETE ON 会员登记 BEGIN ") +
                deleteOld + QStringLiteral("END"));
    run(db, QStringLiteral("CREATE TRIGGER 会员名片段_改 AFTER UPDATE OF 会员名 ON 会员登记 "
                           "BEGIN ") +
                deleteOld + insertNew + QStringLiteral("END"));
    // In the order of the key, so that the table grows at its end.
    run(db, QStringLiteral("INSERT INTO 会员名片段 (片段, 会员行) SELECT * FROM (") +
                partsOf(QStringLiteral("m"), QStringLiteral("会员登记 m, ")) +
                QStringLiteral(") ORDER BY 1, 2"));
}

// 7 → 8: the role of each account (店长 or 收银员) in a table of its own
// beside 管理员登记, whose columns stay; and the role of whoever did each
// action in the audit log. Of an older file's accounts the built-in one
// becomes an owner and every other a cashier. Names compare as the login
// compares them, so one role serves names that differ only in letter case.
void addAdminRoles(QSqlDatabase db)
{
    run(db, QStringLiteral("CREATE TABLE 管理员角色 ("
                           " 管理员名字 TEXT NOT NULL PRIMARY KEY %1,"
                           " 角色 TEXT NOT NULL DEFAULT '')")
                .arg(SqliteEngine::kNameCollation));
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral(
            "INSERT OR IGNORE INTO 管理员角色 (管理员名字, 角色) SELECT 管理员名字, "
            "CASE WHEN 管理员名字 = ? THEN ? ELSE ? END FROM 管理员登记 ORDER BY rowid")))
        throw StoreError(q.lastError().text());
    q.addBindValue(kBuiltInAdmin);
    q.addBindValue(Roles::kOwner);
    q.addBindValue(Roles::kCashier);
    if (!q.exec())
        throw StoreError(q.lastError().text());
    run(db, QStringLiteral("ALTER TABLE 操作日志 ADD COLUMN 角色 TEXT NOT NULL DEFAULT ''"));
}

// 8 → 9: what the reports read quickly. The
// entries of a kind in a day or a range are found by kind and time (the
// day's close, the ranking, the reversals of a range), covering the columns
// those sums read; a referrer's referees by
// the referrer's name or phone; a day's new members and cash rows by date.
// The print settings are the shop's rows of 设置.
void addReportIndexes(QSqlDatabase db)
{
    const char *const statements[] = {
        "CREATE INDEX 账户流水_类别时间 ON 账户流水(类别, 时间, 会员号, 金额, 管理员)",
        "CREATE INDEX 会员登记_推荐人 ON 会员登记(推荐人)",
        "CREATE INDEX 会员登记_推荐人手机 ON 会员登记(推荐人手机)",
        "CREATE INDEX 会员登记_注册时间 ON 会员登记(注册时间)",
        "CREATE INDEX 现金_日期 ON 现金(日期)",
    };
    for (const char *sql : statements)
        run(db, QString::fromUtf8(sql));
}

// The upgrade steps in order: kSteps[i] takes a database of version i + 1 to
// version i + 2. A new version appends its step here and raises kVersion.
const Step kSteps[] = {
    addMemberSearch,
    // 2 → 3: the ledger of every member's money, with an opening entry for
    // each member already there, and the audit log.
    LedgerSchema::addLedgerTables,
    // 3 → 4: an account's entries indexed with the columns a statement
    // filters on and sums, for long statements and the reconciliation.
    LedgerSchema::addAccountTotalsIndex,
    addSettings,
    addOperationNumbers,
    addNameParts,
    addAdminRoles,
    addReportIndexes,
};
static_assert(std::size(kSteps) + 1 == kVersion, "one step for each version after the first");

// Builds a version in an empty database: the first tables, then the steps.
void build(QSqlDatabase db, int version, std::span<const Step> steps)
{
    if (version < 1 || version > int(steps.size()) + 1)
        throw StoreError(QStringLiteral("no schema version %1").arg(version));
    run(db, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        createFirstTables(db);
        for (int v = 1; v < version; ++v)
            steps[v - 1](db);
        if (const QString error = SqliteEngine::setHeader(db, kApplicationId, version);
            !error.isEmpty())
            throw StoreError(error);
        run(db, QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

// Runs work on a private connection to path and removes the connection.
template <typename Work>
void withConnection(const QString &path, SqliteEngine::Access access, Work work)
{
    const QString name = QStringLiteral("schema-") + QUuid::createUuid().toString(QUuid::Id128);
    {
        QSqlDatabase db = SqliteEngine::addConnection(name);
        SqliteEngine::configureFile(db, path, access);
        work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// The catalogue of a new database of this version, made with these steps.
Catalog expectedCatalog(int version, std::span<const Step> steps)
{
    // Made with the program's own steps, once; file checks on worker threads
    // (backups, the daily check) may be the first to ask.
    static QMutex lock;
    static QHash<int, Catalog> programs;
    const bool own = steps.data() == std::data(kSteps) && steps.size() == std::size(kSteps);
    std::unique_lock<QMutex> held(lock, std::defer_lock);
    if (own) {
        held.lock();
        if (auto it = programs.constFind(version); it != programs.constEnd())
            return *it;
    }
    Catalog entries;
    QString error;
    withConnection(QStringLiteral(":memory:"), SqliteEngine::Access::Create, [&](QSqlDatabase db) {
        if (!db.open())
            throw StoreError(db.lastError().text());
        build(db, version, steps);
        entries = SqliteEngine::catalog(db, &error);
    });
    if (!error.isEmpty())
        throw StoreError(error);
    if (own)
        programs.insert(version, entries);
    return entries;
}

// What sets the catalogue of a file apart from the expected one; empty when
// nothing does.
QString catalogDifference(const Catalog &found, const Catalog &expected)
{
    for (const auto &entry : found)
        if (!expected.contains(entry))
            return QStringLiteral("unexpected %1 %2 in the database").arg(entry.type, entry.name);
    for (const auto &entry : expected)
        if (!found.contains(entry))
            return QStringLiteral("%1 %2 is missing or damaged").arg(entry.type, entry.name);
    return {};
}

QString adminProblem(QSqlDatabase db)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT 管理员名字, 密码 FROM 管理员登记")))
        return q.lastError().text();
    while (q.next()) {
        if (!PasswordHashLimits::isWithinLimits(q.value(1).toString()))
            return QStringLiteral("the password of administrator %1 is not a hash of this "
                                  "program or asks for more than its cost")
                .arg(q.value(0).toString());
    }
    if (q.lastError().isValid())
        return q.lastError().text();
    // Found as the login finds it; without it nobody could log in.
    if (!q.prepare(QStringLiteral("SELECT 1 FROM 管理员登记 WHERE 管理员名字 = ? LIMIT 1")))
        return q.lastError().text();
    q.addBindValue(kBuiltInAdmin);
    if (!q.exec())
        return q.lastError().text();
    if (!q.next())
        return QStringLiteral("the built-in administrator %1 is missing").arg(kBuiltInAdmin);
    return {};
}

} // namespace

std::span<const Step> steps()
{
    return kSteps;
}

void create(QSqlDatabase db, int version)
{
    build(db, version, kSteps);
}

int versionOf(QSqlDatabase db)
{
    if (SqliteEngine::applicationId(db) != kApplicationId)
        return -1;
    return SqliteEngine::userVersion(db);
}

int versionOf(const QString &path)
{
    int version = -1;
    withConnection(path, SqliteEngine::Access::ReadOnly, [&](QSqlDatabase db) {
        if (db.open())
            version = versionOf(db);
    });
    return version;
}

void upgrade(QSqlDatabase db)
{
    upgrade(db, kSteps);
}

void upgrade(QSqlDatabase db, std::span<const Step> steps)
{
    const int target = int(steps.size()) + 1;
    const int from = versionOf(db);
    if (from == target)
        return;
    if (from < 1 || from > target)
        throw StoreError(QStringLiteral("cannot upgrade a database of version %1").arg(from));
    run(db, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        for (int v = from; v < target; ++v)
            steps[v - 1](db);
        if (const QString error = SqliteEngine::setHeader(db, kApplicationId, target);
            !error.isEmpty())
            throw StoreError(error);
        QString error;
        const Catalog found = SqliteEngine::catalog(db, &error);
        if (!error.isEmpty())
            throw StoreError(error);
        if (const QString difference = catalogDifference(found, expectedCatalog(target, steps));
            !difference.isEmpty())
            throw StoreError(
                QStringLiteral("upgrade to version %1: %2").arg(target).arg(difference));
        run(db, QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

QString upgradeFile(const QString &path)
{
    QString problem;
    withConnection(path, SqliteEngine::Access::ReadWrite, [&](QSqlDatabase db) {
        if (!db.open()) {
            problem = db.lastError().text();
            return;
        }
        problem = problemWith(db, Check::Quick);
        if (problem.isEmpty())
            problem = SqliteEngine::applyConnectionSettings(db);
        if (problem.isEmpty()) {
            try {
                upgrade(db);
            } catch (const StoreError &e) {
                problem = e.text();
            }
        }
    });
    return problem;
}

QString problemWith(QSqlDatabase db, Check depth)
{
    QString error;
    const int applicationId = SqliteEngine::applicationId(db, &error);
    if (!error.isEmpty())
        return error;
    if (applicationId != kApplicationId)
        return QStringLiteral("not a database of this program");
    const int version = SqliteEngine::userVersion(db);
    if (version > kVersion)
        return QStringLiteral("the database is of version %1, made by a newer program; this "
                              "program knows versions up to %2")
            .arg(version)
            .arg(kVersion);
    if (version < 1)
        return QStringLiteral("unknown database version %1").arg(version);

    const Catalog found = SqliteEngine::catalog(db, &error);
    if (!error.isEmpty())
        return error;
    try {
        if (const QString difference = catalogDifference(found, expectedCatalog(version, kSteps));
            !difference.isEmpty())
            return difference;
    } catch (const StoreError &e) {
        return e.text();
    }
    if (depth == Check::Full) {
        if (const QString problem = SqliteEngine::integrityProblem(db); !problem.isEmpty())
            return problem;
    }
    return adminProblem(db);
}

QString problemWithFile(const QString &path, Check depth)
{
    if (!QFileInfo(path).isFile())
        return QStringLiteral("file missing");
    QString problem;
    withConnection(path, SqliteEngine::Access::ReadOnly, [&](QSqlDatabase db) {
        if (!db.open()) {
            problem = db.lastError().text();
            return;
        }
        if (depth == Check::Full)
            SqliteEngine::readMapped(db);
        problem = problemWith(db, depth);
    });
    return problem;
}

} // namespace Schema
