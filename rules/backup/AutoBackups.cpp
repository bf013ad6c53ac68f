#include "rules/backup/AutoBackups.h"

#include "base/Clock.h"
#include "rules/backup/DatabaseFile.h"
#include "rules/backup/FileDigest.h"
#include "rules/backup/FileOps.h"
#include "rules/backup/LiveSnapshot.h"
#include "rules/backup/VerifiedCopy.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTextStream>
#include <algorithm>

const QString AutoBackups::kLogName = QStringLiteral("generations.log");
const QString AutoBackups::kFailed = QStringLiteral("自动备份失败：");
const QString AutoBackups::kSpaceFreed =
    QStringLiteral("备份所在磁盘空间不足，已删除最旧的自动备份：%1");
const QString AutoBackups::kNoSpace = QStringLiteral(
    "备份所在磁盘空间不足，本次自动备份未保存，已保留现有最新的备份。请清理磁盘，或用“另存备份…”"
    "把备份存到其他磁盘。");

namespace {

// Room left beside a copy: the manifest, the log, the file system's own needs.
constexpr qint64 kSpare = 1 << 20;

} // namespace

AutoBackups::AutoBackups(DataFiles paths, FileOps &files, TaskProgress *progress, QString suffix)
    : m_paths(std::move(paths)), m_files(files), m_progress(progress), m_suffix(std::move(suffix)),
      m_freeSpace([](const QString &folder) { return QStorageInfo(folder).bytesAvailable(); })
{
}

QString AutoBackups::folderOf(const DataFiles &paths)
{
    return paths.backupFolder() + QStringLiteral("/auto");
}

void AutoBackups::setFreeSpace(std::function<qint64(const QString &)> freeSpace)
{
    m_freeSpace = std::move(freeSpace);
}

QList<BackupGenerations::Generation> AutoBackups::list() const
{
    QList<BackupGenerations::Generation> found;
    const QStringList names =
        QDir(folder()).entryList({QStringLiteral("*.") + m_suffix}, QDir::Files);
    for (const QString &name : names)
        if (auto g = BackupGenerations::parse(name)) {
            g->verified =
                QFileInfo::exists(BackupManifest::pathFor(folder() + QLatin1Char('/') + name));
            found << *g;
        }
    return found;
}

bool AutoBackups::firstStartToday()
{
    const QDate today = Clock::today();
    const auto all = list();
    return std::none_of(all.begin(), all.end(), [&](const BackupGenerations::Generation &g) {
        return g.kind == BackupKind::Auto && g.taken.date() == today;
    });
}

bool AutoBackups::makeFolder()
{
    return m_files.exists(folder()) || ((m_files.exists(m_paths.backupFolder()) ||
                                         m_files.makeFolder(m_paths.backupFolder())) &&
                                        m_files.makeFolder(folder()));
}

void AutoBackups::log(const QString &line)
{
    QFile file(folder() + QLatin1Char('/') + kLogName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    QTextStream(&file) << Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << ' '
                       << line << '\n';
}

bool AutoBackups::remove(const QString &fileName, const QString &why)
{
    const QString path = folder() + QLatin1Char('/') + fileName;
    if (!DatabaseFile::remove(m_files, path)) {
        log(QStringLiteral("无法删除 %1：%2").arg(fileName, m_files.error()));
        return false;
    }
    const QString manifest = BackupManifest::pathFor(path);
    if (m_files.exists(manifest))
        m_files.remove(manifest);
    log(QStringLiteral("已删除 %1（%2）").arg(fileName, why));
    return true;
}

int AutoBackups::vouchForUnverified()
{
    int vouched = 0;
    for (const BackupGenerations::Generation &g : list()) {
        const QString path = folder() + QLatin1Char('/') + g.fileName;
        // Without a companion, nothing is played into the file by opening it.
        if (g.verified || !DatabaseFile::present(m_files, path).isEmpty() ||
            !Schema::problemWithFile(path, Schema::Check::Full).isEmpty())
            continue;
        LiveSnapshot counted(path, nullptr);
        QString error;
        const auto digest = FileDigest::ofFile(path, nullptr, &error);
        if (!counted.waitForChecks().isEmpty() || !digest)
            continue;
        BackupManifest m;
        m.digest = *digest;
        m.size = counted.size();
        m.taken = g.taken;
        m.kind = g.kind;
        m.members = counted.members();
        m.balance = counted.balance();
        m.lastChange = counted.lastChange();
        m.programVersion = VerifiedCopy::kProgramVersion;
        if (m.write(BackupManifest::pathFor(path), &error)) {
            log(QStringLiteral("已为 %1 补写校验记录").arg(g.fileName));
            ++vouched;
        }
    }
    return vouched;
}

QStringList AutoBackups::prune()
{
    QStringList failed;
    const QStringList doomed = BackupGenerations::toDelete(list(), Clock::now());
    for (const QString &name : doomed)
        if (!remove(name, QStringLiteral("超出保留期")))
            failed << QStringLiteral("无法删除过期的自动备份 %1：%2").arg(name, m_files.error());
    return failed;
}

QString AutoBackups::unusedName(const QDateTime &taken, BackupKind kind) const
{
    for (int serial = 1;; ++serial) {
        const QString name = BackupGenerations::fileName(taken, kind, serial, m_suffix);
        if (!QFileInfo::exists(folder() + QLatin1Char('/') + name))
            return name;
    }
}

QString AutoBackups::newPath(BackupKind kind, const QDateTime &taken, QString *error)
{
    if (!makeFolder()) {
        *error = m_files.error();
        return {};
    }
    return folder() + QLatin1Char('/') + unusedName(taken, kind);
}

bool AutoBackups::makeRoom(qint64 size, QStringList *messages)
{
    const qint64 needed = size + kSpare;
    if (m_freeSpace(folder()) >= needed)
        return true;
    QList<BackupGenerations::Generation> all = list();
    std::sort(all.begin(), all.end(), [](const auto &a, const auto &b) {
        return a.taken != b.taken ? a.taken < b.taken : a.serial < b.serial;
    });
    QStringList freed;
    for (qsizetype i = 0; i + 1 < all.size() && m_freeSpace(folder()) < needed; ++i)
        if (remove(all.at(i).fileName, QStringLiteral("磁盘空间不足")))
            freed << all.at(i).fileName;
    if (!freed.isEmpty())
        *messages << kSpaceFreed.arg(freed.join(QStringLiteral("、")));
    if (m_freeSpace(folder()) >= needed)
        return true;
    log(QStringLiteral("磁盘空间不足，未保存自动备份"));
    *messages << kNoSpace;
    return false;
}

AutoBackups::Result AutoBackups::take()
{
    Result r;
    const QString live = m_paths.liveDatabase();
    const QDateTime now = Clock::now();
    QString error;
    const QString path = newPath(BackupKind::Auto, now, &error);
    if (path.isEmpty()) {
        r.messages << kFailed + error;
        return r;
    }
    // Make room from the oldest end, never touching the newest generation.
    if (!makeRoom(m_files.size(live), &r.messages))
        return r;

    QString note;
    {
        LiveSnapshot source(live, m_progress);
        r.problem =
            VerifiedCopy(m_files, m_progress).backUp(source, path, BackupKind::Auto, now, &note);
    }
    if (!r.problem.isEmpty()) {
        r.messages << kFailed + r.problem;
        return r;
    }
    r.path = path;
    if (!note.isEmpty())
        r.messages << note;
    return r;
}

bool AutoBackups::keepAside(const QString &path, BackupKind kind, QString *error)
{
    const QString target = newPath(kind, Clock::now(), error);
    if (target.isEmpty())
        return false;
    const QString name = QFileInfo(target).fileName();
    if (!DatabaseFile::move(m_files, path, target)) {
        *error = m_files.error();
        return false;
    }
    log(QStringLiteral("保存 %1（%2的数据）").arg(name, BackupManifest::kindName(kind)));
    return true;
}
