#pragma once

#include "base/Money.h"

#include <QDate>
#include <QString>

// A count of entries and the sum of their amounts.
struct Tally
{
    qint64 count = 0;
    Money sum;

    Tally &operator+=(const Tally &o)
    {
        count += o.count;
        sum += o.sum;
        return *this;
    }
    bool operator==(const Tally &) const = default;
};

// The ledger's times are texts "yyyy-MM-dd HH:mm:ss": the days from..to (both
// included) are the times t with start <= t < end.
struct TimeSpan
{
    QString start;
    QString end;

    static TimeSpan days(const QDate &from, const QDate &to)
    {
        return {from.toString(Qt::ISODate), to.addDays(1).toString(Qt::ISODate)};
    }
};
