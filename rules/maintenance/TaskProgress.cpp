#include "rules/maintenance/TaskProgress.h"

void TaskProgress::setPhase(const QString &text, qint64 total)
{
    QMutexLocker lock(&m_mutex);
    m_phase = text;
    m_total = total;
    m_done = 0;
}

bool TaskProgress::requestCancel()
{
    QMutexLocker lock(&m_cancelMutex);
    if (!m_cancellable)
        return false;
    m_cancelled = true;
    return true;
}

bool TaskProgress::lockIn()
{
    QMutexLocker lock(&m_cancelMutex);
    m_cancellable = false;
    return !m_cancelled;
}

QString TaskProgress::phase() const
{
    QMutexLocker lock(&m_mutex);
    return m_phase;
}

int TaskProgress::perMille() const
{
    const qint64 total = m_total;
    if (total <= 0)
        return -1;
    return int(qMin<qint64>(1000, m_done * 1000 / total));
}
