#include "rules/backup/FileOps.h"

#include "base/DiskCalls.h"
#include "base/StagedFile.h"
#include "store/sqlite/DatabaseReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString nameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

} // namespace

DiskFileOps::DiskFileOps() : m_calls(DiskCalls::system()) {}

bool DiskFileOps::exists(const QString &path)
{
    return QFileInfo::exists(path);
}

qint64 DiskFileOps::size(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.size() : -1;
}

QDateTime DiskFileOps::modified(const QString &path)
{
    return QFileInfo(path).lastModified();
}

bool DiskFileOps::makeFolder(const QString &path)
{
    if (QDir().mkpath(path))
        return true;
    m_error = QStringLiteral("无法建立文件夹 %1").arg(QDir::toNativeSeparators(path));
    return false;
}

bool DiskFileOps::copy(const QString &from, const QString &to)
{
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        m_error = QStringLiteral("无法读取 %1：%2").arg(nameOf(from), systemErrorText(errno));
        return false;
    }
    struct stat st;
    const unsigned mode = ::fstat(in, &st) == 0 ? st.st_mode & 07777 : 0644;
    const bool ok = copyFrom(
        [&](char *data, qint64 max) -> qint64 {
            for (;;) {
                const ssize_t n = ::read(in, data, size_t(max));
                if (n >= 0 || errno != EINTR) {
                    if (n < 0)
                        m_error = QStringLiteral("无法读取 %1：%2")
                                      .arg(nameOf(from), systemErrorText(errno));
                    return n;
                }
            }
        },
        mode, to);
    ::close(in);
    return ok;
}

bool DiskFileOps::copyDatabase(const QString &from, const QString &to)
{
    DatabaseReader in(from);
    if (!in.isOpen()) {
        m_error = QStringLiteral("无法读取 %1：%2").arg(nameOf(from), in.error());
        return false;
    }
    return copyFrom(
        [&](char *data, qint64 max) {
            const qint64 n = in.read(data, max);
            if (n < 0)
                m_error = QStringLiteral("无法读取 %1：%2").arg(nameOf(from), in.error());
            return n;
        },
        in.mode(), to);
}

bool DiskFileOps::copyFrom(const std::function<qint64(char *, qint64)> &read, unsigned mode,
                           const QString &to)
{
    StagedFile out(to, m_calls);
    if (!out.isOpen()) {
        m_error = out.error();
        return false;
    }
    out.takePermissions(mode);
    static constexpr qint64 kChunk = 1 << 20;
    QByteArray buffer(kChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 n = read(buffer.data(), kChunk);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (m_watch)
            m_watch->rewrite(buffer.data(), n);
        if (m_watch && !m_watch->chunk(buffer.constData(), n)) {
            m_error = QStringLiteral("已取消");
            return false;
        }
        if (!out.write(buffer.constData(), n)) {
            m_error = out.error();
            return false;
        }
    }
    // On the disk while the watcher decides, which may take a while: the
    // checks of a backup run beside its copy.
    if (m_watch)
        m_watch->copied();
    if (m_watch && !out.flush()) {
        m_error = out.error();
        return false;
    }
    if (m_watch && !m_watch->renaming()) {
        m_error = QStringLiteral("复制已停止");
        return false;
    }
    if (!out.commit(StagedFile::Existing::Keep, StagedFile::FolderSync::Later)) {
        m_error = out.error();
        return false;
    }
    flushFolder(QFileInfo(to).absolutePath());
    return true;
}

bool DiskFileOps::rename(const QString &from, const QString &to)
{
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
    int rc = ::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE);
    if (rc != 0 && errno == EINVAL) {
        if (QFileInfo::exists(to))
            errno = EEXIST;
        else
            rc = ::rename(f.constData(), t.constData());
    }
    if (rc != 0) {
        m_error = QStringLiteral("无法将 %1 改名为 %2：%3")
                      .arg(nameOf(from), nameOf(to), systemErrorText(errno));
        return false;
    }
    flushFolder(QFileInfo(to).absolutePath());
    return true;
}

bool DiskFileOps::remove(const QString &path)
{
    if (::unlink(QFile::encodeName(path).constData()) != 0) {
        m_error = QStringLiteral("无法删除 %1：%2").arg(nameOf(path), systemErrorText(errno));
        return false;
    }
    flushFolder(QFileInfo(path).absolutePath());
    return true;
}

void DiskFileOps::dropCached(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

bool DiskFileOps::flushFolder(const QString &folder)
{
    if (syncFolder(folder))
        return true;
    m_syncProblem = QStringLiteral("无法将文件夹 %1 的改动写入磁盘：%2")
                        .arg(QDir::toNativeSeparators(folder), systemErrorText(errno));
    return false;
}
