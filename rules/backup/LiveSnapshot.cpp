#include "rules/backup/LiveSnapshot.h"

#include "rules/backup/TaskProgress.h"
#include "store/Schema.h"
#include "store/sqlite/DatabaseHold.h"
#include "store/sqlite/SqliteEngine.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

// Read-write without creating: a hot journal is rolled back on the first
// read instead of making the file unreadable.
QSqlDatabase openConnection(const QString &path, const QString &name)
{
    QSqlDatabase db = SqliteEngine::addConnection(name);
    SqliteEngine::configureFile(db, path, SqliteEngine::Access::ReadWrite);
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
    SqliteEngine::readMapped(db);
    QString problem = Schema::problemWith(db, Schema::Check::Quick);
    if (problem.isEmpty())
        problem = SqliteEngine::pageProblem(db, SqliteEngine::PageCheck::Quick);
    m_checked.set_value(problem);
    m_release.get_future().wait();
}

void LiveSnapshot::count(const QString &connection)
{
    {
        QSqlDatabase db = openConnection(m_path, connection);
        SqliteEngine::readMapped(db);
        qint64 balanceFen = 0;
        const QString problem = SqliteEngine::memberTotals(db, &m_members, &balanceFen);
        m_balance = Money::fromFen(balanceFen);
        m_counted.set_value(problem);
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
