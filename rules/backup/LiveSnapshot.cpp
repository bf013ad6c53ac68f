#include "rules/backup/LiveSnapshot.h"

#include "rules/backup/TaskProgress.h"
#include "store/DatabaseHold.h"
#include "store/Schema.h"
#include "store/SqliteDialect.h"

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

// Read-write without creating: a hot journal is rolled back on the first
// read instead of making the file unreadable.
QSqlDatabase openConnection(const QString &path, const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    url.setQuery(QStringLiteral("mode=rw"));
    db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    db.open();
    return db;
}

QString connectionName()
{
    return QStringLiteral("snapshot-") + QUuid::createUuid().toString(QUuid::Id128);
}

} // namespace

LiveSnapshot::LiveSnapshot(const QString &path, TaskProgress *progress) : m_path(path)
{
    if (progress)
        progress->setPhase(QStringLiteral("正在检查数据…"), -1);
    const QFileInfo info(path);
    if (!info.isFile()) {
        m_problem = QStringLiteral("%1 不存在").arg(info.fileName());
        return;
    }
    m_holder.reset(QThread::create(&LiveSnapshot::hold, this));
    m_holder->start();
    m_problem = m_held.get_future().get();
    if (!m_problem.isEmpty())
        return;
    // With the file held these cannot change until the object goes.
    const QFileInfo held(path);
    m_size = held.size();
    m_lastChange = held.lastModified();
}

void LiveSnapshot::startCounting()
{
    if (m_problem.isEmpty() && !m_counter) {
        m_counter.reset(QThread::create(&LiveSnapshot::count, this, connectionName()));
        m_counter->start();
    }
}

LiveSnapshot::~LiveSnapshot()
{
    if (m_holder) {
        m_release.set_value();
        m_holder->wait();
    }
    if (m_counter)
        m_counter->wait();
}

void LiveSnapshot::hold()
{
    DatabaseHold hold(m_path);
    if (!hold.isHeld()) {
        m_held.set_value(hold.error().trimmed().isEmpty() ? QStringLiteral("not a database")
                                                          : hold.error());
        return;
    }
    m_held.set_value(QString());
    QSqlDatabase db = hold.database();
    SqliteDialect::readMapped(db);
    QString problem = Schema::problemWith(db, Schema::Check::Quick);
    if (problem.isEmpty()) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next())
            problem = failure(q, QStringLiteral("quick_check failed"));
        else if (const QString verdict = q.value(0).toString(); verdict != QLatin1String("ok"))
            problem = verdict;
    }
    m_checked.set_value(problem);
    m_release.get_future().wait();
}

void LiveSnapshot::count(const QString &connection)
{
    {
        QSqlDatabase db = openConnection(m_path, connection);
        SqliteDialect::readMapped(db);
        QSqlQuery q(db);
        q.setForwardOnly(true);
        // Each balance becomes fen as Money::fromStored() reads it (whole
        // yuan exactly, a decimal rounded half away from zero), and the fen
        // are added as integers.
        if (!q.exec(QStringLiteral("SELECT count(*), coalesce(sum(CASE typeof(余额) "
                                   "WHEN 'integer' THEN 余额 * 100 "
                                   "ELSE CAST(round(余额 * 100) AS INTEGER) END), 0) "
                                   "FROM 会员登记")) ||
            !q.next()) {
            m_counted.set_value(failure(q, QStringLiteral("cannot count the members")));
        } else {
            m_members = q.value(0).toLongLong();
            m_balance = Money::fromFen(q.value(1).toLongLong());
            m_counted.set_value(QString());
        }
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

QString LiveSnapshot::waitForChecks()
{
    if (!m_problem.isEmpty())
        return m_problem;
    if (!m_verdict) {
        startCounting();
        QString problem = m_checked.get_future().get();
        const QString counted = m_counted.get_future().get();
        m_verdict = problem.isEmpty() ? counted : problem;
    }
    return *m_verdict;
}
