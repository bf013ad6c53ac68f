#include "base/Formats.h"

namespace Formats {

QString shortDate(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy/M/d"));
}

QString longTime(const QTime &time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

QString dateTime(const QDateTime &dt)
{
    return shortDate(dt.date()) + QLatin1Char(' ') + longTime(dt.time());
}

} // namespace Formats
