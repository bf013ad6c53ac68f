#pragma once

#include <QString>

class DataFiles;
class MemberStore;

// The checks made before any screen is shown.
namespace Startup {

inline const QString kMissingDataFile =
    QStringLiteral("程序不完整，缺少必要的数据文件，程序无法执行，即将退出！");
inline const QString kUnusableDatabase =
    QStringLiteral("数据文件已损坏或不是本程序的数据库，程序无法执行，即将退出！");
inline const QString kNewerDatabase =
    QStringLiteral("数据文件来自更新版本的程序，请升级本程序后再打开。");

// The message for the first missing database file, or an empty text when
// table.mdb and zero.mdb are both present.
QString missingFileMessage(const DataFiles &files);

// Opens the store; on failure returns the message to show before ending. A
// file written by a newer version of the program is left as it is.
QString openStore(MemberStore &store);

} // namespace Startup
