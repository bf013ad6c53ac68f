#pragma once

#include <QDateTime>
#include <QString>

// How dates and times are written on the screens.
namespace Formats {

QString shortDate(const QDate &date);        // 2026/12/7
QString longTime(const QTime &time);         // 20:05:09
QString dateTime(const QDateTime &dateTime); // 2026/12/7 20:05:09

} // namespace Formats
