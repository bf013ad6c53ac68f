#pragma once

#include "base/Clock.h"

// While it exists, Clock::now() returns the time set here.
class FixedClock
{
public:
    explicit FixedClock(const QDateTime &now = QDateTime(QDate(2026, 12, 7), QTime(20, 5, 9)))
        : m_now(now)
    {
        Clock::setSourceForTesting([this] { return m_now; });
    }
    ~FixedClock() { Clock::setSourceForTesting({}); }
    FixedClock(const FixedClock &) = delete;
    FixedClock &operator=(const FixedClock &) = delete;

    void set(const QDateTime &now) { m_now = now; }
    QDateTime now() const { return m_now; }

private:
    QDateTime m_now;
};
