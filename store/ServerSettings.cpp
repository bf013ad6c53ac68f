#include "store/ServerSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSysInfo>

std::optional<ServerSettings> ServerSettings::read(const QString &folder, QString *error)
{
    const QString path = QDir(folder).filePath(kFileName);
    error->clear();
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        *error = QStringLiteral("%1 cannot be read").arg(path);
        return std::nullopt;
    }
    ini.beginGroup(QStringLiteral("server"));
    // QSettings splits a value at its commas already; a single value comes
    // back as a string.
    const auto list = [&](const QString &key) {
        QStringList items;
        for (const QString &item : ini.value(key).toStringList())
            if (const QString trimmed = item.trimmed(); !trimmed.isEmpty())
                items.append(trimmed);
        return items;
    };
    ServerSettings s;
    s.hosts = list(QStringLiteral("hosts"));
    if (s.hosts.isEmpty())
        s.hosts = list(QStringLiteral("host"));
    QStringList ports = list(QStringLiteral("ports"));
    if (ports.isEmpty())
        ports = list(QStringLiteral("port"));
    for (const QString &text : ports) {
        bool ok = false;
        const int port = text.toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            *error = QStringLiteral("%1: port %2 is not a port number").arg(path, text);
            return std::nullopt;
        }
        s.ports.append(port);
    }
    s.database = ini.value(QStringLiteral("database")).toString().trimmed();
    s.user = ini.value(QStringLiteral("user")).toString().trimmed();
    s.sslmode = ini.value(QStringLiteral("sslmode")).toString().trimmed();
    s.till = ini.value(QStringLiteral("till")).toString().trimmed();
    const QString autoBackups =
        ini.value(QStringLiteral("autobackup")).toString().trimmed().toLower();
    static const QStringList kYes = {QString(), QStringLiteral("yes"), QStringLiteral("true"),
                                     QStringLiteral("on"), QStringLiteral("1")};
    static const QStringList kNo = {QStringLiteral("no"), QStringLiteral("false"),
                                    QStringLiteral("off"), QStringLiteral("0")};
    s.autoBackups = !kNo.contains(autoBackups);
    if (s.hosts.isEmpty())
        *error = QStringLiteral("%1 names no host").arg(path);
    else if (s.database.isEmpty())
        *error = QStringLiteral("%1 names no database").arg(path);
    else if (!kYes.contains(autoBackups) && !kNo.contains(autoBackups))
        *error = QStringLiteral("%1: autobackup=%2 is neither yes nor no").arg(path, autoBackups);
    else if (s.ports.size() > 1 && s.ports.size() != s.hosts.size())
        *error = QStringLiteral("%1 names %2 hosts and %3 ports")
                     .arg(path)
                     .arg(s.hosts.size())
                     .arg(s.ports.size());
    if (!error->isEmpty())
        return std::nullopt;
    if (s.till.isEmpty())
        s.till = QSysInfo::machineHostName();
    return s;
}

QString ServerSettings::hostList() const
{
    return hosts.join(QLatin1Char(','));
}

QString ServerSettings::connectOptions() const
{
    QStringList options;
    if (!ports.isEmpty()) {
        QStringList each;
        for (int port : ports)
            each.append(QString::number(port));
        options.append(QStringLiteral("port=") + each.join(QLatin1Char(',')));
    }
    if (!sslmode.isEmpty())
        options.append(QStringLiteral("sslmode=") + sslmode);
    options.append(QStringLiteral("target_session_attrs=read-write"));
    options.append(QStringLiteral("connect_timeout=5"));
    return options.join(QLatin1Char(';'));
}

QString ServerSettings::describe() const
{
    return QStringLiteral("%1/%2").arg(hosts.value(0), database);
}
