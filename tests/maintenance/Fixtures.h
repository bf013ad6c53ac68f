#pragma once

#include "store/MemberStore.h"
#include "store/MemberTable.h"

#include <QFile>

// Small helpers the maintenance tests share.
inline QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Registers a member with only a name, in its own transaction.
inline void addMember(MemberStore &store, const QString &name)
{
    Transaction tx(store);
    Member m;
    m.name = name;
    MemberTable(store).insert(m);
    tx.commit();
}
