#include "rules/backup/DailyCheck.h"

#include "store/Schema.h"

#include <QMetaObject>
#include <QPointer>

#include <pthread.h>
#include <sched.h>

const QString DailyCheck::kDamaged =
    QStringLiteral("数据文件检查发现损坏，请立即从备份还原，并联系技术支持。");

void DailyCheck::start(const QString &file, QObject *context,
                       std::function<void(const QString &)> onDamage)
{
    wait();
    QPointer<QObject> target(context);
    m_thread = std::thread([file, target, onDamage = std::move(onDamage)] {
        // Only what the program leaves of the processors: a consumption
        // never waits for the check.
        const sched_param idle{};
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
        const QString problem = Schema::problemWithFile(file, Schema::Check::Full);
        if (problem.isEmpty() || !target)
            return;
        QMetaObject::invokeMethod(
            target.data(), [target, onDamage, problem] { onDamage(problem); },
            Qt::QueuedConnection);
    });
}

void DailyCheck::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
