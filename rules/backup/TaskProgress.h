#pragma once

#include <QMutex>
#include <QString>
#include <atomic>
#include <functional>

// How far a long file operation on a worker thread has come, read by the
// window that shows it. The worker sets the phase and adds the bytes done;
// the window asks to cancel. A cancel asked while the operation cannot stop
// (while files are renamed into place) is refused.
class TaskProgress
{
public:
    void setPhase(const QString &text, qint64 total);
    void advance(qint64 bytes);
    // Whether a cancel is honoured from now on.
    void setCancellable(bool cancellable);

    // Called on the worker's thread whenever what a window shows of the
    // progress changes: the phase, the per mille, whether a cancel is taken.
    // Set it before the work starts and clear it after it has ended.
    void setObserver(std::function<void()> observer) { m_observer = std::move(observer); }
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
    void changed();

    std::function<void()> m_observer;
    std::atomic<int> m_shownPerMille{-2}; // the per mille the observer last heard of
    mutable QMutex m_mutex;
    QString m_phase;
    std::atomic<qint64> m_total{0};
    std::atomic<qint64> m_done{0};
    std::atomic<bool> m_cancellable{false};
    std::atomic<bool> m_cancelled{false};
    QMutex m_cancelMutex;
};
