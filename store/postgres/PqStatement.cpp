#include "store/postgres/PqStatement.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QTime>

#include <libpq-fe.h>

#include <atomic>
#include <vector>

namespace {

// Type oids of the columns read as something other than text.
constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700,
              kFloat8 = 701, kNumeric = 1700;

// The statement with its ? placeholders numbered as the server writes them
// ($1, $2, ...); a ? inside a quoted literal or name stays.
QByteArray numbered(const QString &query)
{
    QString sql;
    sql.reserve(query.size() + 16);
    QChar quote;
    int n = 0;
    for (const QChar c : query) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?') {
            sql += u'$' + QString::number(++n);
            continue;
        }
        sql += c;
    }
    return sql.toUtf8();
}

// A value Qt's drivers send as NULL.
bool isNullValue(const QVariant &v)
{
    if (v.isNull())
        return true;
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString().isNull();
    case QMetaType::QByteArray:
        return v.toByteArray().isNull();
    case QMetaType::QDate:
        return v.toDate().isNull();
    case QMetaType::QTime:
        return v.toTime().isNull();
    case QMetaType::QDateTime:
        return v.toDateTime().isNull();
    default:
        return false;
    }
}

// A value as a parameter: its text, or for bytes the bytes themselves
// (binary true).
QByteArray parameter(const QVariant &v, bool &binary)
{
    binary = false;
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
    case QMetaType::QByteArray:
        binary = true;
        return v.toByteArray();
    case QMetaType::Double:
        return QByteArray::number(v.toDouble(), 'g', 17);
    case QMetaType::QDate:
        return v.toDate().toString(Qt::ISODate).toLatin1();
    case QMetaType::QTime:
        return v.toTime().toString(Qt::ISODateWithMs).toLatin1();
    case QMetaType::QDateTime:
        return v.toDateTime().toString(Qt::ISODateWithMs).toLatin1();
    default:
        return v.toString().toUtf8();
    }
}

} // namespace

PqStatement::PqStatement(const QSqlDriver *driver) : QSqlResult(driver) {}

PqStatement::~PqStatement()
{
    clearResult();
    // A statement dies with its connection. One still open forgets it now,
    // unless a transaction is open there: a DEALLOCATE that failed would
    // end it.
    PGconn *conn = connection();
    if (conn && conn == m_preparedOn && !m_name.isEmpty() && PQstatus(conn) == CONNECTION_OK &&
        PQtransactionStatus(conn) == PQTRANS_IDLE)
        PQclear(PQexec(conn, QByteArray("DEALLOCATE " + m_name).constData()));
}

PGconn *PqStatement::connection() const
{
    if (!driver() || !driver()->isOpen())
        return nullptr;
    const QVariant handle = driver()->handle();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn *const *>(handle.data());
}

void PqStatement::clearResult()
{
    if (m_result)
        PQclear(m_result);
    m_result = nullptr;
    m_types.clear();
}

bool PqStatement::took(PGresult *result, const QString &what)
{
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
        m_result = result;
        return true;
    }
    PGconn *conn = connection();
    QString message =
        result ? QString::fromUtf8(PQresultErrorMessage(result)).trimmed() : QString();
    if (message.isEmpty() && conn)
        message = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const bool lost = !conn || PQstatus(conn) == CONNECTION_BAD;
    setLastError(QSqlError(what, message,
                           lost ? QSqlError::ConnectionError : QSqlError::StatementError,
                           state ? QString::fromLatin1(state) : QString()));
    if (result)
        PQclear(result);
    return false;
}

bool PqStatement::noConnection(const QString &what)
{
    setLastError(
        QSqlError(what, QStringLiteral("no connection to the server"), QSqlError::ConnectionError));
    return false;
}

bool PqStatement::savePrepare(const QString &query)
{
    setQuery(query);
    return prepare(query);
}

bool PqStatement::prepare(const QString &query)
{
    PGconn *conn = started();
    if (!conn)
        return noConnection(QStringLiteral("Unable to prepare statement"));
    // Names unique in the process, so unique on every connection.
    static std::atomic<quint64> serial{0};
    const QByteArray name = "pellomar_" + QByteArray::number(++serial);
    if (!took(PQprepare(conn, name.constData(), numbered(query).constData(), 0, nullptr),
              QStringLiteral("Unable to prepare statement")))
        return false;
    clearResult();
    m_name = name;
    m_preparedOn = conn;
    return true;
}

bool PqStatement::exec()
{
    PGconn *conn = started();
    if (conn && (conn != m_preparedOn || m_name.isEmpty()))
        conn = nullptr;
    if (!conn)
        return noConnection(QStringLiteral("Unable to create query"));
    const QVariantList values = boundValues();
    const auto n = size_t(values.size());
    std::vector<QByteArray> texts(n);
    std::vector<const char *> pointers(n, nullptr);
    std::vector<int> lengths(n, 0), formats(n, 0);
    for (size_t i = 0; i < n; ++i) {
        const QVariant &v = values.at(qsizetype(i));
        if (isNullValue(v))
            continue;
        bool binary = false;
        texts[i] = parameter(v, binary);
        pointers[i] = texts[i].constData();
        lengths[i] = int(texts[i].size());
        formats[i] = binary ? 1 : 0;
    }
    return finished(PQexecPrepared(conn, m_name.constData(), int(n), pointers.data(),
                                   lengths.data(), formats.data(), 0));
}

bool PqStatement::reset(const QString &query)
{
    // Run once by its text, without values; several statements may stand in
    // it, and the outcome is the last one's.
    setQuery(query);
    PGconn *conn = started();
    if (!conn)
        return noConnection(QStringLiteral("Unable to create query"));
    return finished(PQexec(conn, query.toUtf8().constData()));
}

PGconn *PqStatement::started()
{
    clearResult();
    setActive(false);
    setSelect(false);
    setAt(QSql::BeforeFirstRow);
    return connection();
}

bool PqStatement::finished(PGresult *result)
{
    if (!took(result, QStringLiteral("Unable to create query")))
        return false;
    if (PQresultStatus(m_result) == PGRES_TUPLES_OK) {
        const bool exact = numericalPrecisionPolicy() == QSql::HighPrecision;
        for (int c = 0; c < PQnfields(m_result); ++c) {
            switch (PQftype(m_result, c)) {
            case kBool:
                m_types << QMetaType::fromType<bool>();
                break;
            case kInt8:
            case kOid:
                m_types << QMetaType::fromType<qlonglong>();
                break;
            case kInt2:
            case kInt4:
                m_types << QMetaType::fromType<int>();
                break;
            case kNumeric:
            case kFloat4:
            case kFloat8:
                m_types << (exact ? QMetaType::fromType<QString>() : QMetaType::fromType<double>());
                break;
            case kBytea:
                m_types << QMetaType::fromType<QByteArray>();
                break;
            default:
                m_types << QMetaType::fromType<QString>();
            }
        }
        setSelect(true);
    }
    setActive(true);
    return true;
}

bool PqStatement::fetch(int i)
{
    if (!m_result || i < 0 || i >= PQntuples(m_result))
        return false;
    setAt(i);
    return true;
}

bool PqStatement::fetchFirst()
{
    return fetch(0);
}

bool PqStatement::fetchLast()
{
    return m_result && fetch(PQntuples(m_result) - 1);
}

QVariant PqStatement::data(int i)
{
    if (!m_result || i < 0 || i >= m_types.size() || at() < 0)
        return {};
    const QMetaType type = m_types.at(i);
    if (PQgetisnull(m_result, at(), i))
        return QVariant(type);
    const char *value = PQgetvalue(m_result, at(), i);
    const int length = PQgetlength(m_result, at(), i);
    switch (type.id()) {
    case QMetaType::Bool:
        return QVariant(value[0] == 't');
    case QMetaType::LongLong:
        return QVariant(QByteArray::fromRawData(value, length).toLongLong());
    case QMetaType::Int:
        return QVariant(QByteArray::fromRawData(value, length).toInt());
    case QMetaType::Double:
        return QVariant(QByteArray::fromRawData(value, length).toDouble());
    case QMetaType::QByteArray: {
        size_t size = 0;
        unsigned char *bytes =
            PQunescapeBytea(reinterpret_cast<const unsigned char *>(value), &size);
        if (!bytes)
            return QByteArray();
        const QByteArray result(reinterpret_cast<const char *>(bytes), qsizetype(size));
        PQfreemem(bytes);
        return result;
    }
    default:
        return QString::fromUtf8(value, length);
    }
}

bool PqStatement::isNull(int i)
{
    return !m_result || at() < 0 || PQgetisnull(m_result, at(), i);
}

int PqStatement::size()
{
    return m_result && isSelect() ? PQntuples(m_result) : -1;
}

int PqStatement::numRowsAffected()
{
    return m_result ? QByteArray(PQcmdTuples(m_result)).toInt() : -1;
}

QSqlRecord PqStatement::record() const
{
    QSqlRecord columns;
    for (int c = 0; m_result && c < m_types.size(); ++c)
        columns.append(QSqlField(QString::fromUtf8(PQfname(m_result, c)), m_types.at(c)));
    return columns;
}

void PqStatement::detachFromResultSet()
{
    clearResult();
}
