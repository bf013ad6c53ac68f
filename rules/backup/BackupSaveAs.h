#pragma once

#include "store/DataFiles.h"

#include <QStringList>

class FileOps;
class TaskProgress;

// 另存备份: a verified copy of the live database with its manifest, written
// into a folder the user chooses (a USB stick, a network share).
namespace BackupSaveAs {

inline const QString kSaved = QStringLiteral("备份已另存为 %1");
inline const QString kFailed = QStringLiteral("另存备份失败，请检查所选位置后重试！");

struct Outcome
{
    QString path; // the copy; empty when it failed
    QStringList messages;
};

Outcome run(const DataFiles &paths, FileOps &files, TaskProgress *progress, const QString &folder);

} // namespace BackupSaveAs
