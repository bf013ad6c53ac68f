#pragma once

#include "Measure.h"

#include <QList>
#include <QString>

// The program on a PostgreSQL server of its own (started in work and stopped
// at the end, fsync on): a consumption and a member lookup against the same
// statements through raw libpq, eight tills at once against one, and the
// statement's first screen and the reconciliation against their figures on
// a SQLite file of the same data. `members` and `entries` set the scale of
// that data.
void benchServer(const QString &work, qint64 members, qint64 entries, QList<Measure::Row> &rows);
