#include "rules/backup/BackupSaveAs.h"

#include "base/Clock.h"
#include "rules/backup/FileOps.h"
#include "rules/backup/LiveSnapshot.h"
#include "rules/backup/VerifiedCopy.h"

#include <QDir>

namespace BackupSaveAs {

Outcome run(const DataFiles &paths, FileOps &files, TaskProgress *progress, const QString &folder)
{
    Outcome o;
    const QDateTime now = Clock::now();
    const QString stem =
        folder + QStringLiteral("/Pellomar备份-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = stem + QStringLiteral(".mdb");
    for (int n = 2; files.exists(target); ++n)
        target = stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".mdb");
    QString note;
    QString problem;
    {
        LiveSnapshot source(paths.liveDatabase(), progress);
        problem =
            VerifiedCopy(files, progress).backUp(source, target, BackupKind::Manual, now, &note);
    }
    if (!problem.isEmpty()) {
        o.messages << kFailed + QLatin1Char('\n') + problem;
        return o;
    }
    o.path = target;
    o.messages << kSaved.arg(QDir::toNativeSeparators(target));
    if (!note.isEmpty())
        o.messages << note;
    return o;
}

} // namespace BackupSaveAs
