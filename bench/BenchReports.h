#pragma once

#include "Measure.h"

#include <QList>
#include <QString>
#include <functional>

struct sqlite3;

// A consumption of the k-th member of a file, and the connection it runs on.
struct ConsumptionSide
{
    std::function<void(int k)> consume;
    sqlite3 *handle = nullptr;
};

// The reports against their limits: a referrer with 10,000 referees, the
// ranking of a year beside its GROUP BY through the raw C API, the close of
// a day of 5,000 actions, a slip to PDF, and a consumption with the reports'
// indexes beside one without them, through the program and through
// `rawConsumption` (the raw C API on the file at a path). `members` and
// `consumptions` set the scale of the synthetic ledger (each consumption
// with a referrer also has its commission entry).
void benchReports(const QString &work, qint64 members, qint64 consumptions,
                  const std::function<ConsumptionSide(const QString &path)> &rawConsumption,
                  QList<Measure::Row> &rows);
