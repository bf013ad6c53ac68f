#include "program/InstanceLock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::InstanceLock(const QString &programFolder)
    : m_path(QDir(programFolder).filePath(fileName()))
{
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // the kernel drops the lock with the descriptor
}

QString InstanceLock::fileName()
{
    return QStringLiteral("pellomar.lock");
}

InstanceLock::Result InstanceLock::acquire()
{
    if (m_fd >= 0)
        return Result::Acquired;
    const QByteArray path = QFile::encodeName(m_path);
    // Not inherited by programs this one starts, so that the lock ends with
    // this process. A lock file left in a folder that became read-only is
    // still opened for reading: flock() needs no write access.
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    const bool writable = fd >= 0;
    if (fd < 0)
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Result::NotPossible;
    // flock() locks belong to the open file description, so a second
    // InstanceLock in the same process is refused as well.
    int locked;
    do
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? Result::HeldByAnother : Result::NotPossible;
    }
    m_fd = fd;
    // The note for a person looking at the folder; a full disk that keeps it
    // from being written changes nothing.
    if (writable && ::ftruncate(fd, 0) == 0) {
        const QByteArray note = QByteArray::number(qint64(::getpid())) + '\n';
        [[maybe_unused]] const ssize_t written = ::write(fd, note.constData(), note.size());
    }
    return Result::Acquired;
}
