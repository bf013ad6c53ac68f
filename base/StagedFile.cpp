#include "base/StagedFile.h"

#include "base/DiskCalls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

StagedFile::StagedFile(const QString &target) : StagedFile(target, DiskCalls::system()) {}

StagedFile::StagedFile(const QString &target, DiskCalls &calls) : m_calls(calls), m_target(target)
{
    const QFileInfo info(target);
    QByteArray pattern = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") +
                                           info.fileName() + QStringLiteral(".XXXXXX"));
    m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0) {
        m_error = QStringLiteral("无法在 %1 建立临时文件：%2")
                      .arg(QDir::toNativeSeparators(info.absolutePath()), systemErrorText(errno));
        return;
    }
    m_path = QFile::decodeName(pattern);
    // mkstemp gives 0600; a new file normally gets what the umask allows.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_fd, 0666 & ~mask);
}

StagedFile::~StagedFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_path.isEmpty())
        ::unlink(QFile::encodeName(m_path).constData());
}

bool StagedFile::fail(const QString &what)
{
    m_error = what + QStringLiteral("：") + systemErrorText(errno);
    return false;
}

bool StagedFile::write(const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = m_calls.write(m_fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(QStringLiteral("写入失败"));
        }
        data += n;
        size -= n;
    }
    return true;
}

void StagedFile::takePermissions(unsigned mode)
{
    // The owner keeps reading and writing the copy: a template or backup
    // made read-only to protect it must not give a live database that every
    // later write fails on.
    ::fchmod(m_fd, mode_t(mode & 07777) | S_IRUSR | S_IWUSR);
}

bool StagedFile::flush()
{
    if (m_fd < 0)
        return false;
    if (m_calls.fsync(m_fd) != 0)
        return fail(QStringLiteral("写入磁盘失败"));
    return true;
}

bool StagedFile::commit(Existing existing, FolderSync folderSync)
{
    if (m_fd < 0)
        return false;
    if (m_calls.fsync(m_fd) != 0)
        return fail(QStringLiteral("写入磁盘失败"));
    const int fd = m_fd;
    m_fd = -1;
    if (m_calls.close(fd) != 0)
        return fail(QStringLiteral("写入磁盘失败"));
    const QByteArray from = QFile::encodeName(m_path);
    const QByteArray to = QFile::encodeName(m_target);
    int rc;
    if (existing == Existing::Replace) {
        rc = ::rename(from.constData(), to.constData());
    } else {
        rc = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (rc != 0 && errno == EINVAL) {
            // The file system cannot refuse atomically; check first instead.
            if (QFileInfo::exists(m_target)) {
                errno = EEXIST;
            } else {
                rc = ::rename(from.constData(), to.constData());
            }
        }
    }
    if (rc != 0)
        return fail(QStringLiteral("无法将临时文件改名为 %1").arg(QFileInfo(m_target).fileName()));
    m_path.clear();
    if (folderSync == FolderSync::Now)
        syncFolder(QFileInfo(m_target).absolutePath());
    return true;
}
