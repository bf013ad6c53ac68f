#include "rules/maintenance/FileOps.h"

#include "rules/maintenance/StagedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString nameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

} // namespace

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
    StagedFile out(to);
    bool ok = out.isOpen();
    if (ok) {
        out.takePermissionsOf(in);
        static constexpr qint64 kChunk = 1 << 20;
        QByteArray buffer(kChunk, Qt::Uninitialized);
        for (;;) {
            const ssize_t n = ::read(in, buffer.data(), size_t(kChunk));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                m_error =
                    QStringLiteral("无法读取 %1：%2").arg(nameOf(from), systemErrorText(errno));
                ok = false;
                break;
            }
            if (n == 0)
                break;
            if (m_watch)
                m_watch->rewrite(buffer.data(), n);
            if (m_watch && !m_watch->chunk(buffer.constData(), n)) {
                m_error = QStringLiteral("已取消");
                ok = false;
                break;
            }
            if (!out.write(buffer.constData(), n)) {
                m_error = out.error();
                ok = false;
                break;
            }
        }
        // On the disk while the watcher decides, which may take a while: the
        // checks of a backup run beside its copy.
        if (ok && m_watch)
            m_watch->copied();
        if (ok && m_watch && !out.flush()) {
            m_error = out.error();
            ok = false;
        }
        if (ok && m_watch && !m_watch->renaming()) {
            m_error = QStringLiteral("复制已停止");
            ok = false;
        }
        if (ok && !out.commit(StagedFile::Existing::Keep, StagedFile::FolderSync::Later)) {
            m_error = out.error();
            ok = false;
        }
        if (ok)
            flushFolder(QFileInfo(to).absolutePath());
    } else {
        m_error = out.error();
    }
    ::close(in);
    return ok;
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
