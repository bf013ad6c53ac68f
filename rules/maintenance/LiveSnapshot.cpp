#include "rules/maintenance/LiveSnapshot.h"

#include "rules/maintenance/TaskProgress.h"
#include "store/Schema.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

namespace {

QString failure(const QSqlQuery &q, const QString &fallback)
{
    const QString text = q.lastError().text();
    return text.trimmed().isEmpty() ? fallback : text;
}

} // namespace

LiveSnapshot::LiveSnapshot(const QString &path, TaskProgress *progress)
    : m_path(path),
      m_connection(QStringLiteral("snapshot-") + QUuid::createUuid().toString(QUuid::Id128))
{
    if (progress)
        progress->setPhase(QStringLiteral("正在检查数据…"), -1);
    const QFileInfo info(path);
    if (!info.isFile()) {
        m_problem = QStringLiteral("%1 不存在").arg(info.fileName());
        return;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    // Read-write without creating: a hot journal is rolled back on the first
    // read instead of making the file unreadable.
    QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    url.setQuery(QStringLiteral("mode=rw"));
    db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        m_problem = db.lastError().text();
        return;
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // The first read takes the shared lock the transaction keeps.
    if (!q.exec(QStringLiteral("BEGIN")) ||
        !q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !q.next()) {
        m_problem = failure(q, QStringLiteral("not a database"));
        return;
    }
    q.finish();
    m_problem = Schema::problemWith(db, Schema::Check::Quick);
    if (!m_problem.isEmpty())
        return;
    if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next()) {
        m_problem = failure(q, QStringLiteral("quick_check failed"));
        return;
    }
    if (const QString verdict = q.value(0).toString(); verdict != QLatin1String("ok")) {
        m_problem = verdict;
        return;
    }
    q.finish();
    // Each balance is read to the fen by its two-decimal text, and the fen
    // are summed as integers.
    if (!q.exec(QStringLiteral("SELECT count(*), coalesce(sum(CAST(replace(printf('%.2f', 余额), "
                               "'.', '') AS INTEGER)), 0) FROM 会员登记")) ||
        !q.next()) {
        m_problem = failure(q, QStringLiteral("cannot count the members"));
        return;
    }
    m_members = q.value(0).toLongLong();
    m_balance = Money::fromFen(q.value(1).toLongLong());
    q.finish();
    // With the lock held the file cannot change under these.
    const QFileInfo now(path);
    m_size = now.size();
    m_lastChange = now.lastModified();
}

LiveSnapshot::~LiveSnapshot()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isOpen()) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(m_connection);
}
