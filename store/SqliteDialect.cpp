#include "store/SqliteDialect.h"

#include "base/StoreError.h"
#include "base/StoredText.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <memory>
#include <sqlite3.h>
#include <tuple>
#include <vector>

const QString SqliteDialect::kNameCollation = QStringLiteral("COLLATE NOCASE");
const QString SqliteDialect::kLikeEscape = QStringLiteral("ESCAPE '\\'");

void SqliteDialect::configure(QSqlDatabase &db, const QString &path, Access access)
{
    switch (access) {
    case Access::ReadWrite: {
        // mode=rw: a missing file is an error instead of a new empty database.
        QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        url.setQuery(QStringLiteral("mode=rw"));
        db.setDatabaseName(url.toString(QUrl::FullyEncoded));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        break;
    }
    case Access::ReadOnly:
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        break;
    case Access::Create:
        db.setDatabaseName(path);
        db.setConnectOptions(QString());
        break;
    }
}

QString SqliteDialect::applyConnectionSettings(QSqlDatabase db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA synchronous=FULL")))
        return q.lastError().text();
    return {};
}

namespace {

// Sets the journal mode; the error text, empty once the file is in it.
QString setJournalMode(QSqlDatabase db, const char *mode)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=") + QLatin1String(mode)) || !q.next())
        return q.lastError().text();
    if (q.value(0).toString().compare(QLatin1String(mode), Qt::CaseInsensitive) != 0)
        return QStringLiteral("the file stays in journal mode %1").arg(q.value(0).toString());
    return {};
}

} // namespace

QString SqliteDialect::useLog(QSqlDatabase db)
{
    return setJournalMode(db, "WAL");
}

QString SqliteDialect::leaveLog(QSqlDatabase db)
{
    return setJournalMode(db, "DELETE");
}

bool SqliteDialect::inLog(QSqlDatabase db)
{
    QSqlQuery q(db);
    return q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next() &&
           q.value(0).toString() == QLatin1String("wal");
}

bool SqliteDialect::emptyLog(QSqlDatabase db)
{
    // The row: busy, frames in the log, frames copied into the file.
    QSqlQuery q(db);
    return q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) && q.next() &&
           q.value(0).toInt() == 0 && q.value(1).toInt() == q.value(2).toInt();
}

bool SqliteDialect::logIsEmpty(const QString &path)
{
    return QFileInfo(QFileInfo(path).absoluteFilePath() + QStringLiteral("-wal")).size() == 0;
}

void SqliteDialect::markRollbackJournal(char *data, qint64 size)
{
    // Bytes 18 and 19 of the header: the versions that write and read the
    // file, 2 for the write-ahead log, 1 for the rollback journal.
    static constexpr char kMagic[] = "SQLite format 3";
    if (size >= 20 && std::memcmp(data, kMagic, sizeof kMagic) == 0 && data[18] == 2 &&
        data[19] == 2)
        data[18] = data[19] = 1;
}

namespace {

int pragmaNumber(QSqlDatabase db, const char *pragma, QString *error)
{
    QSqlQuery q(db);
    bool ok = q.exec(QLatin1String(pragma)) && q.next();
    const int value = ok ? q.value(0).toInt(&ok) : -1;
    if (!ok && error) {
        *error = q.lastError().text();
        if (error->isEmpty())
            *error = QStringLiteral("not a database");
    }
    return ok ? value : -1;
}

} // namespace

int SqliteDialect::applicationId(QSqlDatabase db, QString *error)
{
    return pragmaNumber(db, "PRAGMA application_id", error);
}

int SqliteDialect::userVersion(QSqlDatabase db, QString *error)
{
    return pragmaNumber(db, "PRAGMA user_version", error);
}

QString SqliteDialect::setHeader(QSqlDatabase db, int applicationId, int version)
{
    // PRAGMA takes no bound values; both are numbers of the program's own.
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA application_id = %1").arg(applicationId)) ||
        !q.exec(QStringLiteral("PRAGMA user_version = %1").arg(version)))
        return q.lastError().text();
    return {};
}

bool SqliteDialect::CatalogEntry::operator<(const CatalogEntry &other) const
{
    return std::tie(type, name, table, sql) <
           std::tie(other.type, other.name, other.table, other.sql);
}

QList<SqliteDialect::CatalogEntry> SqliteDialect::catalog(QSqlDatabase db, QString *error)
{
    // Two statements that differ only in blanks create the same object.
    static const QRegularExpression blanksAroundPunctuation(QStringLiteral("\\s*([(),])\\s*"));
    QList<CatalogEntry> entries;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master"))) {
        *error = q.lastError().text();
        return {};
    }
    while (q.next()) {
        QString sql = q.value(3).toString().simplified();
        sql.replace(blanksAroundPunctuation, QStringLiteral("\\1"));
        entries.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), sql});
    }
    if (q.lastError().isValid()) {
        *error = q.lastError().text();
        return {};
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

QString SqliteDialect::integrityProblem(QSqlDatabase db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next())
        return q.lastError().text().isEmpty() ? QStringLiteral("integrity check failed")
                                              : q.lastError().text();
    const QString verdict = q.value(0).toString();
    return verdict == QLatin1String("ok") ? QString() : verdict;
}

void SqliteDialect::readMapped(QSqlDatabase db)
{
    // SQLite caps the map at its compile-time limit (2 GiB by default).
    QSqlQuery(db).exec(QStringLiteral("PRAGMA mmap_size = 2147418112"));
}

QString SqliteDialect::beginWrite()
{
    return QStringLiteral("BEGIN IMMEDIATE");
}

QString SqliteDialect::commit()
{
    return QStringLiteral("COMMIT");
}

QString SqliteDialect::rollback()
{
    return QStringLiteral("ROLLBACK");
}

QString SqliteDialect::savepoint(int level)
{
    return QStringLiteral("SAVEPOINT level%1").arg(level);
}

QString SqliteDialect::releaseSavepoint(int level)
{
    return QStringLiteral("RELEASE SAVEPOINT level%1").arg(level);
}

QString SqliteDialect::rollbackToSavepoint(int level)
{
    return QStringLiteral("ROLLBACK TO SAVEPOINT level%1").arg(level);
}

namespace {

QString likeLiteral(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped;
}

} // namespace

QString SqliteDialect::likeContaining(const QString &text)
{
    return QLatin1Char('%') + likeLiteral(text) + QLatin1Char('%');
}

QString SqliteDialect::likeEndingWith(const QString &text)
{
    return QLatin1Char('%') + likeLiteral(text);
}

QString SqliteDialect::fullTextPhrase(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QVariant SqliteDialect::StoredValue::toVariant() const
{
    switch (type) {
    case Type::Integer:
        return QVariant(qlonglong(integer));
    case Type::Real:
        return QVariant(real);
    case Type::Text:
        return QVariant(StoredText::toString(bytes));
    case Type::Blob:
        return QVariant(bytes.toByteArray());
    case Type::Null:
        break;
    }
    return QVariant();
}

namespace {

sqlite3 *connectionOf(QSqlDatabase db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    return qstrcmp(handle.typeName(), "sqlite3*") == 0
               ? *static_cast<sqlite3 *const *>(handle.constData())
               : nullptr;
}

} // namespace

qint64 SqliteDialect::totalChanges(QSqlDatabase db)
{
    sqlite3 *connection = db.isOpen() ? connectionOf(db) : nullptr;
    return connection ? sqlite3_total_changes64(connection) : -1;
}

void SqliteDialect::forEachRow(QSqlDatabase db, const QString &sql, int columns,
                               const std::function<bool(const StoredValue *row)> &visit)
{
    forEachRow(db, sql, {}, columns, visit);
}

void SqliteDialect::forEachRow(QSqlDatabase db, const QString &sql, const QVariantList &values,
                               int columns,
                               const std::function<bool(const StoredValue *row)> &visit)
{
    sqlite3 *connection = connectionOf(db);
    if (!connection)
        throw StoreError(QStringLiteral("数据库未打开"));
    const auto failure = [connection] {
        return StoreError(QString::fromUtf8(sqlite3_errmsg(connection)));
    };
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare16_v2(connection, sql.utf16(), int(sql.size() * sizeof(char16_t)), &raw,
                             nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        throw failure();
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> statement(raw, sqlite3_finalize);
    if (!sqlite3_stmt_readonly(raw) || sqlite3_column_count(raw) < columns ||
        sqlite3_bind_parameter_count(raw) != values.size())
        throw StoreError(QStringLiteral("读取语句不符：") + sql);
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &v = values.at(i);
        int bound = SQLITE_OK;
        if (v.isNull()) {
            bound = sqlite3_bind_null(raw, i + 1);
        } else if (v.typeId() == QMetaType::QString) {
            const QString text = v.toString();
            bound = sqlite3_bind_text16(raw, i + 1, text.utf16(),
                                        int(text.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
        } else {
            bound = sqlite3_bind_int64(raw, i + 1, v.toLongLong());
        }
        if (bound != SQLITE_OK)
            throw failure();
    }
    std::vector<StoredValue> row(static_cast<size_t>(columns));
    for (;;) {
        const int step = sqlite3_step(raw);
        if (step == SQLITE_DONE)
            return;
        if (step != SQLITE_ROW)
            throw failure();
        for (int c = 0; c < columns; ++c) {
            // The value's own functions take no lock, unlike the column
            // functions; the connection is this thread's alone.
            sqlite3_value *const value = sqlite3_column_value(raw, c);
            StoredValue &v = row[size_t(c)];
            switch (sqlite3_value_type(value)) {
            case SQLITE_INTEGER:
                v.type = StoredValue::Type::Integer;
                v.integer = sqlite3_value_int64(value);
                break;
            case SQLITE_FLOAT:
                v.type = StoredValue::Type::Real;
                v.real = sqlite3_value_double(value);
                break;
            case SQLITE_TEXT: {
                // The stored bytes in full: a NUL inside a value is kept.
                const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
                v.type = StoredValue::Type::Text;
                v.bytes = QByteArrayView(text, sqlite3_value_bytes(value));
                break;
            }
            case SQLITE_BLOB: {
                const auto *blob = static_cast<const char *>(sqlite3_value_blob(value));
                v.type = StoredValue::Type::Blob;
                v.bytes = QByteArrayView(blob, sqlite3_value_bytes(value));
                break;
            }
            default:
                v.type = StoredValue::Type::Null;
            }
        }
        if (!visit(row.data()))
            return;
    }
}
