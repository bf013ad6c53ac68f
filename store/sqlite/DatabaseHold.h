#pragma once

#include <QSqlDatabase>
#include <QString>

// A private connection to a database file that holds it still: opening it
// lets SQLite roll back a transaction a crashed writer left in the file's
// journal, and the transaction it then keeps open stops every other
// connection, in this process or another, from writing to the file until
// release(). A file in the write-ahead log has the log emptied into it first.
// A raw copy of the file taken meanwhile is one committed state.
class DatabaseHold
{
public:
    explicit DatabaseHold(const QString &path);
    ~DatabaseHold();
    DatabaseHold(const DatabaseHold &) = delete;
    DatabaseHold &operator=(const DatabaseHold &) = delete;

    bool isHeld() const { return m_held; }
    // Why the file could not be held, in the engine's words.
    QString error() const { return m_error; }
    void release();
    // The holding connection, for reads inside the held transaction on the
    // thread that made the hold.
    QSqlDatabase database() const;

    // Opens the file, lets SQLite settle it and closes it again; false (with
    // the engine's text in *error) when it could not. Rollback also turns a
    // file in the log back to the rollback journal: for the live file before
    // it is moved aside or replaced, never for a backup (that would change
    // it).
    enum class Journal { AsItIs, Rollback };
    static bool settle(const QString &path, Journal journal = Journal::AsItIs,
                       QString *error = nullptr);

private:
    QString m_connection;
    QString m_error;
    bool m_held = false;
};
