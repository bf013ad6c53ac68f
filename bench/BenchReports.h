#pragma once

#include "Measure.h"

#include <QList>
#include <QString>

// The reports against their limits: a referrer with 10,000 referees, the
// ranking of a year beside its GROUP BY through the raw C API, the close of
// a day of 5,000 actions, a slip to PDF, and a consumption with the reports'
// indexes beside one without them. `members` and `consumptions` set the
// scale of the synthetic ledger (each consumption with a referrer also has
// its commission entry).
void benchReports(const QString &work, qint64 members, qint64 consumptions,
                  QList<Measure::Row> &rows);
