#include "store/sqlite/DatabaseHold.h"

#include "store/sqlite/SqliteEngine.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

DatabaseHold::DatabaseHold(const QString &path)
    : m_connection(QStringLiteral("hold-") + QUuid::createUuid().toString(QUuid::Id128))
{
    if (!QFileInfo(path).isFile()) {
        m_error = QStringLiteral("file missing");
        return;
    }
    QSqlDatabase db = SqliteEngine::addConnection(m_connection);
    // Read-write where the file allows it: only a writable connection can
    // roll back what a crashed writer left in the journal; it never creates
    // a file. No busy wait of SQLite's own: its growing sleeps lose every
    // race against a program that commits one action after the other. The
    // loop below asks again each millisecond.
    SqliteEngine::configureFile(db, path, SqliteEngine::Access::ReadWrite, 0);
    if (!db.open()) {
        m_error = db.lastError().text();
        return;
    }
    // The first read of a transaction takes the shared lock, and with it
    // SQLite plays back a hot journal; the lock stays until the end. A file
    // in the write-ahead log has its last commits in the log: the log is
    // emptied into the file first, and the write lock then taken keeps it
    // empty, so that the file alone is the whole committed state.
    const bool inLog = SqliteEngine::inLog(db);
    QSqlQuery q(db);
    constexpr int kTries = 10'000;
    for (int attempt = 1; attempt <= kTries; ++attempt) {
        QSqlError error;
        if (inLog && !SqliteEngine::emptyLog(db)) {
            error = QSqlError(QStringLiteral("the log could not be emptied"), QString(),
                              QSqlError::StatementError, QStringLiteral("5"));
        } else if (q.exec(inLog ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN")) &&
                   q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && q.next()) {
            q.finish();
            // A writer that came between the emptying and the lock has put
            // commits into the log again.
            if (!inLog || SqliteEngine::logIsEmpty(path)) {
                m_held = true;
                return;
            }
            error = QSqlError(QStringLiteral("the log filled again"), QString(),
                              QSqlError::StatementError, QStringLiteral("5"));
        } else {
            error = q.lastError();
        }
        q.finish();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        const int code = error.nativeErrorCode().toInt() & 0xff;
        if ((code != 5 && code != 6) || attempt == kTries) { // SQLITE_BUSY, SQLITE_LOCKED
            m_error = error.text();
            break;
        }
        QThread::usleep(1000);
    }
    db.close();
}

DatabaseHold::~DatabaseHold()
{
    release();
    QSqlDatabase::removeDatabase(m_connection);
}

QSqlDatabase DatabaseHold::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

void DatabaseHold::release()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isValid())
        return;
    if (m_held)
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    m_held = false;
    db.close();
}

bool DatabaseHold::settle(const QString &path, Journal journal, QString *error)
{
    DatabaseHold hold(path);
    if (!hold.isHeld()) {
        if (error)
            *error = hold.error();
        return false;
    }
    if (journal == Journal::AsItIs)
        return true;
    // With another connection open this cannot be done, and the file stays
    // as it is.
    QSqlDatabase db = hold.database();
    QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    if (SqliteEngine::inLog(db))
        SqliteEngine::leaveLog(db);
    return true;
}
