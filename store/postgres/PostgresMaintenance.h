#pragma once

#include <QString>
#include <QStringList>

class Database;
struct ServerSettings;

// What backup, restore, clear and the move onto a server need of
// PostgreSQL itself: the maintenance lock, the identities of the row
// numbers, and the connection its own tools (pg_dump, pg_restore) take.
namespace PostgresMaintenance {

// Holds the maintenance lock exclusively on the store's connection until it is
// released or destroyed. Taking it waits for the actions running on other
// tills to end; from then on every other till's action is refused ("the
// database is under maintenance"), while this connection may still write.
class Hold
{
public:
    explicit Hold(Database &store);
    ~Hold();
    Hold(const Hold &) = delete;
    Hold &operator=(const Hold &) = delete;

    bool isHeld() const { return m_held; }
    QString error() const { return m_error; }
    void release();

private:
    Database &m_store;
    bool m_held = false;
    QString m_error;
};

// A read-only transaction on the store's connection at one snapshot of the
// database, exported for pg_dump (--snapshot): what the connection reads
// while it lasts is exactly what the archive holds. Rolled back when
// destroyed. Throws StoreError.
class SharedSnapshot
{
public:
    explicit SharedSnapshot(Database &store);
    ~SharedSnapshot();
    SharedSnapshot(const SharedSnapshot &) = delete;
    SharedSnapshot &operator=(const SharedSnapshot &) = delete;

    QString id() const { return m_id; }

private:
    Database &m_store;
    QString m_id;
};

// After rows were copied with their own row numbers: each identity of the
// database continues after the highest number its column holds. Throws
// StoreError.
void continueRowNumbers(Database &store);

// After a bulk load, outside any transaction: the planner's statistics and
// the map of pages all of whose rows every reader sees. Without them the
// first lookups of a moved shop read whole tables. Throws StoreError.
void tidyAfterLoad(Database &store);

// The connection for libpq's tools: the hosts, the ports, the database,
// the user, the TLS mode and a session that may write; the password stays
// with libpq (~/.pgpass or a service file).
QString connectionString(const ServerSettings &server);

// The arguments of pg_dump that write the whole database to path in its
// own archive format (at an exported snapshot when one is given), of
// pg_restore that put such an archive back in place of every object, in one
// transaction, and of pg_restore that read every part of an archive
// without touching any database.
QStringList dumpArguments(const ServerSettings &server, const QString &path,
                          const QString &snapshot = {});
QStringList restoreArguments(const ServerSettings &server, const QString &path);
QStringList readBackArguments(const QString &path);

} // namespace PostgresMaintenance
