#pragma once

#include <QString>
#include <QThread>
#include <functional>
#include <memory>

class QObject;

// SQLite's full integrity check with the schema check, once a day on a
// thread of its own, so that nobody waits for it. It checks the generation
// taken at the day's first start, a copy of the live database with its log
// emptied into it: the same pages, without holding off the writes of the
// live file for the whole check. On a database server it reads the day's
// archive back instead.
class DailyCheck
{
public:
    static const QString kDamaged;

    DailyCheck() = default;
    ~DailyCheck() { wait(); }
    DailyCheck(const DailyCheck &) = delete;
    DailyCheck &operator=(const DailyCheck &) = delete;

    // The full check of a database file: the problem, empty when there is
    // none.
    static QString checkFile(const QString &file);

    // Checks file; when it is damaged, onDamage runs with the problem on the
    // thread of context (unless context is gone by then).
    void start(const QString &file, QObject *context,
               std::function<void(const QString &problem)> onDamage);
    // The same with work of the caller's (a server's archive taken and read
    // back): it returns the problem, empty when there is none.
    void start(std::function<QString()> check, QObject *context,
               std::function<void(const QString &problem)> onDamage);
    // Returns when the check has ended.
    void wait();

private:
    std::unique_ptr<QThread> m_thread;
};
