#pragma once

#include "store/ServerSettings.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QtTest>

// The private cluster CTest starts for the server tests (pellomar_servertest):
// its pellomar-server.ini is in the folder PELLOMAR_TEST_SERVER names.
namespace TestServer {

inline QString iniFolder()
{
    return qEnvironmentVariable("PELLOMAR_TEST_SERVER");
}

inline ServerSettings settings()
{
    QString error;
    const auto server = ServerSettings::read(iniFolder(), &error);
    if (!server)
        qFatal("no test server in PELLOMAR_TEST_SERVER: %s", qPrintable(error));
    return *server;
}

// Copies the cluster's ini into a program folder, so that the program there
// runs on the server.
inline bool useIn(const QString &folder)
{
    const QString ini = QDir(folder).filePath(ServerSettings::kFileName);
    QFile::remove(ini);
    return QFile::copy(QDir(iniFolder()).filePath(ServerSettings::kFileName), ini);
}

// Leaves the server's database without any table, as a new one is.
inline void empty()
{
    const ServerSettings s = settings();
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(s.hostList());
        db.setDatabaseName(s.database);
        db.setUserName(s.user);
        db.setConnectOptions(s.connectOptions());
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        for (const char *sql : {"SET client_min_messages = warning", "DROP SCHEMA public CASCADE",
                                "CREATE SCHEMA public"})
            QVERIFY2(q.exec(QString::fromLatin1(sql)), qPrintable(q.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace TestServer
