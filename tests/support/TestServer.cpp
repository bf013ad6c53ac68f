#include "support/TestServer.h"

#include "store/Database.h"
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
            !q.exec(QStringLiteral("SELECT 密码, 备注 FROM 管理员登记 WHERE 管理员名字 = 'admin'")) ||
            !q.next())
            qFatal("cannot read the delivered administrator: %s",
                   qPrintable(q.lastError().text()));
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

void dropTemplate()
{
    drop(named(templateDatabase()));
}

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

bool runOnCluster(const QString &sql, QString *error)
{
    const QString name = QStringLiteral("cluster-") + QUuid::createUuid().toString(QUuid::Id128);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(PostgresEngine::kDriver, name);
        PostgresEngine(*cluster()).configure(db);
        QSqlQuery q(db);
        ok = db.open() && q.exec(sql);
        if (!ok && error)
            *error = db.isOpen() ? q.lastError().text() : db.lastError().text();
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

ServerSettings freshDatabase()
{
    const QString name = newName("db");
    QString error;
    if (!runOnCluster(
            QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(name, templateDatabase()), &error))
        qFatal("cannot create a test database: %s", qPrintable(error));
    return named(name);
}

void drop(const ServerSettings &database)
{
    runOnCluster(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database.database));
}

} // namespace TestServer
