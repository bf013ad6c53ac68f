#pragma once

#include "store/sqlite/DatabaseHold.h"
#include "store/sqlite/SqliteEngine.h"
#include "support/Members.h"

#include <QFile>
#include <algorithm>

// Small helpers the maintenance tests share.
inline QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The bytes as a copy of the database at rest holds them: the header's
// marks that opening and closing a file move (the log's mark and the change
// counters) left out. Other bytes pass unchanged.
inline QByteArray resting(QByteArray bytes)
{
    SqliteEngine::markRollbackJournal(bytes.data(), bytes.size());
    if (bytes.size() >= 100 && bytes.startsWith("SQLite format 3")) {
        std::fill_n(bytes.data() + 24, 4, '\0');
        std::fill_n(bytes.data() + 92, 4, '\0');
    }
    return bytes;
}

// The same of a file, whose log (of a file in use) is first emptied into it.
inline QByteArray restingBytesOf(const QString &path)
{
    if (QFile::exists(path))
        DatabaseHold hold(path);
    return resting(bytesOf(path));
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A copy of a closed database as the program's backups are: its bytes, marked
// as a rollback-journal file.
inline bool copyAsBackup(const QString &from, const QString &to)
{
    QByteArray bytes = bytesOf(from);
    SqliteEngine::markRollbackJournal(bytes.data(), bytes.size());
    return writeBytes(to, bytes);
}

// Registers count members with phones 1860000000, 1860000010, ... (so that
// one more in the last digit stays between neighbours) in one transaction.
inline void addMembers(Database &store, int count)
{
    Transaction tx(store);
    for (int i = 0; i < count; ++i)
        MemberRow(QStringLiteral("member %1").arg(i),
                  QStringLiteral("186%1").arg(i * 10, 8, 10, QLatin1Char('0')))
            .addTo(store);
    tx.commit();
}

// Damage that SQLite's quick check cannot see: one phone number inside a
// leaf page of the phone index is changed, so the index no longer matches
// its row while every page stays well formed. Only the full integrity check
// finds it. The file must hold the members of addMembers(); returns false
// when no such page was found.
inline bool damageAnIndexEntry(const QString &path, int member)
{
    QByteArray bytes = bytesOf(path);
    const int pageSize = (quint8(bytes.at(16)) << 8) | quint8(bytes.at(17));
    const QByteArray phone =
        QStringLiteral("186%1").arg(member * 10, 8, 10, QLatin1Char('0')).toLatin1();
    for (qsizetype at = bytes.indexOf(phone); at >= 0; at = bytes.indexOf(phone, at + 1)) {
        const qsizetype page = at / pageSize;
        const qsizetype header = page * pageSize + (page == 0 ? 100 : 0);
        if (quint8(bytes.at(header)) == 0x0a) { // a leaf page of an index
            bytes[at + phone.size() - 1] = '1';
            return writeBytes(path, bytes);
        }
    }
    return false;
}
