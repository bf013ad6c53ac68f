#pragma once

#include "base/Money.h"

#include <QDateTime>
#include <QString>
#include <QThread>
#include <future>
#include <memory>

class TaskProgress;

// A database file held still for copying. A private connection begins a
// transaction on it (a journal left by a crashed writer is rolled back
// first, the write-ahead log is emptied into the file); until the object
// goes, no writer can commit. While the caller copies the file, a thread
// checks that it is this program's database and passes SQLite's quick
// check; another counts the members and adds up their balances, started by
// startCounting() or at the latest by waitForChecks(), so that a copy can
// have the second processor to itself first. Both read the same committed
// state the copy does.
class LiveSnapshot
{
public:
    // Returns once the file is held, or could not be.
    LiveSnapshot(const QString &path, TaskProgress *progress);
    ~LiveSnapshot();
    LiveSnapshot(const LiveSnapshot &) = delete;
    LiveSnapshot &operator=(const LiveSnapshot &) = delete;

    // Why the file could not be held; empty when it is.
    QString problem() const { return m_problem; }
    // Starts the count of the members and their balances, once.
    void startCounting();
    // Waits for the checks and the counts; why the file may not be copied as
    // a backup, or "" when it may.
    QString waitForChecks();

    QString path() const { return m_path; }
    qint64 size() const { return m_size; }
    QDateTime lastChange() const { return m_lastChange; }
    // After waitForChecks():
    qint64 members() const { return m_members; }
    Money balance() const { return m_balance; }

private:
    void hold();
    void count(const QString &connection);

    QString m_path;
    QString m_problem;
    qint64 m_size = -1;
    QDateTime m_lastChange;
    qint64 m_members = 0;
    Money m_balance;
    std::optional<QString> m_verdict;

    std::promise<QString> m_held;
    std::promise<QString> m_checked;
    std::promise<QString> m_counted;
    std::promise<void> m_release;
    std::unique_ptr<QThread> m_holder;
    std::unique_ptr<QThread> m_counter;
};
