#include "rules/backup/BackupManifest.h"

#include "base/DiskCalls.h"
#include "base/StagedFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char *const kKindKeys[] = {"manual", "auto", "pre-restore", "pre-clear"};
constexpr int kFormat = 1;

QString isoTime(const QDateTime &t)
{
    return t.toString(Qt::ISODate);
}

} // namespace

QString BackupManifest::pathFor(const QString &backup)
{
    return backup + QStringLiteral(".manifest");
}

QString BackupManifest::kindName(BackupKind kind)
{
    switch (kind) {
    case BackupKind::Manual:
        return QStringLiteral("手动");
    case BackupKind::Auto:
        return QStringLiteral("自动");
    case BackupKind::PreRestore:
        return QStringLiteral("还原前");
    case BackupKind::PreClear:
        return QStringLiteral("清空前");
    }
    return {};
}

std::optional<BackupManifest> BackupManifest::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024)
        return std::nullopt;
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    if (o.value(QLatin1String("format")).toInt() != kFormat)
        return std::nullopt;
    BackupManifest m;
    m.digest = o.value(QLatin1String("xxh3-128")).toString();
    if (m.digest.size() != 32)
        return std::nullopt;
    bool ok = true;
    m.size = o.value(QLatin1String("size")).toString().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    m.taken = QDateTime::fromString(o.value(QLatin1String("taken")).toString(), Qt::ISODate);
    const QString kind = o.value(QLatin1String("kind")).toString();
    for (int i = 0; i < 4; ++i)
        if (kind == QLatin1String(kKindKeys[i]))
            m.kind = BackupKind(i);
    m.members = o.value(QLatin1String("members")).toString().toLongLong();
    m.balance = Money::fromFen(o.value(QLatin1String("balance-fen")).toString().toLongLong());
    m.lastChange =
        QDateTime::fromString(o.value(QLatin1String("last-change")).toString(), Qt::ISODate);
    m.programVersion = o.value(QLatin1String("program")).toString();
    return m;
}

bool BackupManifest::write(const QString &path, QString *error) const
{
    return write(path, error, DiskCalls::system());
}

bool BackupManifest::write(const QString &path, QString *error, DiskCalls &calls) const
{
    // Whole numbers as text: JSON numbers are doubles.
    const QJsonObject o{
        {QLatin1String("format"), kFormat},
        {QLatin1String("xxh3-128"), digest},
        {QLatin1String("size"), QString::number(size)},
        {QLatin1String("taken"), isoTime(taken)},
        {QLatin1String("kind"), QLatin1String(kKindKeys[int(kind)])},
        {QLatin1String("members"), QString::number(members)},
        {QLatin1String("balance-fen"), QString::number(balance.fen())},
        {QLatin1String("last-change"), isoTime(lastChange)},
        {QLatin1String("program"), programVersion},
    };
    const QByteArray bytes = QJsonDocument(o).toJson();
    StagedFile out(path, calls);
    if (!out.isOpen() || !out.write(bytes.constData(), bytes.size()) ||
        !out.commit(StagedFile::Existing::Replace)) {
        *error = out.error();
        return false;
    }
    return true;
}
