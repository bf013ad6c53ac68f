#pragma once

#include "base/DiskCalls.h"

#include <QStringList>

#include <cerrno>

// The real calls, logged; from the nth on they fail as the mode says.
class FailingDiskCalls : public DiskCalls
{
public:
    enum class Mode {
        Once,     // the nth call fails with EIO, later ones succeed
        DiskFull, // the nth call writes half and returns; every later write fails with ENOSPC
    };
    FailingDiskCalls(int failAt, Mode mode) : m_failAt(failAt), m_mode(mode) {}

    QStringList log() const { return m_log; }

    ssize_t write(int fd, const void *data, size_t size) override
    {
        const ssize_t n = writing(QStringLiteral("write"), size);
        return n < 0 ? n : DiskCalls::write(fd, data, size_t(n));
    }
    ssize_t pwrite(int fd, const void *data, size_t size, off_t offset) override
    {
        const ssize_t n = writing(QStringLiteral("pwrite"), size);
        return n < 0 ? n : DiskCalls::pwrite(fd, data, size_t(n), offset);
    }
    ssize_t pread(int fd, void *data, size_t size, off_t offset) override
    {
        if (fails(QStringLiteral("pread")))
            return -1;
        return DiskCalls::pread(fd, data, size, offset);
    }
    int fsync(int fd) override
    {
        if (fails(QStringLiteral("fsync")) || m_full)
            return -1;
        return DiskCalls::fsync(fd);
    }
    int close(int fd) override
    {
        const bool failed = fails(QStringLiteral("close"));
        const int rc = DiskCalls::close(fd); // the descriptor goes either way
        return failed ? -1 : rc;
    }

private:
    // How many bytes of size the call may write: size, fewer, or -1.
    ssize_t writing(const QString &what, size_t size)
    {
        if (m_full) {
            m_log << what;
            errno = ENOSPC;
            return -1;
        }
        if (!fails(what))
            return ssize_t(size);
        if (m_mode == Mode::Once)
            return -1;
        m_full = true;
        errno = ENOSPC;
        return size > 1 ? ssize_t(size / 2) : -1;
    }
    bool fails(const QString &what)
    {
        m_log << what;
        if (m_log.size() != m_failAt)
            return false;
        errno = EIO;
        return true;
    }

    int m_failAt;
    Mode m_mode;
    bool m_full = false;
    QStringList m_log;
};
