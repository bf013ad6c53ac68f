#pragma once

#include "base/Money.h"

#include <QDateTime>
#include <QString>

class TaskProgress;

// A database file held still for copying: a private connection opens it,
// begins a read transaction (no writer can commit until it ends, and a
// journal left by a crashed writer is rolled back first), checks that it is
// this program's database and passes SQLite's quick check, and counts what
// it holds. The transaction ends with the object.
class LiveSnapshot
{
public:
    LiveSnapshot(const QString &path, TaskProgress *progress);
    ~LiveSnapshot();
    LiveSnapshot(const LiveSnapshot &) = delete;
    LiveSnapshot &operator=(const LiveSnapshot &) = delete;

    // Why the file may not be copied as a backup; empty when it may.
    QString problem() const { return m_problem; }

    QString path() const { return m_path; }
    qint64 size() const { return m_size; }
    qint64 members() const { return m_members; }
    Money balance() const { return m_balance; }
    QDateTime lastChange() const { return m_lastChange; }

private:
    QString m_path;
    QString m_connection;
    QString m_problem;
    qint64 m_size = -1;
    qint64 m_members = 0;
    Money m_balance;
    QDateTime m_lastChange;
};
