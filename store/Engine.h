#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <functional>

class Database;
class QSqlError;

// What a database engine does its own way, behind one interface: how a
// connection is opened and checked, how a write transaction begins, how the
// store learns that a transaction wrote, how rows about to change are
// locked, how members are found by a part of a name or phone, and how a
// whole table is read quickly. The table classes write one SQL text for
// every engine and take the rest from here; an engine's own SQL stays in its
// folder (store/sqlite/, store/postgres/).
//
// Every table that the store addresses by row has a column named rowid
// (SQLite's own row number; on a server a real column of that name, filled
// from an identity), so statements that name rowid run on each engine.
class Engine
{
public:
    virtual ~Engine() = default;

    // The texts of the StoreError of an action refused because maintenance
    // (a restore, a clear) holds the database, of a statement whose
    // connection to the server was lost, and of one another till's
    // transaction stood in the way of (a deadlock, a serialization failure;
    // the server's words follow these two).
    static inline const QString kMaintenanceRunning =
        QStringLiteral("the database is under maintenance");
    static inline const QString kConnectionLost =
        QStringLiteral("the connection to the database server was lost");
    static inline const QString kConflict =
        QStringLiteral("another till's transaction stood in the way");

    enum class Kind { File, Server };
    virtual Kind kind() const = 0;
    // Qt's driver name for the connection.
    virtual QString driverName() const = 0;
    // Points a connection, not yet open, at the database.
    virtual void configure(QSqlDatabase &db) const = 0;
    // After the connection opened: checks that the database is this
    // program's, of a version this program can use (and brings an older one
    // to the current version where the engine can), and sets the connection
    // up. alongside: another store of this run has already checked it.
    // Returns why the database cannot be used, empty when it can.
    virtual QString prepare(QSqlDatabase db, bool alongside,
                            const std::function<void(bool running)> &upgradeNotice) = 0;

    // The statement that begins the outermost write transaction; where
    // transaction control runs by its text, several may stand in it, in one
    // round trip to the server. It must succeed; when it ends with a query
    // whose row has a first value of false, the transaction is refused (the
    // database is being maintained).
    virtual QString beginWrite() const = 0;
    // A statement on the connection, for the store to prepare once and run
    // many times, or to run once by its text: Qt's own, or one of the
    // engine's that runs statements a faster way than its driver.
    virtual QSqlQuery statement(QSqlDatabase db) const { return QSqlQuery(db); }
    // Whether the statements that begin and end transactions and savepoints
    // can be prepared (and so kept prepared) like any other.
    virtual bool preparesTransactionControl() const = 0;
    virtual QString commit() const { return QStringLiteral("COMMIT"); }
    virtual QString rollback() const { return QStringLiteral("ROLLBACK"); }
    virtual QString savepoint(int level) const
    {
        return QStringLiteral("SAVEPOINT level%1").arg(level);
    }
    virtual QString releaseSavepoint(int level) const
    {
        return QStringLiteral("RELEASE SAVEPOINT level%1").arg(level);
    }
    virtual QString rollbackToSavepoint(int level) const
    {
        return QStringLiteral("ROLLBACK TO SAVEPOINT level%1").arg(level);
    }

    // A condition, with the values it binds, that holds while the store's
    // open transaction has written anything since mark, a value writeMark()
    // gave at its start. It stands in the statement that stores the
    // transaction's number, so that asking costs no statement of its own.
    struct Condition
    {
        QString sql;
        QVariantList values;
    };
    virtual qint64 writeMark(QSqlDatabase db) const = 0;
    virtual Condition wroteSince(qint64 mark) const = 0;

    // What a SELECT of rows about to change ends with, so that they stay
    // locked until the transaction ends; empty where a write transaction
    // already keeps every other writer out.
    virtual QString lockForUpdate() const = 0;
    // Serialises the registration of the same names and phones by two
    // connections at once until the transaction ends; empty (nothing to run)
    // where write transactions are serial anyway. One value per key.
    virtual QString lockKeys() const = 0;

    // Why a statement failed, as the store reports it.
    enum class Failure { Other, ConnectionLost, Conflict };
    virtual Failure failureOf(const QSqlError &error, QSqlDatabase db) const = 0;

    // Member search by part of a name (anywhere) or the end of a phone,
    // ASCII letter case ignored, in registration order after afterId, at
    // most limit ids (a negative limit: all). ids runs one statement and
    // returns the first column of its rows.
    using IdQuery = std::function<QList<qint64>(const QString &sql, const QVariantList &values)>;
    enum class Part { NameContaining, PhoneEndingWith };
    virtual QList<qint64> idsByPart(Part part, const QString &text, qint64 afterId, int limit,
                                    const IdQuery &ids) const = 0;

    // A value of a row as forEachRow() hands it out: its stored type, and
    // for a text or a blob the stored bytes (UTF-8 for a text), which last
    // only until the visit returns.
    struct StoredValue
    {
        enum class Type { Null, Integer, Real, Text, Blob };
        Type type = Type::Null;
        qint64 integer = 0;
        double real = 0;
        QByteArrayView bytes;

        // The value as a QVariant of its type: a text as StoredText reads
        // it, a blob as a QByteArray.
        QVariant toVariant() const;
    };
    using RowVisit = std::function<bool(const StoredValue *row)>;
    // Runs a statement that reads, on the connection and inside whatever
    // transaction it has open, and hands each row to visit as its first
    // columns values; values are bound in order. Stops early when visit
    // returns false; throws StoreError when the statement fails.
    virtual void forEachRow(QSqlDatabase db, const QString &sql, const QVariantList &values,
                            int columns, const RowVisit &visit) const;

    // The condition, for a money column of 会员登记 (with its table alias),
    // that holds when the stored value is not a number the program can read
    // (only possible where a column takes any type).
    virtual QString unreadableAmount(const QString &column) const = 0;
};

// A LIKE pattern that matches the text literally anywhere in the value, or
// at its end; with kLikeEscape after the LIKE.
namespace LikePattern {
inline const QString kEscape = QStringLiteral("ESCAPE '\\'");
QString containing(const QString &text);
QString endingWith(const QString &text);
} // namespace LikePattern
