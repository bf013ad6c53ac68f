#include "store/Database.h"

#include "base/Clock.h"
#include "base/Session.h"
#include "base/StoreError.h"
#include "store/Schema.h"
#include "store/ServerSettings.h"
#include "store/postgres/PostgresEngine.h"
#include "store/sqlite/SqliteEngine.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlError>
#include <QUuid>

namespace {

// SQLite keeps half a character (an unpaired UTF-16 surrogate, which a box
// cutting a paste at its length limit can hold) as bytes that are not UTF-8,
// and reads them back as U+FFFD, which then no longer finds the row. U+FFFD
// is stored in its place instead.
QString wholeCharacters(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

// A value as it is bound: a null QString would bind as SQL NULL, and an
// empty text box is stored as the empty text.
QVariant bindable(const QVariant &v)
{
    if (v.typeId() != QMetaType::QString)
        return v;
    if (const QString text = v.toString(); text.isNull())
        return QStringLiteral("");
    else if (!text.isValidUtf16())
        return wholeCharacters(text);
    return v;
}

} // namespace

Database::Database(QString path)
    : m_path(std::move(path)), m_engine(std::make_unique<SqliteEngine>(m_path)),
      m_connection(QStringLiteral("store-") + QUuid::createUuid().toString(QUuid::Id128))
{
}

Database::Database(const ServerSettings &server)
    : m_till(server.till), m_engine(std::make_unique<PostgresEngine>(server)),
      m_connection(QStringLiteral("store-") + QUuid::createUuid().toString(QUuid::Id128))
{
}

Database::~Database()
{
    close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

bool Database::open()
{
    if (isOpen())
        return true;
    m_lastError.clear();
    if (outcomeUnknown()) {
        m_lastError = m_unknown;
        return false;
    }
    if (!isServer() && !QFileInfo(m_path).isFile()) {
        m_lastError = QStringLiteral("file missing: ") + m_path;
        return false;
    }
    if (!m_db.isValid())
        m_db = QSqlDatabase::addDatabase(m_engine->driverName(), m_connection);
    m_engine->configure(m_db);
    if (!m_db.open()) {
        m_lastError = m_db.lastError().text();
        return false;
    }
    if (const QString problem = m_engine->prepare(m_db, false, m_upgradeNotice);
        !problem.isEmpty()) {
        m_lastError = problem;
        m_db.close();
        return false;
    }
    return true;
}

void Database::openAlongside()
{
    if (isOpen())
        return;
    if (!m_db.isValid())
        m_db = QSqlDatabase::addDatabase(m_engine->driverName(), m_connection);
    m_engine->configure(m_db);
    QString problem = m_db.open() ? m_engine->prepare(m_db, true, {}) : m_db.lastError().text();
    if (problem.isEmpty())
        return;
    m_db.close();
    throw StoreError(problem);
}

std::unique_ptr<Database> Database::sameDatabase() const
{
    if (isServer())
        return std::make_unique<Database>(static_cast<const PostgresEngine &>(*m_engine).server());
    return std::make_unique<Database>(m_path);
}

bool Database::reopenIfClosed()
{
    return isOpen() || open();
}

bool Database::isOpen() const
{
    return m_db.isValid() && m_db.isOpen();
}

void Database::close()
{
    m_statements.clear();
    m_control = QSqlQuery();
    m_depth = 0;
    if (isOpen())
        m_db.close();
}

namespace {

void addBuiltInAdmin(QSqlDatabase db, const QString &passwordHash, const QString &remark)
{
    QSqlQuery q(db);
    if (!q.prepare(
            QStringLiteral("INSERT INTO 管理员登记 (管理员名字, 密码, 备注) VALUES (?, ?, ?)")))
        throw StoreError(q.lastError().text());
    q.addBindValue(Schema::kBuiltInAdmin);
    q.addBindValue(passwordHash);
    q.addBindValue(remark);
    if (!q.exec())
        throw StoreError(q.lastError().text());
    if (!q.prepare(QStringLiteral("INSERT INTO 管理员角色 (管理员名字, 角色) VALUES (?, ?)")))
        throw StoreError(q.lastError().text());
    q.addBindValue(Schema::kBuiltInAdmin);
    q.addBindValue(Roles::kOwner);
    if (!q.exec())
        throw StoreError(q.lastError().text());
}

} // namespace

bool Database::createServerDatabase(const ServerSettings &server, const QString &adminPasswordHash,
                                    const QString &adminRemark, QString *error)
{
    const QString name = QStringLiteral("create-") + QUuid::createUuid().toString(QUuid::Id128);
    bool ok = false;
    {
        const PostgresEngine serverEngine(server);
        QSqlDatabase db = QSqlDatabase::addDatabase(serverEngine.driverName(), name);
        serverEngine.configure(db);
        if (!db.open()) {
            *error = db.lastError().text();
        } else {
            try {
                // The tables and the administrator in one transaction: a
                // database without its administrator is no database of ours.
                PostgresEngine::createSchema(
                    db, [&] { addBuiltInAdmin(db, adminPasswordHash, adminRemark); });
                ok = true;
            } catch (const StoreError &e) {
                *error = e.text();
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool Database::createFile(const QString &path, const QString &adminPasswordHash,
                          const QString &adminRemark, QString *error)
{
    if (QFileInfo::exists(path)) {
        *error = QStringLiteral("file exists: ") + path;
        return false;
    }
    const QString name = QStringLiteral("create-") + QUuid::createUuid().toString(QUuid::Id128);
    bool ok = false;
    {
        QSqlDatabase db = SqliteEngine::addConnection(name);
        SqliteEngine::configureFile(db, path, SqliteEngine::Access::Create);
        if (!db.open()) {
            *error = db.lastError().text();
        } else {
            try {
                if (const QString settings = SqliteEngine::applyConnectionSettings(db);
                    !settings.isEmpty())
                    throw StoreError(settings);
                Schema::create(db);
                addBuiltInAdmin(db, adminPasswordHash, adminRemark);
                ok = true;
            } catch (const StoreError &e) {
                *error = e.text();
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!ok)
        QFile::remove(path); // a file without its administrator is no database of ours
    return ok;
}

void Database::fail(QSqlQuery &q)
{
    const QSqlError error = q.lastError();
    q.finish();
    switch (m_engine->failureOf(error, m_db)) {
    case Engine::Failure::ConnectionLost:
        // The connection is of no further use; the next action opens it anew.
        close();
        throw StoreError(Engine::kConnectionLost + QStringLiteral(": ") + error.text(),
                         StoreError::Outcome::NothingChanged, StoreError::Cause::ConnectionLost);
    case Engine::Failure::Conflict:
        throw StoreError(Engine::kConflict + QStringLiteral(": ") + error.text(),
                         StoreError::Outcome::NothingChanged, StoreError::Cause::Conflict);
    case Engine::Failure::Other:
        break;
    }
    throw StoreError(error.text());
}

void Database::ensureOpen()
{
    if (outcomeUnknown())
        throw StoreError(m_unknown, StoreError::Outcome::Unknown);
    if (isOpen())
        return;
    // A server's connection lost by an earlier action is opened again at the
    // start of the next one, never inside a transaction it ended.
    if (!isServer() || m_depth > 0)
        throw StoreError(QStringLiteral("database is not open"));
    if (!open())
        throw StoreError(Engine::kConnectionLost + QStringLiteral(": ") + m_lastError,
                         StoreError::Outcome::NothingChanged, StoreError::Cause::ConnectionLost);
}

QSqlQuery &Database::exec(const QString &sql, const QVariantList &values)
{
    ensureOpen();
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        QSqlQuery q = m_engine->statement(m_db);
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            fail(q);
        it = m_statements.emplace(sql, q).first;
    }
    QSqlQuery &q = it->second;
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, bindable(values.at(i)));
    if (!q.exec())
        fail(q);
    if (!q.isSelect())
        m_changes = q.numRowsAffected();
    return q;
}

QSqlQuery &Database::control(const QString &sql)
{
    if (m_engine->preparesTransactionControl())
        return exec(sql);
    ensureOpen();
    m_control = m_engine->statement(m_db);
    if (!m_control.exec(sql))
        fail(m_control);
    return m_control;
}

QVariant Database::scalar(const QString &sql, const QVariantList &values)
{
    QSqlQuery &q = exec(sql, values);
    QVariant v;
    if (q.next())
        v = q.value(0);
    q.finish();
    return v;
}

std::optional<qint64> Database::insertReturning(const QString &sql, const QVariantList &values,
                                                const QString &column)
{
    QSqlQuery &q = exec(sql + QStringLiteral(" RETURNING ") + column, values);
    std::optional<qint64> id;
    if (q.next())
        id = q.value(0).toLongLong();
    m_changes = id ? 1 : 0;
    q.finish();
    return id;
}

void Database::forEachRow(const QString &sql, const QVariantList &values, int columns,
                          const Engine::RowVisit &visit)
{
    ensureOpen();
    QVariantList bound;
    bound.reserve(values.size());
    for (const QVariant &v : values)
        bound << bindable(v);
    m_engine->forEachRow(m_db, sql, bound, columns, visit);
}

bool Database::isConflict(const StoreError &e)
{
    return e.cause() == StoreError::Cause::Conflict;
}

QString Database::newOperationNumber()
{
    // Time first, so that the numbers of one file grow at the end of its index.
    const quint64 ms = quint64(QDateTime::currentMSecsSinceEpoch()) % 10000000000000ULL;
    const quint64 chance = QRandomGenerator::system()->generate64() % 10000000000000000000ULL;
    return QStringLiteral("%1%2")
        .arg(ms, 13, 10, QLatin1Char('0'))
        .arg(chance, 19, 10, QLatin1Char('0'));
}

void Database::begin()
{
    if (m_depth > 0) {
        control(m_engine->savepoint(m_depth));
        ++m_depth;
        return;
    }
    QSqlQuery &q = control(m_engine->beginWrite());
    // A lock the engine could not take (maintenance holds the database).
    const bool refused = q.isSelect() && q.next() && !q.value(0).toBool();
    q.finish();
    if (refused) {
        QSqlQuery(m_db).exec(m_engine->rollback());
        throw StoreError(Engine::kMaintenanceRunning);
    }
    m_failed = false;
    m_operation = newOperationNumber();
    m_changesAtBegin = m_engine->writeMark(m_db);
    ++m_depth;
}

void Database::commit(int level)
{
    Q_ASSERT(level == m_depth); // an inner transaction ends before its outer one
    if (level > 1) {
        control(m_engine->releaseSavepoint(level - 1));
        --m_depth;
        return;
    }
    // An inner transaction that could not be undone leaves the outer one
    // in an unknown state: it must not be committed.
    if (m_failed)
        throw StoreError(QStringLiteral("an inner transaction could not be rolled back"));
    // A transaction that only read (a snapshot) leaves no number. A
    // connection lost here took the transaction with it: the failure goes up
    // as it is, and the action is not done.
    const Engine::Condition wroteAny = m_engine->wroteSince(m_changesAtBegin);
    exec(QStringLiteral("INSERT INTO 已完成操作 (操作号, 时间) SELECT ?, ? WHERE ") + wroteAny.sql,
         QVariantList{m_operation, Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))} +
             wroteAny.values);
    const bool wrote = m_changes > 0;
    try {
        control(m_engine->commit());
    } catch (const StoreError &e) {
        if (!wrote)
            throw;
        m_depth = 0;
        confirmFailedCommit(e.text());
        if (m_confirmedNotice)
            m_confirmedNotice();
    }
    m_depth = 0;
    ++m_commits;
}

void Database::confirmFailedCommit(const QString &detail)
{
    // SQLite cannot know whether log frames it wrote but could not flush
    // will be read back: the file read afresh decides. Closing the only
    // connection lets the next open read the log from the disk.
    close();
    bool readable = open();
    bool found = false;
    if (readable) {
        try {
            found =
                scalar(QStringLiteral("SELECT 1 FROM 已完成操作 WHERE 操作号 = ?"), {m_operation})
                    .isValid();
        } catch (const StoreError &) {
            readable = false;
        }
    }
    if (!readable) {
        close();
        // A file that cannot be read is refused until the program starts
        // again; a server out of reach is asked again at the next action.
        if (isServer())
            throw StoreError(detail, StoreError::Outcome::Unknown,
                             StoreError::Cause::ConnectionLost);
        m_unknown = detail;
        throw StoreError(detail, StoreError::Outcome::Unknown);
    }
    if (!found)
        throw StoreError(detail, StoreError::Outcome::NotDone);
}

void Database::rollback(int level)
{
    // A transaction that outlived a close() of the store has nothing left
    // to undo: the close ended it.
    if (level > m_depth || !isOpen())
        return;
    Q_ASSERT(level == m_depth);
    QSqlQuery q(m_db);
    if (level > 1) {
        // Undoes the inner work and leaves the outer transaction as it was
        // when the inner one began.
        if (!q.exec(m_engine->rollbackToSavepoint(level - 1)) ||
            !q.exec(m_engine->releaseSavepoint(level - 1)))
            m_failed = true;
        --m_depth;
        return;
    }
    q.exec(m_engine->rollback());
    m_depth = 0;
}

Transaction::Transaction(Database &store) : m_store(store)
{
    m_store.begin();
    m_level = m_store.m_depth;
}

Transaction::~Transaction()
{
    if (!m_done)
        m_store.rollback(m_level);
}

void Transaction::commit()
{
    m_store.commit(m_level); // on failure the destructor rolls back
    m_done = true;
}
