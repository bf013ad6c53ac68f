#pragma once

#include "base/Money.h"

#include <QDate>
#include <QString>

// One row of 会员登记.
struct Member
{
    qint64 id = 0; // SQLite rowid; identifies the row for updates
    QString name;
    QString sex;
    QString phone;
    Money consumed;
    QString referrer;
    QString referrerPhone;
    qint64 consumptions = 0;
    Money balance;
    QDate registered;
};
