#include "base/DiskCalls.h"

#include <unistd.h>

ssize_t DiskCalls::write(int fd, const void *data, size_t size)
{
    return ::write(fd, data, size);
}

ssize_t DiskCalls::pwrite(int fd, const void *data, size_t size, off_t offset)
{
    return ::pwrite(fd, data, size, offset);
}

ssize_t DiskCalls::pread(int fd, void *data, size_t size, off_t offset)
{
    return ::pread(fd, data, size, offset);
}

int DiskCalls::fsync(int fd)
{
    return ::fsync(fd);
}

int DiskCalls::close(int fd)
{
    return ::close(fd);
}

DiskCalls &DiskCalls::system()
{
    static DiskCalls calls;
    return calls;
}
