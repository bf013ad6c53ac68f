#pragma once

#include "store/ServerSettings.h"

#include <QDir>
#include <QFile>
#include <QStringList>

// Writes folder's pellomar-server.ini naming the server of settings, so
// that the program run there works on that server. Returns false when the
// file cannot be written.
inline bool writeServerIni(const QString &folder, const ServerSettings &s)
{
    QStringList ports;
    for (int port : s.ports)
        ports << QString::number(port);
    QFile ini(QDir(folder).filePath(ServerSettings::kFileName));
    return ini.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           ini.write(QStringLiteral("[server]\nhosts=%1\nports=%2\ndatabase=%3\nuser=%4\ntill=%5\n")
                         .arg(s.hosts.join(QLatin1Char(',')), ports.join(QLatin1Char(',')),
                              s.database, s.user, s.till)
                         .toUtf8()) > 0;
}
