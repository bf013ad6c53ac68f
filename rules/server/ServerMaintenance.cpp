#include "rules/server/ServerMaintenance.h"

#include "base/Clock.h"
#include "base/Formats.h"
#include "base/Session.h"
#include "base/StoreError.h"
#include "rules/admins/AdminRules.h"
#include "rules/admins/PasswordHash.h"
#include "rules/admins/Permissions.h"
#include "rules/backup/BackupManifest.h"
#include "rules/backup/FileDigest.h"
#include "rules/backup/FileOps.h"
#include "rules/backup/VerifiedCopy.h"
#include "rules/server/ServerMove.h"
#include "store/AdminTable.h"
#include "store/AuditLog.h"
#include "store/Database.h"
#include "store/postgres/PostgresMaintenance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

const QString ServerMaintenance::kDumpFailed = QStringLiteral("数据库服务器的工具执行失败：");
const QString ServerMaintenance::kGenerationUnreadable =
    QStringLiteral("今天的自动备份无法完整读回，请检查备份所在的磁盘，并用“备份”再备份一次。");
const QString ServerMaintenance::kNotAServerBackup =
    QStringLiteral("所选文件不是数据库服务器的备份，无法还原到服务器。"
                   "单机的数据文件请用 pellomar --move-to-server 迁移。");

namespace {

// A connection of the maintenance's own, on the thread it runs on, with
// the lock held exclusively; its audit rows name the operator.
struct Maintaining
{
    Maintaining(const ServerSettings &server, const QString &operatorName) : store(server)
    {
        store.setOperatorName(operatorName);
        if (!store.open())
            problem = store.lastError();
        else if (hold.emplace(store); !hold->isHeld())
            problem = hold->error();
    }
    Database store;
    std::optional<PostgresMaintenance::Hold> hold;
    QString problem;
};

QString withDetail(const QString &message, const QString &detail)
{
    return detail.isEmpty() ? message : message + QLatin1Char('\n') + detail;
}

} // namespace

ServerMaintenance::ServerMaintenance(ServerSettings server, DataFiles paths, const Session &session,
                                     QString operatorName)
    : m_server(std::move(server)), m_paths(std::move(paths)), m_session(session),
      m_operator(std::move(operatorName)), m_tool(&ServerMaintenance::runProcess)
{
}

QString ServerMaintenance::archiveOf(const DataFiles &paths)
{
    return QDir(paths.backupFolder()).filePath(QStringLiteral("backup.dump"));
}

QString ServerMaintenance::runProcess(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted())
        return QStringLiteral("%1: %2").arg(program, process.errorString());
    process.waitForFinished(-1);
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return {};
    const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return QStringLiteral("%1 (%2)").arg(program).arg(process.exitCode()) +
           (said.isEmpty() ? QString() : QStringLiteral(": ") + said);
}

QString ServerMaintenance::statusLine(const QString &heading) const
{
    return heading + QLatin1Char('\n') +
           Formats::dateTime(QFileInfo(archiveOf(m_paths)).lastModified());
}

QString ServerMaintenance::activate()
{
    QDir().mkpath(m_paths.backupFolder()); // a failure shows as "no backup"
    return QFileInfo::exists(archiveOf(m_paths))
               ? statusLine(DataMaintenance::kCurrentBackupHeading)
               : DataMaintenance::kNoBackupYet;
}

QString ServerMaintenance::dump(Database &store, const QString &target, BackupKind kind,
                                QString *note)
{
    const QString staged = target + QStringLiteral(".new");
    BackupManifest m;
    QFile::remove(staged);
    try {
        // The manifest counts what the archive holds: pg_dump reads at the
        // snapshot this connection reads at.
        const PostgresMaintenance::SharedSnapshot snapshot(store);
        const ServerMove::Totals totals = ServerMove::totalsOf(store);
        m.members = totals.rows.value(0);
        m.balance = totals.balances;
        if (const QString problem =
                m_tool(QStringLiteral("pg_dump"),
                       PostgresMaintenance::dumpArguments(m_server, staged, snapshot.id()));
            !problem.isEmpty()) {
            QFile::remove(staged);
            return kDumpFailed + problem;
        }
    } catch (const StoreError &e) {
        return e.text();
    }
    QString error;
    const std::optional<QString> digest = FileDigest::ofFile(staged, nullptr, &error);
    // The new archive takes the old one's place only whole.
    if (!digest || (QFile::exists(target) && !QFile::remove(target)) ||
        !QFile::rename(staged, target)) {
        QFile::remove(staged);
        return error.isEmpty() ? QDir::toNativeSeparators(target) : error;
    }
    m.digest = *digest;
    m.size = QFileInfo(target).size();
    m.taken = Clock::now();
    m.kind = kind;
    m.lastChange = m.taken;
    m.programVersion = VerifiedCopy::kProgramVersion;
    // Without its manifest the archive still stands, unverified.
    if (!m.write(BackupManifest::pathFor(target), &error))
        *note = QStringLiteral("备份的校验记录无法写入（%1）。").arg(error);
    return {};
}

DataMaintenance::Outcome ServerMaintenance::backup()
{
    DataMaintenance::Outcome o;
    const QString target = archiveOf(m_paths);
    if (!QDir().mkpath(m_paths.backupFolder())) {
        o.messages << withDetail(DataMaintenance::kBackupFailed, m_paths.backupFolder());
        return o;
    }
    Database store(m_server);
    QString note;
    if (const QString problem =
            store.open() ? dump(store, target, BackupKind::Manual, &note) : store.lastError();
        !problem.isEmpty()) {
        o.messages << withDetail(DataMaintenance::kBackupFailed, problem);
        return o;
    }
    if (!note.isEmpty())
        o.messages << note;
    o.status = statusLine(DataMaintenance::kBackupDoneHeading);
    o.logged = {AuditLog::kBackup,
                QStringLiteral("备份到 %1").arg(QDir(m_paths.folder()).relativeFilePath(target))};
    return o;
}

AutoBackups::Result ServerMaintenance::takeGeneration()
{
    AutoBackups::Result r;
    DiskFileOps files;
    AutoBackups autos(m_paths, files, nullptr, BackupGenerations::kArchiveSuffix);
    const QString path = autos.newPath(BackupKind::Auto, Clock::now(), &r.problem);
    // The archive is about as large as the last one was.
    qint64 last = 0;
    for (const BackupGenerations::Generation &g : autos.list())
        last = std::max(last, QFileInfo(autos.folder() + QLatin1Char('/') + g.fileName).size());
    if (path.isEmpty() || !autos.makeRoom(last, &r.messages)) {
        if (!r.problem.isEmpty())
            r.messages << AutoBackups::kFailed + r.problem;
        return r;
    }
    Database store(m_server);
    QString note;
    r.problem = store.open() ? dump(store, path, BackupKind::Auto, &note) : store.lastError();
    if (!r.problem.isEmpty()) {
        r.messages << AutoBackups::kFailed + r.problem;
        return r;
    }
    r.path = path;
    if (!note.isEmpty())
        r.messages << note;
    return r;
}

QString ServerMaintenance::checkArchive(const QString &path) const
{
    return m_tool(QStringLiteral("pg_restore"), PostgresMaintenance::readBackArguments(path));
}

QString ServerMaintenance::keepAside(Database &store, BackupKind kind)
{
    DiskFileOps files;
    AutoBackups autos(m_paths, files, nullptr, BackupGenerations::kArchiveSuffix);
    QString problem;
    const QString path = autos.newPath(kind, Clock::now(), &problem);
    QString note;
    if (path.isEmpty() || !(problem = dump(store, path, kind, &note)).isEmpty())
        return problem;
    autos.log(QStringLiteral("保存 %1（%2的数据）")
                  .arg(QFileInfo(path).fileName(), BackupManifest::kindName(kind)));
    return {};
}

DataMaintenance::Outcome ServerMaintenance::restore(const QString &typed, const QString &chosen)
{
    DataMaintenance::Outcome o;
    const QString source = chosen.isEmpty() ? archiveOf(m_paths) : chosen;
    if (!Permissions::allows(m_session, Permissions::Action::Restore)) {
        o.messages << Permissions::kRefused;
        return o;
    }
    if (!m_session.confirms(typed)) {
        o.messages << DataMaintenance::kRestoreRefused;
        return o;
    }
    if (!QFileInfo::exists(source)) {
        o.messages << DataMaintenance::kNoBackupToRestore;
        return o;
    }
    // pg_restore would refuse anything else in its own words; a database
    // file of a single shop is the likely mistake.
    if (QFile file(source); !file.open(QIODevice::ReadOnly) || file.read(5) != "PGDMP") {
        o.messages << kNotAServerBackup;
        return o;
    }
    // An archive whose manifest no longer matches it is not put back.
    const std::optional<BackupManifest> manifest =
        BackupManifest::read(BackupManifest::pathFor(source));
    QString error;
    if (const std::optional<QString> digest = FileDigest::ofFile(source, nullptr, &error);
        !digest || (manifest && manifest->digest != *digest)) {
        o.messages << withDetail(DataMaintenance::kBackupDamaged, error);
        return o;
    }
    Maintaining m(m_server, m_operator);
    if (m.problem.isEmpty())
        m.problem = keepAside(m.store, BackupKind::PreRestore);
    if (!m.problem.isEmpty()) {
        o.messages << withDetail(DataMaintenance::kRestoreFailed, m.problem);
        return o;
    }
    try {
        // What the log recorded since the archive stays in it.
        const QList<AuditLog::Row> since = AuditLog(m.store).rows(QDate(), QDate());
        if (const QString problem = m_tool(QStringLiteral("pg_restore"),
                                           PostgresMaintenance::restoreArguments(m_server, source));
            !problem.isEmpty()) {
            o.messages << withDetail(DataMaintenance::kRestoreFailed, kDumpFailed + problem);
            return o;
        }
        // Still under the lock (which the connection holds, so it stays
        // open): the server plans its statements afresh on the new tables.
        Transaction tx(m.store);
        AuditLog log(m.store);
        log.addNewer(since);
        log.add(AuditLog::kRestore,
                QStringLiteral("从备份 %1 还原，备份时间 %2")
                    .arg(QFileInfo(source).fileName(),
                         Formats::dateTime(manifest ? manifest->taken
                                                    : QFileInfo(source).lastModified())),
                m_operator);
        tx.commit();
    } catch (const StoreError &e) {
        o.messages << withDetail(DataMaintenance::kNotLogged, e.text());
    }
    o.status = DataMaintenance::kRestoreDoneHeading + QLatin1Char('\n') +
               Formats::dateTime(QFileInfo(source).lastModified());
    return o;
}

DataMaintenance::Outcome ServerMaintenance::clear(const QString &typed)
{
    DataMaintenance::Outcome o;
    if (!Permissions::allows(m_session, Permissions::Action::Clear)) {
        o.messages << Permissions::kRefused;
        return o;
    }
    if (!m_session.confirms(typed)) {
        o.messages << DataMaintenance::kClearRefused;
        return o;
    }
    Maintaining m(m_server, m_operator);
    if (m.problem.isEmpty())
        m.problem = keepAside(m.store, BackupKind::PreClear);
    if (!m.problem.isEmpty()) {
        o.messages << withDetail(DataMaintenance::kClearFailed, m.problem);
        return o;
    }
    try {
        Transaction tx(m.store);
        for (auto it = ServerMove::tables().crbegin(); it != ServerMove::tables().crend(); ++it)
            m.store.exec(QStringLiteral("DELETE FROM ") + *it);
        AdminTable(m.store).insert(AdminRules::kBuiltInName,
                                   PasswordHash::hash(AdminRules::kDeliveredPassword),
                                   AdminRules::kBuiltInRemark, Role::Owner);
        AuditLog(m.store).add(AuditLog::kClear, QStringLiteral("清空全部数据"), m_operator);
        tx.commit();
    } catch (const StoreError &e) {
        o.messages << withDetail(DataMaintenance::kClearFailed, e.text());
        return o;
    }
    // As on a file: the program ends, and starts again on the empty data.
    o.messages << DataMaintenance::kCleared;
    o.endProgram = true;
    o.endCode = 0;
    return o;
}

DataMaintenance::Outcome ServerMaintenance::saveCopy(const QString &folder)
{
    DataMaintenance::Outcome o;
    const QString archive = archiveOf(m_paths);
    if (!QFileInfo::exists(archive)) {
        o.messages << DataMaintenance::kNoBackupYet;
        return o;
    }
    const QString target = QDir(folder).filePath(QFileInfo(archive).fileName());
    for (const auto &[from, to] :
         {std::pair{archive, target},
          std::pair{BackupManifest::pathFor(archive), BackupManifest::pathFor(target)}}) {
        QFile::remove(to);
        if (QFileInfo::exists(from) && !QFile::copy(from, to)) {
            o.messages << withDetail(DataMaintenance::kBackupFailed, QDir::toNativeSeparators(to));
            return o;
        }
    }
    o.messages << QStringLiteral("备份已另存到 %1").arg(QDir::toNativeSeparators(target));
    o.logged = {AuditLog::kBackup,
                QStringLiteral("另存备份到 %1").arg(QDir::toNativeSeparators(target))};
    return o;
}
