#include "rules/backup/VerifiedCopy.h"

#include "base/Version.h"
#include "rules/backup/DatabaseFile.h"
#include "rules/backup/FileDigest.h"
#include "rules/backup/FileOps.h"
#include "rules/backup/LiveSnapshot.h"
#include "rules/backup/TaskProgress.h"
#include "store/Schema.h"
#include "store/sqlite/SqliteEngine.h"

#include <QFile>
#include <QFileInfo>
#include <utility>

const QString VerifiedCopy::kProgramVersion = QStringLiteral(PELLOMAR_VERSION);

namespace {

const QString kSizeDiffers = QStringLiteral("复制后的文件大小不符");

// Digests a copy of a database on its way, marked as a rollback-journal
// file first: a live file in the log has its copy marked so, and a staged
// backup too, so that checking it makes no log beside it.
class MarkedDigest : public FileDigest
{
public:
    using FileDigest::FileDigest;
    void rewrite(char *data, qint64 size) override
    {
        if (std::exchange(m_first, false))
            SqliteEngine::markRollbackJournal(data, size);
    }

private:
    bool m_first = true;
};

// Digests a backup on its way; the copy is renamed into place only once the
// checks of its source have passed. A manifest still at the copy's name
// belongs to the backup the copy replaces: it goes right before the rename,
// so that it never vouches for the copy, even when the run is cut short
// before the copy's own is written, and stays when the copy is refused.
class CheckedCopy : public MarkedDigest
{
public:
    CheckedCopy(LiveSnapshot &source, QString staleManifest, TaskProgress *progress)
        : MarkedDigest(progress), m_source(source), m_staleManifest(std::move(staleManifest)),
          m_progress(progress)
    {
    }
    // The count of the source waits for the copy's reading, which needs a
    // processor too, and runs while the copy goes to the disk.
    void copied() override { m_source.startCounting(); }
    bool renaming() override
    {
        if (m_progress)
            m_progress->setPhase(QStringLiteral("正在检查数据…"), -1);
        m_problem = m_source.waitForChecks();
        if (!m_problem.isEmpty() || !FileDigest::renaming())
            return false;
        QFile stale(m_staleManifest);
        if (stale.exists() && !stale.remove()) {
            m_problem = stale.errorString();
            return false;
        }
        return true;
    }
    QString problem() const { return m_problem; }

private:
    LiveSnapshot &m_source;
    QString m_staleManifest;
    TaskProgress *m_progress;
    QString m_problem;
};

// Watches one copy of the file operations for as long as it lives.
class Watching
{
public:
    Watching(FileOps &files, CopyWatch &watch) : m_files(files) { m_files.watchCopies(&watch); }
    ~Watching() { m_files.watchCopies(nullptr); }

private:
    FileOps &m_files;
};

} // namespace

VerifiedCopy::VerifiedCopy(FileOps &files, TaskProgress *progress)
    : m_files(files), m_progress(progress)
{
}

QString VerifiedCopy::backUp(LiveSnapshot &source, const QString &to, BackupKind kind,
                             const QDateTime &taken, QString *note)
{
    if (!source.problem().isEmpty())
        return source.problem();
    if (m_progress) {
        m_progress->setPhase(QStringLiteral("正在复制数据…"), source.size());
        m_progress->setCancellable(true);
    }
    CheckedCopy digest(source, BackupManifest::pathFor(to), m_progress);
    {
        Watching watching(m_files, digest);
        if (!DatabaseFile::removeStrays(m_files, to) || !m_files.copyDatabase(source.path(), to))
            return digest.problem().isEmpty() ? m_files.error() : digest.problem();
    }
    // A copy that never asked to be renamed (a file system that does not
    // report its copies) still waits for the verdict.
    if (const QString problem = source.waitForChecks(); !problem.isEmpty())
        return problem;
    if (digest.size() != source.size() || m_files.size(to) != source.size())
        return kSizeDiffers;

    BackupManifest m;
    m.digest = digest.hex();
    m.size = source.size();
    m.taken = taken;
    m.kind = kind;
    m.members = source.members();
    m.balance = source.balance();
    m.lastChange = source.lastChange();
    m.programVersion = kProgramVersion;
    QString error;
    if (!m.write(BackupManifest::pathFor(to), &error, m_files.calls()) && note)
        *note = QStringLiteral("备份的校验记录无法写入（%1），还原它时将做完整检查。").arg(error);
    return {};
}

VerifiedCopy::Verdict VerifiedCopy::stage(const QString &backup, const QString &staged,
                                          bool trustManifest)
{
    const std::optional<BackupManifest> m =
        trustManifest ? BackupManifest::read(BackupManifest::pathFor(backup)) : std::nullopt;
    if (m_progress)
        m_progress->setPhase(QStringLiteral("正在读取备份…"), m_files.size(backup));
    MarkedDigest digest(m_progress);
    {
        Watching watching(m_files, digest);
        if (!DatabaseFile::remove(m_files, staged) || !m_files.copy(backup, staged))
            return {m_files.error(), std::nullopt, true};
    }
    if (digest.size() != m_files.size(staged)) {
        DatabaseFile::remove(m_files, staged);
        return {kSizeDiffers, std::nullopt, true};
    }
    if (m && m->size == digest.size() && m->digest == digest.hex())
        return {QString(), m};
    if (m_progress)
        m_progress->setPhase(QStringLiteral("正在完整检查备份…"), -1);
    QString problem = Schema::problemWithFile(staged, Schema::Check::Full);
    if (problem.isEmpty())
        return {};
    DatabaseFile::remove(m_files, staged);
    return {QStringLiteral("%1 校验失败：%2").arg(QFileInfo(backup).fileName(), problem),
            std::nullopt};
}

std::optional<BackupManifest> VerifiedCopy::vouchedFor(const QString &backup)
{
    const auto m = BackupManifest::read(BackupManifest::pathFor(backup));
    if (!m || m_files.size(backup) != m->size)
        return std::nullopt;
    QString error;
    const auto digest = FileDigest::ofFile(backup, m_progress, &error);
    return digest && *digest == m->digest ? m : std::nullopt;
}
