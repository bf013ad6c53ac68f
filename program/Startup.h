#pragma once

#include <QString>
#include <optional>

class DataFiles;
class Database;
struct ServerSettings;

// The checks made before any screen is shown, in this order: one program
// per folder, a maintenance run cut short put in order, the data files
// present and writable, the database opened.
namespace Startup {

inline const QString kAlreadyRunning = QStringLiteral("程序已在运行，请勿重复打开！");
inline const QString kMissingDataFile =
    QStringLiteral("程序不完整，缺少必要的数据文件，程序无法执行，即将退出！");
inline const QString kUnusableDatabase =
    QStringLiteral("数据文件已损坏或不是本程序的数据库，程序无法执行，即将退出！");
inline const QString kNewerDatabase =
    QStringLiteral("数据文件来自更新版本的程序，请升级本程序后再打开。");
inline const QString kReadOnly =
    QStringLiteral("数据文件 table.mdb 或程序所在的文件夹不能写入，程序无法保存数据，即将退出！\n"
                   "请取消文件的只读属性，或把程序放到可以写入的文件夹后再打开。");

// On a database server (pellomar-server.ini in the data folder).
inline const QString kServerUnreachable =
    QStringLiteral("无法连接数据库服务器，请检查网络或联系管理员。");
inline const QString kServerSettingsUnusable =
    QStringLiteral("数据库服务器的连接文件 pellomar-server.ini 无法使用，程序即将退出！");

// The server the data folder's pellomar-server.ini names. Without the file
// it is empty and *problem is empty: the program keeps its database file.
// A file that cannot be used leaves it empty with *problem the message to
// show (kServerSettingsUnusable and why).
std::optional<ServerSettings> chooseServer(const QString &folder, QString *problem);

// Connects the store to its server; on failure the message to show before
// ending: kServerUnreachable with the driver's own words.
QString openServer(Database &store);

// Finishes or undoes a backup, restore or clear that was cut short; the
// message telling what was recovered, or an empty text.
QString recoverInterruptedRun(const DataFiles &files);

// The message for the first missing database file, or an empty text when
// table.mdb and zero.mdb are both present.
QString missingFileMessage(const DataFiles &files);

// kReadOnly (with the file or folder named) when table.mdb or the program
// folder cannot be written, or an empty text.
QString unwritableMessage(const DataFiles &files);

// Opens the store; on failure returns the message to show before ending: a
// full or failing disk in words, otherwise that the file cannot be used. A
// file written by a newer version of the program is left as it is. A dead
// journal beside the file (DatabaseFile::removeDeadJournal) goes once open.
QString openStore(Database &store);

} // namespace Startup
