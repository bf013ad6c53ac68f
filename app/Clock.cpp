#include "app/Clock.h"

namespace Clock {

namespace {
std::function<QDateTime()> &source()
{
    static std::function<QDateTime()> s;
    return s;
}
} // namespace

QDateTime now()
{
    return source() ? source()() : QDateTime::currentDateTime();
}

void setSourceForTesting(std::function<QDateTime()> s)
{
    source() = std::move(s);
}

} // namespace Clock

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
