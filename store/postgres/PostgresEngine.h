#pragma once

#include "store/Engine.h"
#include "store/ServerSettings.h"

// The shop's database server: PostgreSQL through Qt's QPSQL driver, shared
// by every till.
//
// Its tables have the columns of the file's tables. Every table addressed
// by row has a real column named rowid (bigint, an identity), so statements
// naming rowid run here unchanged. Names and phones are citext: they
// compare without regard to letter case with the same `=` and LIKE the file
// engine uses with its NOCASE collation, so the store keeps one SQL text
// for both engines (lower() expressions would have made every lookup a
// second text). Amounts of 会员登记 are numeric(15,2), read exactly (as
// their digits, never through double); the ledger keeps integer fen. The
// schema version and the program's mark stand in 数据库信息. A search by a
// part of a name or phone reads a trigram index (pg_trgm).
//
// Transactions run at READ COMMITTED: a balance changes only by a relative
// statement guarded in its WHERE, after the rows were locked in ascending
// rowid order, so two tills never lose or overdraw money and never wait for
// each other in a circle.
class PostgresEngine final : public Engine
{
public:
    static inline const QString kDriver = QStringLiteral("QPSQL");
    // Every write transaction takes this advisory lock shared first;
    // maintenance (restore, clear) holds it exclusively on its connection
    // (pg_advisory_lock), so that no till writes into a half-restored
    // database. A refused shared lock fails the action with
    // Engine::kMaintenanceRunning.
    static constexpr qint64 kMaintenanceLock = 0x50454c4d0001; // "PELM" 1
    // The table that marks the database as this program's and holds its
    // schema version.
    static inline const QString kInfoTable = QStringLiteral("数据库信息");

    explicit PostgresEngine(ServerSettings server) : m_server(std::move(server)) {}
    const ServerSettings &server() const { return m_server; }

    Kind kind() const override { return Kind::Server; }
    QString driverName() const override { return kDriver; }
    void configure(QSqlDatabase &db) const override;
    QString prepare(QSqlDatabase db, bool alongside,
                    const std::function<void(bool running)> &upgradeNotice) override;
    QString beginWrite() const override;
    QSqlQuery statement(QSqlDatabase db) const override;
    bool preparesTransactionControl() const override { return false; }
    qint64 writeMark(QSqlDatabase) const override { return 0; }
    Condition wroteSince(qint64 mark) const override;
    QString lockForUpdate() const override { return QStringLiteral(" FOR UPDATE"); }
    QString lockKeys() const override;
    Failure failureOf(const QSqlError &error, QSqlDatabase db) const override;
    QList<qint64> idsByPart(Part part, const QString &text, qint64 afterId, int limit,
                            const IdQuery &ids) const override;
    QString unreadableAmount(const QString &) const override { return QStringLiteral("false"); }

    // Creates the tables of the current version in the open connection's
    // database, which must hold no table, and runs fill, in one transaction.
    // Throws StoreError.
    static void createSchema(QSqlDatabase db, const std::function<void()> &fill);
    // Why the open connection's database is not this program's of exactly
    // the current version; empty when it is.
    static QString problemWith(QSqlDatabase db);

private:
    ServerSettings m_server;
};
