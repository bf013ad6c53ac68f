#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Where a till finds the shop's database server: pellomar-server.ini in the
// data folder. Without the file the program keeps its own database file.
//
//   [server]
//   hosts=db1.shop.lan,db2.shop.lan   one host, or a primary and its standby
//   ports=5432                        one for all hosts, or one per host
//   database=pellomar
//   user=till1
//   sslmode=require                   optional; libpq's default otherwise
//   till=前台一号                      the name the status bar and the audit log show
//   autobackup=no                     optional; no automatic generations on this till
//
// The password never stands here: libpq reads it from ~/.pgpass or a
// service file.
struct ServerSettings
{
    static inline const QString kFileName = QStringLiteral("pellomar-server.ini");

    QStringList hosts; // names, addresses or folders of a Unix socket
    QList<int> ports;
    QString database;
    QString user;
    QString sslmode;
    QString till;
    // Whether this till keeps automatic generations of the server's
    // database in its backup/auto/ (on by default, as with a file).
    bool autoBackups = true;

    // The settings of folder's pellomar-server.ini; nullopt without one, and
    // also when it cannot be used, with error saying why.
    static std::optional<ServerSettings> read(const QString &folder, QString *error);

    // For QSqlDatabase::setHostName(): libpq splits the list at its commas.
    QString hostList() const;
    // For QSqlDatabase::setConnectOptions(): the ports (setPort() carries
    // one number only), the TLS mode, a session that may write (the primary,
    // never a standby), and a bounded wait for each host.
    QString connectOptions() const;
    // The server as the status bar names it, host and database.
    QString describe() const;
};
