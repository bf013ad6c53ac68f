#pragma once

#include <QByteArrayView>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <functional>

#include "store/Engine.h"

// The embedded engine: one database file, opened through SQLite. Beside
// the Engine interface it holds what only SQLite files have and the
// maintenance of files uses: the header fields, the catalogue of objects,
// the page check, the write-ahead log and the URI a file is opened by.
class SqliteEngine final : public Engine
{
public:
    static inline const QString kDriver = QStringLiteral("QSQLITE");

    explicit SqliteEngine(QString path) : m_path(std::move(path)) {}

    Kind kind() const override { return Kind::File; }
    QString driverName() const override { return kDriver; }
    void configure(QSqlDatabase &db) const override;
    QString prepare(QSqlDatabase db, bool alongside,
                    const std::function<void(bool running)> &upgradeNotice) override;
    QString beginWrite() const override;
    bool preparesTransactionControl() const override { return true; }
    qint64 writeMark(QSqlDatabase db) const override { return totalChanges(db); }
    Condition wroteSince(qint64 mark) const override;
    QString lockForUpdate() const override { return {}; }
    QString lockKeys() const override { return {}; }
    Failure failureOf(const QSqlError &error, QSqlDatabase db) const override;
    QList<qint64> idsByPart(Part part, const QString &text, qint64 afterId, int limit,
                            const IdQuery &ids) const override;
    void forEachRow(QSqlDatabase db, const QString &sql, const QVariantList &values, int columns,
                    const RowVisit &visit) const override;
    QString unreadableAmount(const QString &column) const override;

    // A new connection of this engine, under the given connection name.
    static QSqlDatabase addConnection(const QString &name);
    // Text columns that hold names and phones compare without regard to ASCII
    // letter case.
    static const QString kNameCollation;

    enum class Access { ReadWrite, ReadOnly, Create };
    // Points the connection at the file. ReadWrite never creates a missing
    // file; Create does.
    // A writing connection waits up to busyTimeoutMs for another one's lock.
    static void configureFile(QSqlDatabase &db, const QString &path, Access access,
                              int busyTimeoutMs = 5000);
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
    // The same, the full check or the quicker one that leaves out whether
    // each index matches its table.
    enum class PageCheck { Quick, Full };
    static QString pageProblem(QSqlDatabase db, PageCheck check);
    // The number of members and their balances' sum in fen, each balance
    // read as Money::fromStored() reads it (whole yuan exactly, a decimal
    // rounded half away from zero); the error text, empty on success.
    static QString memberTotals(QSqlDatabase db, qint64 *members, qint64 *balanceFen);
    // Lets the connection read the file through a memory map instead of a
    // read call and a copy for every page: for checks and counts that read
    // the whole file once.
    static void readMapped(QSqlDatabase db);

    // The rows inserted, updated or deleted over the connection since it was
    // opened; -1 when it is not open.
    static qint64 totalChanges(QSqlDatabase db);

    // The full-text index finds a text only when it has at least this many
    // characters; a shorter part of a name is looked up among the names'
    // parts of one and two characters, a shorter end of a phone is scanned.
    static constexpr int kShortestIndexedText = 3;
    // A full-text query for the text as one literal phrase.
    static QString fullTextPhrase(const QString &text);

    // The same without bound values, for the statements of maintenance.
    static void forEachRowOf(QSqlDatabase db, const QString &sql, int columns,
                             const RowVisit &visit);

private:
    QString m_path;
};
