#include "base/Clock.h"

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
