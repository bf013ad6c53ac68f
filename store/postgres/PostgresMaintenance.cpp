#include "store/postgres/PostgresMaintenance.h"

#include "base/StoreError.h"
#include "store/Database.h"
#include "store/ServerSettings.h"
#include "store/postgres/PostgresEngine.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace PostgresMaintenance {

namespace {

// A libpq keyword's value, quoted where it holds a blank or a quote.
QString value(const QString &text)
{
    if (!text.isEmpty() && !text.contains(QLatin1Char(' ')) && !text.contains(QLatin1Char('\'')) &&
        !text.contains(QLatin1Char('\\')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

Hold::Hold(Database &store) : m_store(store)
{
    try {
        m_store.scalar(QStringLiteral("SELECT pg_advisory_lock(?)"),
                       {qint64(PostgresEngine::kMaintenanceLock)});
        m_held = true;
    } catch (const StoreError &e) {
        m_error = e.text();
    }
}

Hold::~Hold()
{
    release();
}

void Hold::release()
{
    if (!m_held)
        return;
    m_held = false;
    try {
        m_store.scalar(QStringLiteral("SELECT pg_advisory_unlock(?)"),
                       {qint64(PostgresEngine::kMaintenanceLock)});
    } catch (const StoreError &) {
        // A connection lost meanwhile has let go of the lock with its session.
    }
}

SharedSnapshot::SharedSnapshot(Database &store) : m_store(store)
{
    QSqlQuery q(store.database());
    if (!q.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY")))
        throw StoreError(q.lastError().text());
    try {
        m_id = store.scalar(QStringLiteral("SELECT pg_export_snapshot()")).toString();
    } catch (const StoreError &) {
        q.exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

SharedSnapshot::~SharedSnapshot()
{
    // A connection lost meanwhile has ended the transaction with it.
    QSqlQuery(m_store.database()).exec(QStringLiteral("ROLLBACK"));
}

void tidyAfterLoad(Database &store)
{
    // VACUUM cannot be prepared nor run in a transaction: a plain statement.
    QSqlQuery q(store.database());
    if (!q.exec(QStringLiteral("VACUUM ANALYZE")))
        throw StoreError(q.lastError().text());
}

void continueRowNumbers(Database &store)
{
    QSqlQuery &columns =
        store.exec(QStringLiteral("SELECT table_name, column_name FROM information_schema.columns "
                                  "WHERE table_schema = current_schema() AND (is_identity = 'YES' "
                                  "OR column_default LIKE 'nextval(%')"));
    QList<std::pair<QString, QString>> identities;
    while (columns.next())
        identities.append({columns.value(0).toString(), columns.value(1).toString()});
    columns.finish();
    QSqlDriver *driver = store.database().driver();
    for (const auto &[table, column] : identities) {
        const QString t = driver->escapeIdentifier(table, QSqlDriver::TableName);
        const QString c = driver->escapeIdentifier(column, QSqlDriver::FieldName);
        store.scalar(QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), "
                                    "COALESCE(max(%1), 0) + 1, false) FROM %2")
                         .arg(c, t),
                     {t, column});
    }
}

QString connectionString(const ServerSettings &server)
{
    QStringList parts;
    parts << QStringLiteral("host=") + value(server.hostList());
    if (!server.ports.isEmpty()) {
        QStringList ports;
        for (int port : server.ports)
            ports << QString::number(port);
        parts << QStringLiteral("port=") + ports.join(QLatin1Char(','));
    }
    parts << QStringLiteral("dbname=") + value(server.database);
    if (!server.user.isEmpty())
        parts << QStringLiteral("user=") + value(server.user);
    if (!server.sslmode.isEmpty())
        parts << QStringLiteral("sslmode=") + value(server.sslmode);
    parts << QStringLiteral("target_session_attrs=read-write");
    return parts.join(QLatin1Char(' '));
}

QStringList dumpArguments(const ServerSettings &server, const QString &path,
                          const QString &snapshot)
{
    QStringList arguments = {QStringLiteral("--format=custom"), QStringLiteral("--file=") + path,
                             QStringLiteral("--dbname=") + connectionString(server)};
    if (!snapshot.isEmpty())
        arguments << QStringLiteral("--snapshot=") + snapshot;
    return arguments;
}

QStringList restoreArguments(const ServerSettings &server, const QString &path)
{
    return {QStringLiteral("--clean"),
            QStringLiteral("--if-exists"),
            QStringLiteral("--single-transaction"),
            QStringLiteral("--exit-on-error"),
            QStringLiteral("--dbname=") + connectionString(server),
            path};
}

QStringList readBackArguments(const QString &path)
{
    // Without a database pg_restore writes the archive out as a script:
    // every part is read and unpacked.
    return {QStringLiteral("--exit-on-error"), QStringLiteral("--file=/dev/null"), path};
}

} // namespace PostgresMaintenance
