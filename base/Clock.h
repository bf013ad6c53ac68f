#pragma once

#include <QDateTime>
#include <functional>

// The current date and time, replaceable by tests.
namespace Clock {

QDateTime now();
inline QDate today()
{
    return now().date();
}

// Makes now() return what source returns; an empty function restores the
// system clock.
void setSourceForTesting(std::function<QDateTime()> source);

} // namespace Clock
