#include "rules/backup/DataMaintenance.h"

#include "base/Clock.h"
#include "base/Formats.h"
#include "base/Session.h"
#include "base/StoreError.h"
#include "rules/admins/Permissions.h"
#include "rules/backup/AutoBackups.h"
#include "rules/backup/BackupGenerations.h"
#include "rules/backup/BackupSaveAs.h"
#include "rules/backup/DatabaseFile.h"
#include "rules/backup/FileOps.h"
#include "rules/backup/LiveSnapshot.h"
#include "rules/backup/VerifiedCopy.h"
#include "rules/server/ServerMaintenance.h"
#include "store/AuditLog.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/sqlite/DatabaseHold.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

const QString DataMaintenance::kNoBackupYet = QStringLiteral("当前没有备份数据，请注意备份！");
const QString DataMaintenance::kCurrentBackupHeading =
    QStringLiteral("当前备份数据最后备份时间为：");
const QString DataMaintenance::kBackupDoneHeading = QStringLiteral("备份成功，最后备份时间：");
const QString DataMaintenance::kKeptBackupHeading = QStringLiteral("最后备份时间：");
const QString DataMaintenance::kRestoreDoneHeading = QStringLiteral("还原成功，恢复的版本时间为：");
const QString DataMaintenance::kSourceMissing =
    QStringLiteral("源数据有错误，无法备份！可退出程序再重试！");
const QString DataMaintenance::kBackupRolledBack = QStringLiteral("备份失败，回滚原备份！");
const QString DataMaintenance::kBackupFailed = QStringLiteral("备份失败，原备份未受影响！");
const QString DataMaintenance::kBackupRollbackFailed =
    QStringLiteral("回滚原备份失败！原备份保存在 %1，请勿删除。");
const QString DataMaintenance::kOldBackupNotRemoved =
    QStringLiteral("备份已完成，但无法删除旧备份 backupold.mdb，下次备份时会将它另存。");

const QString DataMaintenance::kRestorePrompt =
    QStringLiteral("还原数据为危险操作，请输入管理员密码进行验证！");
const QString DataMaintenance::kRestoreTitle = QStringLiteral("危险操作警告");
const QString DataMaintenance::kRestoreRefused = QStringLiteral("操作中止，选择不恢复数据！");
const QString DataMaintenance::kNoBackupToRestore = QStringLiteral("没有备份数据，无法还原数据！");
const QString DataMaintenance::kBackupDamaged =
    QStringLiteral("备份数据已损坏，无法还原数据！当前数据未改动。");
const QString DataMaintenance::kRestoreFailed = QStringLiteral("还原失败，当前数据未改动！");
const QString DataMaintenance::kRestoreRolledBack =
    QStringLiteral("还原失败，已恢复还原前的数据！");
const QString DataMaintenance::kRestoreRollbackFailed =
    QStringLiteral("还原失败，且无法恢复还原前的数据！");
const QString DataMaintenance::kBesideNotUsed =
    QStringLiteral("备份文件旁的日志文件未被使用，还原的是备份文件本身的数据。");
const QString DataMaintenance::kDataKeptAt = QStringLiteral("原数据保存在 %1，请勿删除！");
const QString DataMaintenance::kOldLiveNotRemoved =
    QStringLiteral("无法删除旧数据 tableold.mdb，下次操作时会将它另存。");

const QString DataMaintenance::kTemplateDamaged =
    QStringLiteral("检测到数据异常，无法清空数据，程序即将退出！");
const QString DataMaintenance::kClearPrompt = QStringLiteral(
    "清空数据库为大禁忌，平时几乎用不着，请您确认您一定要清空数据？请输入管理员密码进行验证");
const QString DataMaintenance::kClearTitle = QStringLiteral("严重危险操作警告");
const QString DataMaintenance::kClearRefused = QStringLiteral("密码验证错误！请勿非法操作！");
const QString DataMaintenance::kTemplateMissing =
    QStringLiteral("执行数据异常，无法清空数据！程序即将退出！");
const QString DataMaintenance::kCleared = QStringLiteral("清空数据完成！");
const QString DataMaintenance::kClearFailed = QStringLiteral("清空失败，数据不动！");
const QString DataMaintenance::kClearLostLive =
    QStringLiteral("执行异常，程序即将退出，请重新打开再验证完整度！");

const QString DataMaintenance::kNotSynced = QStringLiteral(
    "系统未能确认这次的改动已写入磁盘，突然断电可能使它丢失。请检查磁盘后再备份一次。");

const QString DataMaintenance::kNotLogged = QStringLiteral("操作已完成，但无法写入操作日志：");

const QString DataMaintenance::kLeftoverKept =
    QStringLiteral("上次中断的操作留下了 %1，已将它另存为 %2，请检查后自行处理。");
const QString DataMaintenance::kLeftoverStuck =
    QStringLiteral("上次中断的操作留下了 %1，无法将它另存，为免丢失数据，本次操作未执行！");

namespace {

QString withDetail(const QString &message, const QString &detail)
{
    return detail.isEmpty() ? message : message + QLatin1Char('\n') + detail;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

DataMaintenance::DataMaintenance(Database &store, DataFiles paths, const Session &session,
                                 FileOps &files, const ServerSettings *server)
    : m_store(store), m_paths(std::move(paths)), m_session(session), m_files(files),
      m_storeThread(QThread::currentThread())
{
    if (server)
        m_server =
            std::make_unique<ServerMaintenance>(*server, m_paths, session, store.operatorName());
}

DataMaintenance::~DataMaintenance() = default;

void DataMaintenance::releaseStore(const QString &typed)
{
    if (m_session.confirms(typed))
        closeStore();
}

void DataMaintenance::closeStore()
{
    // Qt lets a connection be used only on the thread that made it.
    if (QThread::currentThread() == m_storeThread)
        m_store.close();
    Q_ASSERT(!m_store.isOpen());
}

QString DataMaintenance::statusLine(const QString &heading)
{
    return heading + QLatin1Char('\n') +
           Formats::dateTime(m_files.modified(m_paths.backupDatabase()));
}

QString DataMaintenance::activate()
{
    if (m_server)
        return m_server->activate();
    const DataFiles &f = m_paths;
    if (!m_files.exists(f.backupFolder()))
        m_files.makeFolder(f.backupFolder()); // a failure shows as "no backup"
    if (!m_files.exists(f.backupDatabase()))
        return kNoBackupYet;
    return statusLine(kCurrentBackupHeading);
}

QString DataMaintenance::problemWith(const QString &path)
{
    if (!m_files.exists(path))
        return QStringLiteral("%1 不存在").arg(QFileInfo(path).fileName());
    const QString problem = Schema::problemWithFile(path, Schema::Check::Full);
    return problem.isEmpty()
               ? problem
               : QStringLiteral("%1 校验失败：%2").arg(QFileInfo(path).fileName(), problem);
}

bool DataMaintenance::setAside(const QString &path, Outcome &outcome)
{
    const QFileInfo info(path);
    const QString stem = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() +
                         QLatin1Char('-') +
                         Clock::now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString suffix = QLatin1Char('.') + info.suffix();
    QString aside = stem + suffix;
    for (int n = 2; m_files.exists(aside); ++n)
        aside = stem + QLatin1Char('-') + QString::number(n) + suffix;
    if (!DatabaseFile::move(m_files, path, aside)) {
        outcome.messages << withDetail(kLeftoverStuck.arg(info.fileName()), m_files.error());
        return false;
    }
    outcome.messages << kLeftoverKept.arg(info.fileName(), QFileInfo(aside).fileName());
    return true;
}

QString DataMaintenance::restoredFrom(const QString &source, bool fromOutside,
                                      const VerifiedCopy::Verdict &verdict)
{
    const QString name = QFileInfo(source).fileName();
    QString what;
    if (fromOutside)
        what = QStringLiteral("文件 %1").arg(native(source));
    else if (const auto g = BackupGenerations::parse(name))
        what = QStringLiteral("%1备份 %2").arg(BackupManifest::kindName(g->kind), name);
    else
        what = QStringLiteral("%1备份 %2").arg(BackupManifest::kindName(BackupKind::Manual), name);
    const QDateTime taken = verdict.manifest ? verdict.manifest->taken : m_files.modified(source);
    return QStringLiteral("从%1 还原，备份时间 %2").arg(what, Formats::dateTime(taken));
}

QString DataMaintenance::retire(const QString &old, BackupKind kind)
{
    QString error;
    if (AutoBackups(m_paths, m_files).keepAside(old, kind, &error))
        return {};
    return withDetail(kDataKeptAt.arg(native(old)), error);
}

bool DataMaintenance::rollBack(const QString &rollback, const QString &target)
{
    return DatabaseFile::remove(m_files, target) && DatabaseFile::move(m_files, rollback, target);
}

void DataMaintenance::noteSync(Outcome &outcome)
{
    if (const QString problem = m_files.takeSyncProblem(); !problem.isEmpty())
        outcome.messages << withDetail(kNotSynced, problem);
}

DataMaintenance::Outcome DataMaintenance::backup()
{
    if (m_server)
        return m_server->backup();
    const DataFiles &f = m_paths;
    const QString live = f.liveDatabase();
    const QString target = f.backupDatabase();
    const QString old = f.backupRollback();
    Outcome o;
    // The store stays open: the copy is taken under a transaction of its
    // own, with the log emptied into the file, which keeps every writer out
    // until it is complete.
    m_files.takeSyncProblem();
    if (!m_files.exists(live)) {
        o.messages << kSourceMissing;
        return o;
    }
    // Held still from here until the copy is in place, and checked meanwhile.
    LiveSnapshot source(live, m_progress);
    if (!source.problem().isEmpty()) {
        o.messages << withDetail(kBackupFailed, source.problem());
        return o;
    }
    if (!m_files.exists(f.backupFolder()) && !m_files.makeFolder(f.backupFolder())) {
        o.messages << withDetail(kBackupFailed, m_files.error());
        return o;
    }
    if (m_files.exists(old) && !setAside(old, o))
        return o;
    const bool hadBackup = m_files.exists(target);
    if (hadBackup && !DatabaseFile::move(m_files, target, old)) {
        o.messages << withDetail(kBackupFailed, m_files.error());
        return o;
    }
    // Deleted once the new backup is in place; meanwhile, while the checks
    // run on their own thread, its pages leave memory, which shortens the
    // deletion the backup waits for.
    if (hadBackup)
        m_files.dropCached(old);

    QString note;
    const QString problem = VerifiedCopy(m_files, m_progress)
                                .backUp(source, target, BackupKind::Manual, Clock::now(), &note);
    if (problem.isEmpty()) {
        o.status = statusLine(kBackupDoneHeading);
        if (!note.isEmpty())
            o.messages << note;
        o.logged = {AuditLog::kBackup,
                    QStringLiteral("备份到 %1").arg(QDir(f.folder()).relativeFilePath(target))};
        if (hadBackup && !DatabaseFile::remove(m_files, old))
            o.messages << withDetail(kOldBackupNotRemoved, m_files.error());
        noteSync(o);
        return o;
    }

    if (!hadBackup) {
        // Nothing to put back; only a damaged copy may have to go.
        if (!DatabaseFile::remove(m_files, target)) {
            o.messages << withDetail(kBackupFailed, problem + QLatin1Char('\n') + m_files.error());
            return o;
        }
        o.messages << withDetail(kBackupFailed, problem);
        o.status = kNoBackupYet;
        return o;
    }
    o.messages << withDetail(kBackupRolledBack, problem);
    if (!rollBack(old, target)) {
        o.messages << withDetail(kBackupRollbackFailed.arg(native(old)), m_files.error());
        return o;
    }
    o.status = statusLine(kKeptBackupHeading);
    return o;
}

DataMaintenance::Outcome DataMaintenance::restore(const QString &typed, const QString &chosen,
                                                  bool fromOutside)
{
    if (m_server) {
        closeStore(); // its statements would outlive the tables they read
        return m_server->restore(typed, chosen);
    }
    const DataFiles &f = m_paths;
    const QString source = chosen.isEmpty() ? f.backupDatabase() : chosen;
    const QString live = f.liveDatabase();
    const QString old = f.liveRollback();
    Outcome o;
    if (!Permissions::allows(m_session, Permissions::Action::Restore)) {
        o.messages << Permissions::kRefused;
        return o;
    }
    if (!m_session.confirms(typed)) {
        o.messages << kRestoreRefused;
        return o;
    }
    if (!m_files.exists(source)) {
        o.messages << kNoBackupToRestore;
        return o;
    }
    closeStore();
    keepLiveAuditLog();
    m_files.takeSyncProblem();
    if (m_files.exists(old) && !setAside(old, o))
        return o;
    // The backup's own bytes, copied to a staged name, are what is judged and
    // put in place; the backup itself and the files beside it stay as they
    // are.
    const QString staged = f.restoreStaging();
    VerifiedCopy verified(m_files, m_progress);
    const VerifiedCopy::Verdict verdict = verified.stage(source, staged, !fromOutside);
    if (!verdict.problem.isEmpty()) {
        o.messages << withDetail(verdict.copyFailed ? kRestoreFailed : kBackupDamaged,
                                 verdict.problem);
        return o;
    }
    const bool hadLive = m_files.exists(live);
    // A crashed writer's journal is played back into the live file before it
    // is moved aside; one that cannot be (a damaged file) moves with it.
    if (hadLive)
        DatabaseHold::settle(live, DatabaseHold::Journal::Rollback);
    if (hadLive && !DatabaseFile::move(m_files, live, old)) {
        o.messages << withDetail(kRestoreFailed, m_files.error());
        DatabaseFile::remove(m_files, staged);
        return o;
    }
    if (!DatabaseFile::move(m_files, staged, live)) {
        const QString problem = m_files.error();
        DatabaseFile::remove(m_files, staged);
        if (!hadLive) {
            o.messages << withDetail(kRestoreFailed, problem);
        } else if (rollBack(old, live)) {
            o.messages << withDetail(kRestoreRolledBack, problem);
        } else {
            o.messages << withDetail(kRestoreRollbackFailed,
                                     withDetail(kDataKeptAt.arg(native(old)),
                                                problem + QLatin1Char('\n') + m_files.error()));
        }
        return o;
    }
    if (!DatabaseFile::present(m_files, source).isEmpty())
        o.messages << kBesideNotUsed;
    if (hadLive) {
        if (const QString kept = retire(old, BackupKind::PreRestore); !kept.isEmpty())
            o.messages << kept;
    }
    o.status =
        kRestoreDoneHeading + QLatin1Char('\n') + Formats::dateTime(m_files.modified(source));
    o.logged = {AuditLog::kRestore, restoredFrom(source, fromOutside, verdict)};
    noteSync(o);
    return o;
}

std::optional<DataMaintenance::Outcome> DataMaintenance::checkTemplate()
{
    if (m_server)
        return std::nullopt; // a server keeps no template
    const QString zero = m_paths.blankTemplate();
    if (m_files.exists(zero) && m_files.size(zero) != DataFiles::kBlankTemplateSize)
        return Outcome{{kTemplateDamaged}, std::nullopt, true, 1, std::nullopt};
    return std::nullopt;
}

DataMaintenance::Outcome DataMaintenance::clear(const QString &typed)
{
    if (m_server) {
        closeStore();
        return m_server->clear(typed);
    }
    const DataFiles &f = m_paths;
    const QString zero = f.blankTemplate();
    const QString live = f.liveDatabase();
    const QString old = f.liveRollback();
    Outcome o;
    if (!Permissions::allows(m_session, Permissions::Action::Clear)) {
        o.messages << Permissions::kRefused;
        return o;
    }
    if (!m_session.confirms(typed)) {
        o.messages << kClearRefused;
        return o;
    }
    // From here on every path ends the program.
    o.endProgram = true;
    o.endCode = 1;
    closeStore();
    m_files.takeSyncProblem();
    Outcome aside;
    if (m_files.exists(old) && !setAside(old, aside)) {
        o.messages << withDetail(kClearFailed, aside.messages.join(QLatin1Char('\n')));
        return o;
    }
    const QString note = aside.messages.join(QLatin1Char('\n'));
    const bool hadLive = m_files.exists(live);
    if (hadLive)
        DatabaseHold::settle(live, DatabaseHold::Journal::Rollback);
    if (hadLive && !DatabaseFile::move(m_files, live, old)) {
        o.messages << withDetail(kClearFailed, withDetail(m_files.error(), note));
        return o;
    }
    if (!m_files.exists(zero)) {
        if (hadLive && !DatabaseFile::move(m_files, old, live)) {
            o.messages << withDetail(kClearLostLive,
                                     withDetail(kDataKeptAt.arg(native(old)), m_files.error()));
            return o;
        }
        o.messages << withDetail(kTemplateMissing, note);
        return o;
    }

    QString problem = DatabaseFile::copyStill(m_files, zero, live);
    if (problem.isEmpty())
        problem = problemWith(live);
    if (problem.isEmpty()) {
        QString message = withDetail(kCleared, note);
        if (hadLive)
            message = withDetail(message, retire(old, BackupKind::PreClear));
        o.logged = {
            AuditLog::kClear,
            QStringLiteral("清空全部数据，换为空白数据库 %1").arg(QFileInfo(zero).fileName())};
        if (const QString unsynced = m_files.takeSyncProblem(); !unsynced.isEmpty())
            message = withDetail(message, withDetail(kNotSynced, unsynced));
        o.messages << message;
        o.endCode = 0;
        return o;
    }
    if (hadLive) {
        if (rollBack(old, live))
            o.messages << withDetail(kClearFailed, withDetail(problem, note));
        else
            o.messages << withDetail(kClearLostLive,
                                     withDetail(kDataKeptAt.arg(native(old)),
                                                problem + QLatin1Char('\n') + m_files.error()));
        return o;
    }
    DatabaseFile::remove(m_files, live);
    o.messages << withDetail(kClearLostLive, problem);
    return o;
}

DataMaintenance::Outcome DataMaintenance::saveCopy(const QString &folder)
{
    if (m_server)
        return m_server->saveCopy(folder);
    const BackupSaveAs::Outcome saved = BackupSaveAs::run(m_paths, m_files, m_progress, folder);
    Outcome o;
    o.messages = saved.messages;
    if (!saved.path.isEmpty())
        o.logged = {AuditLog::kBackup, QStringLiteral("另存备份到 %1").arg(native(saved.path))};
    return o;
}

void DataMaintenance::record(Outcome &outcome)
{
    // A restore or a clear closed the store, even one refused or failed.
    if (!outcome.logged) {
        if (!outcome.endProgram)
            m_store.reopenIfClosed(); // a failure shows at the main window's next look
        return;
    }
    // Its row belongs in the file now in place.
    QString problem;
    if (!m_store.reopenIfClosed()) {
        problem = m_store.lastError();
    } else {
        try {
            if (outcome.logged->kind == AuditLog::kRestore)
                recordRestore(outcome.logged->detail);
            else
                AuditLog::record(m_store, outcome.logged->kind, outcome.logged->detail);
        } catch (const StoreError &e) {
            problem = e.text();
        }
    }
    if (!problem.isEmpty())
        outcome.messages << kNotLogged + problem;
    if (outcome.endProgram)
        m_store.close();
}

void DataMaintenance::keepLiveAuditLog()
{
    m_liveAuditLog.clear();
    try {
        m_liveAuditLog = AuditLog::rowsOfFile(m_paths.liveDatabase());
    } catch (const StoreError &) {
        // A log that cannot be read is not carried; the restore goes on.
    }
}

void DataMaintenance::recordRestore(const QString &detail)
{
    // The restored log, then what the live one held since, then the restore:
    // a restore never erases its own trace or what came before it.
    Transaction tx(m_store);
    AuditLog log(m_store);
    log.addNewer(m_liveAuditLog);
    log.add(AuditLog::kRestore, detail, m_store.operatorName());
    tx.commit();
    m_liveAuditLog.clear();
}
