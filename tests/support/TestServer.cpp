#include "support/TestServer.h"

#include "base/Session.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/postgres/PostgresEngine.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace TestServer {

namespace {

// The administrator row of the delivered database file.
struct DeliveredAdmin
{
    QString hash;
    QString remark;
};

DeliveredAdmin deliveredAdmin()
{
    const QString name = QStringLiteral("delivered-") + QUuid::createUuid().toString(QUuid::Id128);
    DeliveredAdmin admin;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(PELLOMAR_DATA_DIR "/table.mdb"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery q(db);
        if (!db.open() ||
            !q.exec(
                QStringLiteral("SELECT 密码, 备注 FROM 管理员登记 WHERE 管理员名字 = 'admin'")) ||
            !q.next())
            qFatal("cannot read the delivered administrator: %s", qPrintable(q.lastError().text()));
        admin = {q.value(0).toString(), q.value(1).toString()};
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return admin;
}

ServerSettings named(const QString &database)
{
    ServerSettings s = *cluster();
    s.database = database;
    return s;
}

QString newName(const char *kind)
{
    return QStringLiteral("t_%1_%2_%3")
        .arg(QCoreApplication::applicationPid())
        .arg(QLatin1String(kind))
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

QString templateDatabase();

void dropTemplate();

// The template every test's database is copied from, made once.
QString templateDatabase()
{
    static const QString name = [] {
        const QString made = newName("template");
        QString error;
        if (!runOnCluster(QStringLiteral("CREATE DATABASE %1").arg(made), &error))
            qFatal("cannot create the template database: %s", qPrintable(error));
        const DeliveredAdmin admin = deliveredAdmin();
        if (!Database::createServerDatabase(named(made), admin.hash, admin.remark, &error))
            qFatal("cannot create the schema: %s", qPrintable(error));
        // Dropped as the test program ends.
        qAddPostRoutine(dropTemplate);
        return made;
    }();
    return name;
}

} // namespace

std::optional<ServerSettings> cluster()
{
    static const std::optional<ServerSettings> settings = []() -> std::optional<ServerSettings> {
        const QString folder = qEnvironmentVariable("PELLOMAR_TEST_SERVER");
        if (folder.isEmpty())
            return std::nullopt;
        QString error;
        std::optional<ServerSettings> s = ServerSettings::read(folder, &error);
        if (!s)
            qFatal("PELLOMAR_TEST_SERVER=%s: %s", qPrintable(folder), qPrintable(error));
        return s;
    }();
    return settings;
}

namespace {

// Runs statements in order on a private connection to a database; false
// with the server's text in *error at the first that fails.
bool runOn(const ServerSettings &server, const QVariantList &statements, QString *error)
{
    const QString name = QStringLiteral("cluster-") + QUuid::createUuid().toString(QUuid::Id128);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(PostgresEngine::kDriver, name);
        PostgresEngine(server).configure(db);
        QSqlQuery q(db);
        ok = db.open();
        for (int i = 0; ok && i < statements.size(); ++i) {
            const QStringList sql = statements.at(i).toStringList();
            ok = sql.size() == 1 ? q.exec(sql.first()) : q.prepare(sql.first());
            for (int v = 1; ok && v < sql.size(); ++v)
                q.bindValue(v - 1, sql.at(v));
            ok = ok && (sql.size() == 1 || q.exec());
        }
        if (!ok && error)
            *error = db.isOpen() ? q.lastError().text() : db.lastError().text();
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// Databases of this test program that a finished TestFolder gave back.
QStringList &pool()
{
    static QStringList databases;
    return databases;
}

// Empties a database given back and puts back what a new one holds: much
// quicker than a copy of the template.
bool clear(const QString &database)
{
    static const DeliveredAdmin admin = deliveredAdmin();
    return runOn(
        named(database),
        {QStringList{QStringLiteral("SET lock_timeout = '2s'")},
         // A test that spoilt the mark leaves a database no other test gets.
         QStringList{QStringLiteral("SELECT 1 / count(*) FROM 数据库信息 "
                                    "WHERE 应用标识 = %1 AND 版本 = %2")
                         .arg(Schema::kApplicationId)
                         .arg(Schema::kVersion)},
         QStringList{QStringLiteral("TRUNCATE 会员登记, 管理员登记, 管理员角色, 提成基数, 现金, "
                                    "设置, 已完成操作, 会员账户, 账户流水, 操作日志 "
                                    "RESTART IDENTITY")},
         QStringList{QStringLiteral("INSERT INTO 管理员登记 (管理员名字, 密码, 备注) "
                                    "VALUES ('admin', ?, ?)"),
                     admin.hash, admin.remark},
         QStringList{QStringLiteral("INSERT INTO 管理员角色 (管理员名字, 角色) "
                                    "VALUES ('admin', ?)"),
                     Roles::kOwner}},
        nullptr);
}

} // namespace

bool runOnCluster(const QString &sql, QString *error)
{
    return runOn(*cluster(), {QStringList{sql}}, error);
}

ServerSettings freshDatabase()
{
    while (!pool().isEmpty()) {
        const QString reused = pool().takeLast();
        if (clear(reused))
            return named(reused);
        drop(named(reused));
    }
    const QString name = newName("db");
    QString error;
    if (!runOnCluster(
            QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(name, templateDatabase()), &error))
        qFatal("cannot create a test database: %s", qPrintable(error));
    return named(name);
}

void release(const ServerSettings &database)
{
    pool().append(database.database);
}

void drop(const ServerSettings &database)
{
    runOnCluster(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database.database));
}

namespace {

void dropTemplate()
{
    for (const QString &database : pool())
        drop(named(database));
    drop(named(templateDatabase()));
}

} // namespace

} // namespace TestServer
