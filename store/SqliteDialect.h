#pragma once

#include <QByteArrayView>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <functional>

// Everything the store says that only SQLite understands: how a connection
// is opened and set up, the file header fields, the catalogue of objects, the
// page check, the collation of names, transactions and savepoints, and the
// escaping of LIKE and full-text patterns. The table classes write plain
// statements and take the rest from here, so a second engine adds a class
// beside this one instead of editing every table.
class SqliteDialect
{
public:
    // Text columns that hold names and phones compare without regard to ASCII
    // letter case.
    static const QString kNameCollation;

    enum class Access { ReadWrite, ReadOnly, Create };
    // Points the connection at the file. ReadWrite never creates a missing
    // file; Create does.
    static void configure(QSqlDatabase &db, const QString &path, Access access);
    // The settings every connection that writes runs with: a full sync at
    // each commit, in the file's journal or its log. Returns the error text,
    // empty on success.
    static QString applyConnectionSettings(QSqlDatabase db);

    // The live file keeps its commits in a write-ahead log beside it (the
    // file's name with -wal): a commit is one append and one flush there
    // instead of a journal written, flushed and deleted. The last connection
    // to close empties the log into the file and removes it. leaveLog() turns
    // a file back to the rollback journal, which needs the only connection to
    // it: a file that stops being the live one, as every copy, is a plain
    // rollback-journal file.
    static QString useLog(QSqlDatabase db);
    static QString leaveLog(QSqlDatabase db);
    static bool inLog(QSqlDatabase db);
    // Copies every commit of the log into the file and empties the log; false
    // when a reader or writer kept part of it out.
    static bool emptyLog(QSqlDatabase db);
    // Whether the log beside the file holds no commit (or is not there).
    static bool logIsEmpty(const QString &path);
    // The first bytes of a copy of a file that was in the log, changed to
    // mark the copy as a rollback-journal file: with the log emptied into it
    // first, the copy holds everything, and checking it makes no log beside it.
    static void markRollbackJournal(char *data, qint64 size);

    // The two header fields that mark a file as this program's and its
    // schema version; -1 when the value cannot be read, and error (when
    // given) receives why.
    static int applicationId(QSqlDatabase db, QString *error = nullptr);
    static int userVersion(QSqlDatabase db, QString *error = nullptr);
    static QString setHeader(QSqlDatabase db, int applicationId, int version);

    // One object of the catalogue (tables, indexes, triggers, views), with
    // its statement's blanks collapsed.
    struct CatalogEntry
    {
        QString type;
        QString name;
        QString table;
        QString sql;
        bool operator==(const CatalogEntry &) const = default;
        bool operator<(const CatalogEntry &other) const;
    };
    // Every object of the database, sorted; error receives the text on
    // failure.
    static QList<CatalogEntry> catalog(QSqlDatabase db, QString *error);

    // SQLite's check of every page and index; empty when it finds nothing.
    static QString integrityProblem(QSqlDatabase db);
    // Lets the connection read the file through a memory map instead of a
    // read call and a copy for every page: for checks and counts that read
    // the whole file once.
    static void readMapped(QSqlDatabase db);

    // The rows inserted, updated or deleted over the connection since it was
    // opened; -1 when it is not open.
    static qint64 totalChanges(QSqlDatabase db);

    // Transactions: the outermost one takes the write lock at once, so that
    // an action never fails halfway on a lock; nested ones are savepoints.
    static QString beginWrite();
    static QString commit();
    static QString rollback();
    static QString savepoint(int level);
    static QString releaseSavepoint(int level);
    static QString rollbackToSavepoint(int level);

    // A LIKE pattern that matches the text literally anywhere in the value,
    // or at its end; use with kLikeEscape after it.
    static QString likeContaining(const QString &text);
    static QString likeEndingWith(const QString &text);
    static const QString kLikeEscape;
    // The full-text index finds a text only when it has at least this many
    // characters; a shorter part of a name is looked up among the names'
    // parts of one and two characters, a shorter end of a phone is scanned.
    static constexpr int kShortestIndexedText = 3;
    // A full-text query for the text as one literal phrase.
    static QString fullTextPhrase(const QString &text);

    // A value of a row as forEachRow() hands it out: its stored type, and
    // for a text or a blob the stored bytes, which last only until the visit
    // returns.
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

    // Runs a statement that reads, on the connection and inside whatever
    // transaction it has open, and hands each row to visit as its first
    // columns values. It reads through SQLite's own interface and copies no
    // text: over the tens of thousands of rows of an export, Qt's row layer
    // costs about three times the read itself, and a QString for every text
    // nearly as much as the read. Stops early when visit returns false;
    // throws StoreError when the statement fails, and lets what visit throws
    // pass.
    static void forEachRow(QSqlDatabase db, const QString &sql, int columns,
                           const std::function<bool(const StoredValue *row)> &visit);
    // The same with values bound to the statement's parameters in order:
    // integers, texts and nulls.
    static void forEachRow(QSqlDatabase db, const QString &sql, const QVariantList &values,
                           int columns, const std::function<bool(const StoredValue *row)> &visit);
};
