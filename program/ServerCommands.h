#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The command-line work that sets a database server up for the shop, run
// without any window; each says on the terminal what it does and ends with
// 0 when done, 1 otherwise. The server is the one pellomar-server.ini in
// the data folder names.
//
//   pellomar --create-server-database   the tables and the built-in admin
//                                       (password 123456) in an empty database
//   pellomar --move-to-server FILE      the shop's table.mdb, every row of it,
//                                       into an empty database, reconciled
namespace ServerCommands {

inline const QString kCreate = QStringLiteral("--create-server-database");
inline const QString kMove = QStringLiteral("--move-to-server");

// Whether the arguments (the program's name first) ask for one of them.
bool isCommand(const QStringList &arguments);

// Runs the command the arguments ask for.
int run(const QStringList &arguments, const QString &dataFolder, QTextStream &out,
        QTextStream &err);

} // namespace ServerCommands
