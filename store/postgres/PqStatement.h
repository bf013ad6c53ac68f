#pragma once

#include <QList>
#include <QMetaType>
#include <QSqlResult>

struct pg_conn;
struct pg_result;

// A statement prepared once on the server connection that Qt's PostgreSQL
// driver opened, and run through libpq's extended protocol: the values go
// apart from the text, as parameters, and the server runs the plan it keeps
// without reading any SQL. Qt's driver runs a prepared statement as the
// text of an EXECUTE with every value written into it, which the server
// parses again each time; on a till that runs a dozen statements per
// consumption, that is a good part of the server's work.
//
// A statement run by its text (QSqlQuery::exec(sql)) goes as it is, and may
// hold several; transaction control goes this way.
//
// Placeholders are positional (?); a value is sent as text, a QByteArray as
// bytes, a null value (as Qt's drivers see one) as NULL. A column comes back
// as Qt's driver gives it: integers as integers, bool as bool, numeric as
// its digits (the store reads amounts exactly), bytea as bytes, every other
// type as text. The whole result is held; the store's statements return a
// few rows, and whole tables are read another way (Engine::forEachRow()).
class PqStatement : public QSqlResult
{
public:
    explicit PqStatement(const QSqlDriver *driver);
    ~PqStatement() override;

protected:
    bool savePrepare(const QString &query) override;
    bool prepare(const QString &query) override;
    bool exec() override;
    bool reset(const QString &query) override;
    bool fetch(int i) override;
    bool fetchFirst() override;
    bool fetchLast() override;
    QVariant data(int i) override;
    bool isNull(int i) override;
    int size() override;
    int numRowsAffected() override;
    QSqlRecord record() const override;
    void detachFromResultSet() override;

private:
    pg_conn *connection() const;
    void clearResult();
    // Forgets the last outcome; the connection to run on, null when there
    // is none.
    pg_conn *started();
    // Takes the outcome of a run and describes its columns; false, with the
    // error set, when it failed.
    bool finished(pg_result *result);
    // Takes the outcome of a statement; false, with the error set, when it
    // failed.
    bool took(pg_result *result, const QString &what);
    bool noConnection(const QString &what);

    QByteArray m_name; // of the statement on the server; empty until prepared
    pg_conn *m_preparedOn = nullptr;
    pg_result *m_result = nullptr;
    QList<QMetaType> m_types; // of the result's columns
};
