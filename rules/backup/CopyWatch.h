#pragma once

#include <QtGlobal>

// Sees a file copy as it happens: every chunk read from the source, in
// order, and the moment the finished copy is about to be renamed into
// place. Returning false from chunk() or renaming() stops the copy; nothing
// is renamed then. The rename itself cannot be stopped.
class CopyWatch
{
public:
    virtual ~CopyWatch() = default;
    // Sees each chunk first and may change its bytes: what it leaves is
    // what chunk() sees and the copy holds.
    virtual void rewrite(char *data, qint64 size)
    {
        Q_UNUSED(data);
        Q_UNUSED(size);
    }
    virtual bool chunk(const char *data, qint64 size) = 0;
    // Every chunk has been read and written; the copy is put on the disk
    // next, which is mostly waiting.
    virtual void copied() {}
    virtual bool renaming() { return true; }
};
