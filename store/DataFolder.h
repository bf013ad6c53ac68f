#pragma once

#include <QString>

// Chooses the folder that holds the program's data files (see DataFiles).
//
// Portable: when the executable's folder holds table.mdb, the program keeps
// its data there, beside the executable.
//
// Installed: when it does not, and the delivered databases lie in the
// folder beside it (the package puts the executable in /opt/pellomar/bin and
// the databases in /opt/pellomar/share), the data lives in the user's data
// folder. The start that finds no table.mdb there copies the delivered
// table.mdb and zero.mdb into it; a file already there is never replaced.
//
// Otherwise the executable's folder is kept, and the start-up check reports
// the missing file.
class DataFolder
{
public:
    // The data folder for an executable in executableDir; userDataDir is the
    // user's data folder (QStandardPaths::AppDataLocation). Copies the
    // delivered databases into userDataDir when installed.
    static QString choose(const QString &executableDir, const QString &userDataDir);

    // Where an installed program's delivered databases lie.
    static QString deliveredFolder(const QString &executableDir);

private:
    static void seed(const QString &from, const QString &to);
};
