#include "rules/backup/DatabaseFile.h"

#include "rules/backup/FileOps.h"
#include "store/sqlite/DatabaseHold.h"

#include <QFile>
#include <QFileInfo>

namespace DatabaseFile {

namespace {

const char *const kSuffixes[] = {"-journal", "-wal", "-shm"};

} // namespace

QStringList companions(const QString &path)
{
    QStringList list;
    for (const char *suffix : kSuffixes)
        list << path + QLatin1String(suffix);
    return list;
}

QStringList present(FileOps &files, const QString &path)
{
    QStringList found;
    for (const QString &c : companions(path))
        if (files.exists(c))
            found << c;
    return found;
}

bool removeStrays(FileOps &files, const QString &path)
{
    if (files.exists(path))
        return true;
    for (const QString &c : present(files, path))
        if (!files.remove(c))
            return false;
    return true;
}

bool move(FileOps &files, const QString &from, const QString &to)
{
    if (!removeStrays(files, to) || !files.rename(from, to))
        return false;
    const QStringList fromSet = companions(from);
    const QStringList toSet = companions(to);
    for (qsizetype i = 0; i < fromSet.size(); ++i) {
        if (!files.exists(fromSet.at(i)) || files.rename(fromSet.at(i), toSet.at(i)))
            continue;
        // Put the file back with the companions moved so far; error()
        // still tells the first failure.
        for (qsizetype j = i - 1; j >= 0; --j)
            if (files.exists(toSet.at(j)))
                files.rename(toSet.at(j), fromSet.at(j));
        files.rename(to, from);
        return false;
    }
    return true;
}

bool remove(FileOps &files, const QString &path)
{
    if (files.exists(path) && !files.remove(path))
        return false;
    return removeStrays(files, path);
}

bool removeDeadJournal(FileOps &files, const QString &path)
{
    const QString journal = companions(path).constFirst();
    QFile file(journal);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;
    // The journal's header: its magic number, page count and checksum seed.
    constexpr qint64 kHeader = 28;
    const QByteArray header = file.read(kHeader);
    file.close();
    if (header.count('\0') != header.size())
        return false;
    return files.remove(journal);
}

QString copyStill(FileOps &files, const QString &from, const QString &to)
{
    DatabaseHold hold(from);
    if (!hold.isHeld())
        return QStringLiteral("无法读取 %1：%2").arg(QFileInfo(from).fileName(), hold.error());
    if (!removeStrays(files, to) || !files.copyDatabase(from, to))
        return files.error();
    return {};
}

} // namespace DatabaseFile
