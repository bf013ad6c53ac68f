#pragma once

#include <QMutex>
#include <QString>
#include <atomic>

// How far a long file operation on a worker thread has come, read by the
// window that shows it. The worker sets the phase and adds the bytes done;
// the window asks to cancel. A cancel asked while the operation cannot stop
// (while files are renamed into place) is refused.
class TaskProgress
{
public:
    void setPhase(const QString &text, qint64 total);
    void advance(qint64 bytes) { m_done += bytes; }
    // Whether a cancel is honoured from now on.
    void setCancellable(bool cancellable) { m_cancellable = cancellable; }
    bool cancellable() const { return m_cancellable; }

    // True when the cancel is taken.
    bool requestCancel();
    // Ends the time a cancel is taken; false when one was taken already.
    bool lockIn();
    bool cancelled() const { return m_cancelled; }

    QString phase() const;
    // Per mille of the current phase; -1 while its size is unknown.
    int perMille() const;

private:
    mutable QMutex m_mutex;
    QString m_phase;
    std::atomic<qint64> m_total{0};
    std::atomic<qint64> m_done{0};
    std::atomic<bool> m_cancellable{false};
    std::atomic<bool> m_cancelled{false};
    QMutex m_cancelMutex;
};
