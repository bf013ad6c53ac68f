#include "store/DataFolder.h"

#include "store/DataFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Copies from to to unless to exists; the copy stays writable by its owner
// even when the delivered file is read-only. QFile::copy writes a temporary
// file and renames it, so an interrupted copy leaves no half database.
void copyIfAbsent(const QString &from, const QString &to)
{
    if (QFileInfo::exists(to) || !QFile::copy(from, to))
        return;
    QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
}

} // namespace

QString DataFolder::deliveredFolder(const QString &executableDir)
{
    return QDir::cleanPath(executableDir + QStringLiteral("/../share"));
}

QString DataFolder::choose(const QString &executableDir, const QString &userDataDir)
{
    const DataFiles beside(executableDir);
    const DataFiles delivered(deliveredFolder(executableDir));
    if (DataFiles::isPresent(beside.liveDatabase()) || userDataDir.isEmpty() ||
        !DataFiles::isPresent(delivered.liveDatabase()))
        return beside.folder();
    seed(delivered.folder(), userDataDir);
    return DataFiles(userDataDir).folder();
}

void DataFolder::seed(const QString &from, const QString &to)
{
    // A failure here shows as a missing file in the start-up check.
    if (!QDir().mkpath(to))
        return;
    const DataFiles source(from);
    const DataFiles target(to);
    copyIfAbsent(source.blankTemplate(), target.blankTemplate());
    // tableold.mdb without table.mdb is a live database set aside by a
    // restore or clear that did not finish: it is the user's data, and a
    // fresh copy would hide it.
    if (!QFileInfo::exists(target.liveRollback()))
        copyIfAbsent(source.liveDatabase(), target.liveDatabase());
}
