#pragma once

#include "base/Session.h"

#include <QString>

// One row of 管理员登记. The password column holds an Argon2id hash.
struct Admin
{
    qint64 id = 0;
    QString name;
    QString passwordHash;
    QString remark;
    Role role = Role::Cashier;
};
