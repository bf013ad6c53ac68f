#pragma once

#include <QtGlobal>

#include <cstdio>
#include <sys/types.h>

class DiskCalls;
typedef struct _GsfOutput GsfOutput;
typedef struct _GsfOutfile GsfOutfile;

// An OLE2 compound file ([MS-CFB], written by libgsf) holding one stream,
// `Workbook`, written to an open file descriptor. The container's bytes
// reach the file through a stdio stream whose every write goes through
// DiskCalls, and the first failed call is kept: libgsf does not report
// every failed write of its sink, nor one at its close.
//
// libgsf and the GLib libraries it needs are loaded at the first export,
// not at start-up, where loading them took about 2 ms.
class CompoundFile
{
public:
    CompoundFile(int fd, DiskCalls &calls);
    ~CompoundFile();
    CompoundFile(const CompoundFile &) = delete;
    CompoundFile &operator=(const CompoundFile &) = delete;

    // False when the container could not be set up (or libgsf not loaded).
    bool isOpen() const { return m_stream != nullptr; }
    // Appends to the Workbook stream.
    bool write(const char *data, qsizetype size);
    // The errno of the first failed write, or 0.
    int error() const { return m_cookie.error; }

    // Closes the stream, the container and the stdio stream (not the
    // descriptor); true when every byte was written.
    bool close();

private:
    struct Cookie
    {
        DiskCalls *calls;
        int fd;
        off64_t position;
        off64_t end;
        int error;
    };
    static ssize_t writeCookie(void *cookie, const char *data, size_t size);
    static int seek(void *cookie, off64_t *offset, int whence);

    Cookie m_cookie;
    FILE *m_file = nullptr;
    GsfOutput *m_sink = nullptr;
    GsfOutfile *m_ole = nullptr;
    GsfOutput *m_stream = nullptr;
};
