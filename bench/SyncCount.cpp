#include "SyncCount.h"

#include <sqlite3.h>

#include <atomic>

namespace SyncCount {
namespace {

std::atomic<quint64> g_flushes{0};
sqlite3_vfs *g_real = nullptr;
sqlite3_vfs g_vfs;

// Our file: the real file follows it in the same allocation.
struct File
{
    sqlite3_file base;
    sqlite3_file *real;
};

sqlite3_file *real(sqlite3_file *f)
{
    return reinterpret_cast<File *>(f)->real;
}

int xClose(sqlite3_file *f)
{
    sqlite3_file *r = real(f);
    return r->pMethods ? r->pMethods->xClose(r) : SQLITE_OK;
}
int xRead(sqlite3_file *f, void *p, int n, sqlite3_int64 o)
{
    return real(f)->pMethods->xRead(real(f), p, n, o);
}
int xWrite(sqlite3_file *f, const void *p, int n, sqlite3_int64 o)
{
    return real(f)->pMethods->xWrite(real(f), p, n, o);
}
int xTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    return real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file *f, int flags)
{
    ++g_flushes;
    return real(f)->pMethods->xSync(real(f), flags);
}
int xFileSize(sqlite3_file *f, sqlite3_int64 *size)
{
    return real(f)->pMethods->xFileSize(real(f), size);
}
int xLock(sqlite3_file *f, int l)
{
    return real(f)->pMethods->xLock(real(f), l);
}
int xUnlock(sqlite3_file *f, int l)
{
    return real(f)->pMethods->xUnlock(real(f), l);
}
int xCheckReservedLock(sqlite3_file *f, int *out)
{
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int xFileControl(sqlite3_file *f, int op, void *arg)
{
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int xSectorSize(sqlite3_file *f)
{
    return real(f)->pMethods->xSectorSize(real(f));
}
int xDeviceCharacteristics(sqlite3_file *f)
{
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int xShmMap(sqlite3_file *f, int region, int size, int extend, void volatile **p)
{
    return real(f)->pMethods->xShmMap(real(f), region, size, extend, p);
}
int xShmLock(sqlite3_file *f, int offset, int n, int flags)
{
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void xShmBarrier(sqlite3_file *f)
{
    real(f)->pMethods->xShmBarrier(real(f));
}
int xShmUnmap(sqlite3_file *f, int deleteFlag)
{
    return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
}
int xFetch(sqlite3_file *f, sqlite3_int64 o, int n, void **p)
{
    return real(f)->pMethods->xFetch(real(f), o, n, p);
}
int xUnfetch(sqlite3_file *f, sqlite3_int64 o, void *p)
{
    return real(f)->pMethods->xUnfetch(real(f), o, p);
}

const sqlite3_io_methods g_methods = {
    3,
    xClose,
    xRead,
    xWrite,
    xTruncate,
    xSync,
    xFileSize,
    xLock,
    xUnlock,
    xCheckReservedLock,
    xFileControl,
    xSectorSize,
    xDeviceCharacteristics,
    xShmMap,
    xShmLock,
    xShmBarrier,
    xShmUnmap,
    xFetch,
    xUnfetch,
};

int xOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *f, int flags, int *outFlags)
{
    auto *file = reinterpret_cast<File *>(f);
    file->real = reinterpret_cast<sqlite3_file *>(file + 1);
    file->base.pMethods = nullptr;
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    if (file->real->pMethods)
        file->base.pMethods = &g_methods;
    return rc;
}

int xDelete(sqlite3_vfs *, const char *name, int syncDir)
{
    if (syncDir)
        ++g_flushes;
    return g_real->xDelete(g_real, name, syncDir);
}

} // namespace

void install()
{
    if (g_real)
        return;
    sqlite3_initialize();
    g_real = sqlite3_vfs_find(nullptr);
    g_vfs = *g_real;
    g_vfs.zName = "flush-counting";
    g_vfs.szOsFile = int(sizeof(File)) + g_real->szOsFile;
    g_vfs.xOpen = xOpen;
    g_vfs.xDelete = xDelete;
    sqlite3_vfs_register(&g_vfs, 1);
}

quint64 flushes()
{
    return g_flushes.load();
}

} // namespace SyncCount
