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

// How dates and times are written on the screens.
namespace Formats {

QString shortDate(const QDate &date);        // 2026/12/7
QString longTime(const QTime &time);         // 20:05:09
QString dateTime(const QDateTime &dateTime); // 2026/12/7 20:05:09

} // namespace Formats
