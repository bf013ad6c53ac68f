#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include "base/StoreError.h"
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

#include "store/Engine.h"

struct ServerSettings;

// The one connection to the live database for the whole run: members,
// administrators, the ledger, the audit log and the settings all go through it.
//
// Every statement is prepared once and binds its values; nothing is ever
// built from input. Statements that fail throw StoreError. Each user action
// that writes runs inside one Transaction, so it happens whole or not at all,
// and leaves its operation number in the file with its changes.
//
// A commit that fails (the log cannot be written or flushed: a failing or
// full disk) may still be read back later, so its outcome is unknown. The
// store then closes the connection, opens the file again and looks for the
// action's number: found, the commit stands (the commit notice is called);
// not found, the action did not happen (StoreError, NotDone). When the file
// cannot be read at all, every later statement fails (StoreError, Unknown)
// until the program starts again.
// On a server (the constructor with ServerSettings) the same holds, and a
// lost connection fails the action with a StoreError whose text is
// PostgresEngine::kConnectionLost; the next action opens the connection
// again by itself. A write transaction first takes the maintenance lock
// shared and fails with PostgresEngine::kMaintenanceRunning while a restore
// or a clear holds it.
// The file keeps its commits in the write-ahead log with synchronous=FULL
// (one flush a commit). Closing the last connection empties the log into
// the file and removes it, so that once closed a plain copy of the file is a
// complete backup.
class Database
{
public:
    explicit Database(QString path);
    // A store on the shop's database server.
    explicit Database(const ServerSettings &server);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // The database file; empty on a server.
    QString path() const { return m_path; }
    bool isServer() const { return m_engine->kind() == Engine::Kind::Server; }
    // The till's name from the server's settings; empty on a file.
    QString tillName() const { return m_till; }
    const Engine &engine() const { return *m_engine; }

    // Opens the existing file (never creates one), checks that it is a
    // database of this program and upgrades a file of an older version. On
    // failure the connection stays closed, the file is as it was, and
    // lastError() says why.
    bool open();
    // Opens a further connection to a file that another store of this
    // program has open (and so checked and upgraded): for work on a thread
    // of its own, since a connection may be used only on the thread that
    // made it. Make, use and drop this store on that thread. Throws
    // StoreError when the file cannot be opened.
    void openAlongside();
    // A store, not yet open, on the same database as this one (the same
    // file, or the same server): the one openAlongside() opens.
    std::unique_ptr<Database> sameDatabase() const;
    // Opens the connection again if it is closed; true when it is open after.
    bool reopenIfClosed();
    bool isOpen() const;
    void close();
    QString lastError() const { return m_lastError; }

    // Creates a new database file of the current version that holds only the
    // built-in administrator. Fails when the file exists already.
    static bool createFile(const QString &path, const QString &adminPasswordHash,
                           const QString &adminRemark, QString *error);

    // Creates the tables of the current version and the built-in
    // administrator in the server's database, which must hold no table.
    static bool createServerDatabase(const ServerSettings &server, const QString &adminPasswordHash,
                                     const QString &adminRemark, QString *error);

    // Runs a prepared statement with the values bound in order. The returned
    // query is positioned before the first row; call finish() on it, or let
    // the next exec() of the same statement reset it.
    QSqlQuery &exec(const QString &sql, const QVariantList &values = {});
    // Runs a statement and returns the first column of its first row, or an
    // invalid QVariant when there is no row.
    QVariant scalar(const QString &sql, const QVariantList &values = {});
    // Number of rows changed by the latest INSERT, UPDATE or DELETE.
    int rowsChanged() const { return m_changes; }
    // Runs an INSERT and returns the value of column (the new row's id) of
    // the row it added; nothing when it added none (an INSERT ... SELECT
    // that found no row).
    std::optional<qint64> insertReturning(const QString &sql, const QVariantList &values,
                                          const QString &column = QStringLiteral("rowid"));
    // Reads the rows of a statement through the engine's quickest path
    // (Engine::forEachRow).
    void forEachRow(const QString &sql, const QVariantList &values, int columns,
                    const Engine::RowVisit &visit);

    // Runs an action that is one transaction again, up to kAttempts times in
    // all, while it fails because another connection's transaction stood in
    // its way (a deadlock or a serialization failure on a server). The last
    // failure is thrown.
    static constexpr int kAttempts = 3;
    template <typename Action> auto retrying(Action action) -> decltype(action())
    {
        for (int attempt = 1;; ++attempt) {
            try {
                return action();
            } catch (const StoreError &e) {
                if (attempt == kAttempts || !isConflict(e))
                    throw;
            }
        }
    }
    static bool isConflict(const class StoreError &e);

    QSqlDatabase database() const { return m_db; }

    // Called with true before an older file is upgraded on open (which can
    // take seconds on a large file) and with false after.
    void setUpgradeNotice(std::function<void(bool running)> notice)
    {
        m_upgradeNotice = std::move(notice);
    }

    // The administrator the ledger and the audit log name for the actions of
    // this run: set at login.
    void setOperatorName(const QString &name) { m_operator = name; }
    QString operatorName() const { return m_operator; }

    // Counts committed write transactions (for the benchmarks and tests).
    quint64 commitCount() const { return m_commits; }

    // The number of the action of the open transaction (the outermost one),
    // drawn when it began: 32 decimal digits, the time in milliseconds (13)
    // and 19 random digits, unique across computers. Digits only, so that a
    // slip prints it and anyone can type it.
    QString operationNumber() const { return m_operation; }
    static QString newOperationNumber();

    // Called when a commit failed and the file, read again, holds its action.
    void setCommitConfirmedNotice(std::function<void()> notice)
    {
        m_confirmedNotice = std::move(notice);
    }
    // Whether a failed commit left the store unable to say what the file
    // holds; it then refuses every statement.
    bool outcomeUnknown() const { return !m_unknown.isEmpty(); }

private:
    friend class Transaction;
    void begin();
    // level: the depth of the ending transaction, 1 for the outermost.
    void commit(int level);
    void rollback(int level);
    // After a failed commit of an action that wrote: returns when the file
    // read again holds the action, throws StoreError otherwise.
    void confirmFailedCommit(const QString &detail);

    // Throws the StoreError for a failed statement; a lost connection is
    // closed, so that the next action opens it again.
    [[noreturn]] void fail(QSqlQuery &q);
    // Throws unless the connection is open, opening a server's again.
    void ensureOpen();
    // Runs a statement that begins or ends a transaction or a savepoint.
    QSqlQuery &control(const QString &sql);

    QString m_path;
    QString m_till;
    std::unique_ptr<Engine> m_engine;
    QString m_connection;
    QSqlDatabase m_db;
    // Node-based, so that a statement handed out by exec() stays where it is
    // while further statements are prepared.
    std::unordered_map<QString, QSqlQuery> m_statements;
    QString m_lastError;
    QString m_operator;
    std::function<void(bool)> m_upgradeNotice;
    int m_depth = 0;
    bool m_failed = false; // an inner rollback failed; the outer one must not commit
    quint64 m_commits = 0;
    QString m_operation;
    qint64 m_changesAtBegin = 0;
    int m_changes = 0;
    QSqlQuery m_control; // the latest control() statement, when not kept prepared
    std::function<void()> m_confirmedNotice;
    QString m_unknown; // why the outcome of a commit is unknown; empty while it is not
};

// One user action as one transaction: begins in the constructor and rolls
// back in the destructor unless commit() was reached.
//
// A Transaction made while another is open on the store is a savepoint
// inside it: its rollback undoes only its own work, and its commit keeps
// that work for the outer transaction to commit or roll back. Inner
// transactions end before the outer one.
class Transaction
{
public:
    explicit Transaction(Database &store);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();

private:
    Database &m_store;
    int m_level = 0;
    bool m_done = false;
};
