#include "store/sqlite/SqliteEngine.h"

#include "base/StoreError.h"
#include "base/StoredText.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <sqlite3.h>
#include <tuple>
#include <vector>

const QString SqliteEngine::kNameCollation = QStringLiteral("COLLATE NOCASE");

void SqliteEngine::configureFile(QSqlDatabase &db, const QString &path, Access access,
                                 int busyTimeoutMs)
{
    switch (access) {
    case Access::ReadWrite: {
        // mode=rw: a missing file is an error instead of a new empty database.
        QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        url.setQuery(QStringLiteral("mode=rw"));
        db.setDatabaseName(url.toString(QUrl::FullyEncoded));
        db.setConnectOptions(
            QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
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

QString SqliteEngine::applyConnectionSettings(QSqlDatabase db)
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

QString SqliteEngine::useLog(QSqlDatabase db)
{
    return setJournalMode(db, "WAL");
}

QString SqliteEngine::leaveLog(QSqlDatabase db)
{
    return setJournalMode(db, "DELETE");
}

bool SqliteEngine::inLog(QSqlDatabase db)
{
    QSqlQuery q(db);
    return q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next() &&
           q.value(0).toString() == QLatin1String("wal");
}

bool SqliteEngine::emptyLog(QSqlDatabase db)
{
    // The row: busy, frames in the log, frames copied into the file.
    QSqlQuery q(db);
    return q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) && q.next() &&
           q.value(0).toInt() == 0 && q.value(1).toInt() == q.value(2).toInt();
}

bool SqliteEngine::logIsEmpty(const QString &path)
{
    return QFileInfo(QFileInfo(path).absoluteFilePath() + QStringLiteral("-wal")).size() == 0;
}

void SqliteEngine::markRollbackJournal(char *data, qint64 size)
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

int SqliteEngine::applicationId(QSqlDatabase db, QString *error)
{
    return pragmaNumber(db, "PRAGMA application_id", error);
}

int SqliteEngine::userVersion(QSqlDatabase db, QString *error)
{
    return pragmaNumber(db, "PRAGMA user_version", error);
}

QString SqliteEngine::setHeader(QSqlDatabase db, int applicationId, int version)
{
    // PRAGMA takes no bound values; both are numbers of the program's own.
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA application_id = %1").arg(applicationId)) ||
        !q.exec(QStringLiteral("PRAGMA user_version = %1").arg(version)))
        return q.lastError().text();
    return {};
}

bool SqliteEngine::CatalogEntry::operator<(const CatalogEntry &other) const
{
    return std::tie(type, name, table, sql) <
           std::tie(other.type, other.name, other.table, other.sql);
}

QList<SqliteEngine::CatalogEntry> SqliteEngine::catalog(QSqlDatabase db, QString *error)
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

QString SqliteEngine::integrityProblem(QSqlDatabase db)
{
    return pageProblem(db, PageCheck::Full);
}

QString SqliteEngine::pageProblem(QSqlDatabase db, PageCheck check)
{
    const bool quick = check == PageCheck::Quick;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(quick ? QStringLiteral("PRAGMA quick_check")
                      : QStringLiteral("PRAGMA integrity_check")) ||
        !q.next())
        return !q.lastError().text().trimmed().isEmpty() ? q.lastError().text()
               : quick                                   ? QStringLiteral("quick_check failed")
                                                         : QStringLiteral("integrity check failed");
    const QString verdict = q.value(0).toString();
    return verdict == QLatin1String("ok") ? QString() : verdict;
}

QString SqliteEngine::memberTotals(QSqlDatabase db, qint64 *members, qint64 *balanceFen)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // The fen are added as integers.
    if (!q.exec(QStringLiteral("SELECT count(*), coalesce(sum(CASE typeof(余额) "
                               "WHEN 'integer' THEN 余额 * 100 "
                               "ELSE CAST(round(余额 * 100) AS INTEGER) END), 0) "
                               "FROM 会员登记")) ||
        !q.next()) {
        const QString text = q.lastError().text();
        return text.trimmed().isEmpty() ? QStringLiteral("cannot count the members") : text;
    }
    *members = q.value(0).toLongLong();
    *balanceFen = q.value(1).toLongLong();
    return {};
}

void SqliteEngine::readMapped(QSqlDatabase db)
{
    // SQLite caps the map at its compile-time limit (2 GiB by default).
    QSqlQuery(db).exec(QStringLiteral("PRAGMA mmap_size = 2147418112"));
}

Engine::Condition SqliteEngine::wroteSince(qint64 mark) const
{
    // The same count as totalChanges(), as SQL reads it.
    return {QStringLiteral("total_changes() <> ?"), {mark}};
}

QString SqliteEngine::beginWrite() const
{
    // The write lock is taken at once, so that an action never fails halfway
    // on a lock and reads inside it what no other writer can change.
    return QStringLiteral("BEGIN IMMEDIATE");
}

QString SqliteEngine::fullTextPhrase(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
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

qint64 SqliteEngine::totalChanges(QSqlDatabase db)
{
    sqlite3 *connection = db.isOpen() ? connectionOf(db) : nullptr;
    return connection ? sqlite3_total_changes64(connection) : -1;
}

void SqliteEngine::forEachRowOf(QSqlDatabase db, const QString &sql, int columns,
                                const RowVisit &visit)
{
    SqliteEngine(QString()).forEachRow(db, sql, {}, columns, visit);
}

// It reads through SQLite's own interface and copies no text: over the tens
// of thousands of rows of an export, Qt's row layer costs about three times
// the read itself, and a QString for every text nearly as much as the read.
void SqliteEngine::forEachRow(QSqlDatabase db, const QString &sql, const QVariantList &values,
                              int columns, const RowVisit &visit) const
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

QSqlDatabase SqliteEngine::addConnection(const QString &name)
{
    return QSqlDatabase::addDatabase(kDriver, name);
}

void SqliteEngine::configure(QSqlDatabase &db) const
{
    configureFile(db, m_path, Access::ReadWrite);
}

QString SqliteEngine::prepare(QSqlDatabase db, bool alongside,
                              const std::function<void(bool running)> &upgradeNotice)
{
    if (alongside)
        return applyConnectionSettings(db);
    // Nothing is written to a file that is not this program's.
    QString problem = Schema::problemWith(db, Schema::Check::Quick);
    if (problem.isEmpty())
        problem = applyConnectionSettings(db);
    if (problem.isEmpty()) {
        // An older file is upgraded here; the ledger's opening entries of a
        // large file take seconds, so the program is told while it runs.
        const bool older = Schema::versionOf(db) < Schema::kVersion;
        if (older && upgradeNotice)
            upgradeNotice(true);
        try {
            Schema::upgrade(db);
        } catch (const StoreError &e) {
            problem = e.text();
        }
        if (older && upgradeNotice)
            upgradeNotice(false);
    }
    if (problem.isEmpty())
        problem = useLog(db);
    return problem;
}

Engine::Failure SqliteEngine::failureOf(const QSqlError &, QSqlDatabase) const
{
    // One file on this computer: there is no connection to lose, and a
    // write transaction holds the file's lock from its start.
    return Failure::Other;
}

QString SqliteEngine::unreadableAmount(const QString &column) const
{
    return QStringLiteral("typeof(%1) NOT IN ('integer', 'real')").arg(column);
}

QList<qint64> SqliteEngine::idsByPart(Part part, const QString &text, qint64 afterId, int limit,
                                      const IdQuery &ids) const
{
    const bool byName = part == Part::NameContaining;
    const QString likePattern =
        byName ? LikePattern::containing(text) : LikePattern::endingWith(text);
    // The index finds the rows holding the text anywhere, folding letter
    // case more widely than the program does; the LIKE on the table keeps
    // exactly the rows a scan would find.
    static const auto statements = [](const QString &name) {
        const QString escape = LikePattern::kEscape;
        return std::pair{
            QStringLiteral("SELECT m.rowid FROM 会员检索 f JOIN 会员登记 m ON m.rowid = f.rowid "
                           "WHERE f.%1 MATCH ? AND m.%1 LIKE ? %2 AND f.rowid > ? "
                           "ORDER BY f.rowid LIMIT ?")
                .arg(name, escape),
            QStringLiteral("SELECT rowid FROM 会员登记 WHERE %1 LIKE ? %2 AND rowid > ? "
                           "ORDER BY rowid LIMIT ?")
                .arg(name, escape)};
    };
    static const std::pair<QString, QString> nameStatements = statements(QStringLiteral("会员名"));
    static const std::pair<QString, QString> phoneStatements = statements(QStringLiteral("手机号"));
    const auto &[indexed, scanned] = byName ? nameStatements : phoneStatements;
    if (text.toUcs4().size() >= kShortestIndexedText)
        return ids(indexed, {fullTextPhrase(text), likePattern, afterId, limit});
    if (!byName)
        return ids(scanned, {likePattern, afterId, limit});

    // A part of one or two characters is looked up in the names' parts (in
    // small letters, as lower() makes them); names too long to have their
    // parts kept carry the empty part and are read with LIKE. Both lists
    // come in registration order and are merged.
    static const QString sql =
        QStringLiteral("SELECT g.会员行 FROM 会员名片段 g JOIN 会员登记 m ON m.rowid = g.会员行 "
                       "WHERE g.片段 = ? AND g.会员行 > ? AND m.会员名 LIKE ? %1 "
                       "ORDER BY g.会员行 LIMIT ?")
            .arg(LikePattern::kEscape);
    QString lowered = text;
    for (QChar &c : lowered)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    const QList<qint64> byPart = ids(sql, {lowered, afterId, likePattern, limit});
    const QList<qint64> longNames = ids(sql, {QString(), afterId, likePattern, limit});
    if (longNames.isEmpty())
        return byPart;
    QList<qint64> merged;
    std::set_union(byPart.cbegin(), byPart.cend(), longNames.cbegin(), longNames.cend(),
                   std::back_inserter(merged));
    if (limit >= 0 && merged.size() > limit)
        merged.resize(limit);
    return merged;
}
