#include "program/Startup.h"

#include "rules/backup/DatabaseFile.h"
#include "rules/backup/FileOps.h"
#include "rules/backup/InterruptedRun.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/DatabaseErrorText.h"
#include "store/Schema.h"
#include "store/ServerSettings.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace Startup {

QString recoverInterruptedRun(const DataFiles &files)
{
    DiskFileOps disk;
    return InterruptedRun(files, disk).recover();
}

std::optional<ServerSettings> chooseServer(const QString &folder, QString *problem)
{
    QString why;
    std::optional<ServerSettings> server = ServerSettings::read(folder, &why);
    *problem = why.isEmpty() ? QString() : kServerSettingsUnusable + QLatin1Char('\n') + why;
    return server;
}

QString openServer(Database &store)
{
    if (store.open())
        return {};
    return kServerUnreachable + QLatin1Char('\n') + store.lastError();
}

QString missingFileMessage(const DataFiles &files)
{
    for (const QString &path : {files.liveDatabase(), files.blankTemplate()})
        if (!DataFiles::isPresent(path))
            return kMissingDataFile;
    return {};
}

QString unwritableMessage(const DataFiles &files)
{
    // SQLite writes its journal beside the file, so the folder must take
    // new files too.
    for (const QString &path : {files.liveDatabase(), files.folder()})
        if (::access(QFile::encodeName(path).constData(), W_OK) != 0)
            return kReadOnly + QLatin1Char('\n') + QDir::toNativeSeparators(path);
    return {};
}

QString openStore(Database &store)
{
    if (store.open()) {
        // SQLite has had its chance to play the journal back.
        DiskFileOps disk;
        DatabaseFile::removeDeadJournal(disk, store.path());
        return {};
    }
    if (Schema::versionOf(store.path()) > Schema::kVersion)
        return kNewerDatabase;
    // A full or failing disk is no damage of the file: it is told as what it is.
    if (DatabaseErrorText::isAboutTheDisk(store.lastError()))
        return DatabaseErrorText::sentence(store.lastError());
    return kUnusableDatabase;
}

} // namespace Startup
