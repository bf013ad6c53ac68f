#include "store/MemberStore.h"

#include "base/StoreError.h"
#include "store/LedgerSchema.h"
#include "store/Schema.h"

#include <QFileInfo>
#include <QSqlError>
#include <QUrl>
#include <QUuid>

namespace {

QString sqliteUri(const QString &path, const char *mode)
{
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    url.setQuery(QStringLiteral("mode=") + QLatin1String(mode));
    return url.toString(QUrl::FullyEncoded);
}

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

} // namespace

MemberStore::MemberStore(QString path)
    : m_path(std::move(path)),
      m_connection(QStringLiteral("store-") + QUuid::createUuid().toString(QUuid::Id128))
{
}

MemberStore::~MemberStore()
{
    close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

bool MemberStore::open()
{
    if (isOpen())
        return true;
    m_lastError.clear();
    if (!QFileInfo(m_path).isFile()) {
        m_lastError = QStringLiteral("file missing: ") + m_path;
        return false;
    }
    if (!m_db.isValid())
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_db.setDatabaseName(sqliteUri(m_path, "rw"));
    m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_db.open()) {
        m_lastError = m_db.lastError().text();
        return false;
    }
    QString problem = Schema::problemWith(m_db, Schema::Check::Quick);
    if (problem.isEmpty()) {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("PRAGMA journal_mode=DELETE")) ||
            !q.exec(QStringLiteral("PRAGMA synchronous=FULL")))
            problem = q.lastError().text();
    }
    if (problem.isEmpty() && !LedgerSchema::hasLedgerTables(m_db))
        problem = addLedgerTables();
    if (!problem.isEmpty()) {
        m_lastError = problem;
        m_db.close();
        return false;
    }
    return true;
}

QString MemberStore::addLedgerTables()
{
    // A file from before the ledger: its tables and opening entries are
    // added in one transaction.
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return q.lastError().text();
    if (m_upgradeNotice)
        m_upgradeNotice(true);
    QString error;
    try {
        LedgerSchema::addLedgerTables(m_db);
        if (!q.exec(QStringLiteral("COMMIT")))
            error = q.lastError().text();
    } catch (const StoreError &e) {
        error = e.text();
    }
    if (!error.isEmpty())
        q.exec(QStringLiteral("ROLLBACK"));
    if (m_upgradeNotice)
        m_upgradeNotice(false);
    return error;
}

bool MemberStore::reopenIfClosed()
{
    return isOpen() || open();
}

bool MemberStore::isOpen() const
{
    return m_db.isValid() && m_db.isOpen();
}

void MemberStore::close()
{
    m_statements.clear();
    m_depth = 0;
    if (isOpen())
        m_db.close();
}

bool MemberStore::createFile(const QString &path, QString *error)
{
    if (QFileInfo::exists(path)) {
        *error = QStringLiteral("file exists: ") + path;
        return false;
    }
    const QString name = QStringLiteral("create-") + QUuid::createUuid().toString(QUuid::Id128);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            *error = db.lastError().text();
        } else {
            try {
                QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
                Schema::create(db);
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

QSqlQuery &MemberStore::exec(const QString &sql, const QVariantList &values)
{
    if (!isOpen())
        throw StoreError(QStringLiteral("database is not open"));
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            throw StoreError(q.lastError().text());
        it = m_statements.emplace(sql, q).first;
    }
    QSqlQuery &q = it->second;
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &v = values.at(i);
        // A null QString would bind as SQL NULL; an empty text box is stored
        // as the empty text.
        if (v.typeId() != QMetaType::QString)
            q.bindValue(i, v);
        else if (const QString text = v.toString(); text.isNull())
            q.bindValue(i, QStringLiteral(""));
        else if (!text.isValidUtf16())
            q.bindValue(i, wholeCharacters(text));
        else
            q.bindValue(i, v);
    }
    if (!q.exec()) {
        const QString text = q.lastError().text();
        q.finish();
        throw StoreError(text);
    }
    return q;
}

QVariant MemberStore::scalar(const QString &sql, const QVariantList &values)
{
    QSqlQuery &q = exec(sql, values);
    QVariant v;
    if (q.next())
        v = q.value(0);
    q.finish();
    return v;
}

int MemberStore::changes()
{
    return scalar(QStringLiteral("SELECT changes()")).toInt();
}

void MemberStore::begin()
{
    if (m_depth == 0)
        exec(QStringLiteral("BEGIN IMMEDIATE"));
    ++m_depth;
}

void MemberStore::commit()
{
    if (--m_depth == 0) {
        exec(QStringLiteral("COMMIT"));
        ++m_commits;
    }
}

void MemberStore::rollback()
{
    if (m_depth == 0)
        return;
    m_depth = 0;
    if (isOpen()) {
        QSqlQuery q(m_db);
        q.exec(QStringLiteral("ROLLBACK"));
    }
}

Transaction::Transaction(MemberStore &store) : m_store(store)
{
    m_store.begin();
}

Transaction::~Transaction()
{
    if (!m_done)
        m_store.rollback();
}

void Transaction::commit()
{
    try {
        m_store.commit();
    } catch (...) {
        ++m_store.m_depth; // the COMMIT did not happen: let the destructor roll back
        throw;
    }
    m_done = true;
}
