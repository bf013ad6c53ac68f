#pragma once

#include <sys/types.h>

// The system calls that put a written file on disk. Every write, sync and
// close of a staged file and of the export's spool goes through one of
// these, so that a test can make any single one of them fail.
class DiskCalls
{
public:
    virtual ~DiskCalls() = default;

    virtual ssize_t write(int fd, const void *data, size_t size);
    virtual ssize_t pwrite(int fd, const void *data, size_t size, off_t offset);
    virtual ssize_t pread(int fd, void *data, size_t size, off_t offset);
    virtual int fsync(int fd);
    virtual int close(int fd);

    // The real calls.
    static DiskCalls &system();
};
