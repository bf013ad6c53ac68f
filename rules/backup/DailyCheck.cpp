#include "rules/backup/DailyCheck.h"

#include "store/Schema.h"

#include <QMetaObject>
#include <QPointer>

const QString DailyCheck::kDamaged =
    QStringLiteral("数据文件检查发现损坏，请立即从备份还原，并联系技术支持。");

QString DailyCheck::checkFile(const QString &file)
{
    return Schema::problemWithFile(file, Schema::Check::Full);
}

void DailyCheck::start(const QString &file, QObject *context,
                       std::function<void(const QString &)> onDamage)
{
    start([file] { return checkFile(file); }, context, std::move(onDamage));
}

void DailyCheck::start(std::function<QString()> check, QObject *context,
                       std::function<void(const QString &)> onDamage)
{
    wait();
    QPointer<QObject> target(context);
    m_thread.reset(
        QThread::create([check = std::move(check), target, onDamage = std::move(onDamage)] {
            const QString problem = check();
            if (problem.isEmpty() || !target)
                return;
            QMetaObject::invokeMethod(
                target.data(), [target, onDamage, problem] { onDamage(problem); },
                Qt::QueuedConnection);
        }));
    // Only what the program leaves of the processors (SCHED_IDLE on Linux):
    // a consumption never waits for the check.
    m_thread->start(QThread::IdlePriority);
}

void DailyCheck::wait()
{
    if (m_thread) {
        m_thread->wait();
        m_thread.reset();
    }
}
