#include "rules/backup/TaskProgress.h"

void TaskProgress::setPhase(const QString &text, qint64 total)
{
    QMutexLocker lock(&m_mutex);
    m_phase = text;
    m_total = total;
    m_done = 0;
    lock.unlock();
    changed();
}

void TaskProgress::advance(qint64 bytes)
{
    m_done += bytes;
    // A copy advances by the block: the observer hears of whole per mille
    // steps only.
    if (m_observer && perMille() != m_shownPerMille)
        changed();
}

void TaskProgress::setCancellable(bool cancellable)
{
    m_cancellable = cancellable;
    changed();
}

void TaskProgress::changed()
{
    m_shownPerMille = perMille();
    if (m_observer)
        m_observer();
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
    const bool goOn = !m_cancelled;
    lock.unlock();
    changed();
    return goOn;
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
