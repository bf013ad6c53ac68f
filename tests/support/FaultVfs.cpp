#include "support/FaultVfs.h"

#include <sqlite3.h>

#include <QtGlobal>

#include <array>
#include <atomic>
#include <mutex>

namespace {

using File = FaultVfs::File;
using Op = FaultVfs::Op;

constexpr int kFiles = 4; // Main, Wal, Journal, Other
constexpr int kOps = 3;

struct Plan
{
    bool armed = false;
    Op op = Op::Write;
    File file = File::Any;
    int n = 0;
    FaultVfs::Error error = FaultVfs::Error::Io;
    bool sticky = false;
};

// The state of the one FaultVfs: counters, the plan and the hook, guarded by
// a mutex (background checks may write from threads of their own).
struct State
{
    std::mutex lock;
    std::array<std::array<int, kFiles>, kOps> counts{};
    Plan plan;
    bool failReads = false;
    FaultVfs::Hook hook;
};

State *g_state = nullptr;
sqlite3_vfs *g_real = nullptr;
sqlite3_vfs g_vfs;

struct FaultFile
{
    sqlite3_file base;
    sqlite3_file *real;
    File kind;
};

sqlite3_file *real(sqlite3_file *f)
{
    return reinterpret_cast<FaultFile *>(f)->real;
}

File kindOf(sqlite3_file *f)
{
    return reinterpret_cast<FaultFile *>(f)->kind;
}

int failureCode(Op op, FaultVfs::Error error)
{
    if (error == FaultVfs::Error::Full)
        return SQLITE_FULL;
    switch (op) {
    case Op::Write:
        break;
    case Op::Sync:
        return SQLITE_IOERR_FSYNC;
    case Op::Truncate:
        return SQLITE_IOERR_TRUNCATE;
    }
    return SQLITE_IOERR_WRITE;
}

int total(const std::array<int, kFiles> &counts)
{
    int all = 0;
    for (int c : counts)
        all += c;
    return all;
}

// Counts the operation; returns the error to report instead of doing it, or
// SQLITE_OK.
int counted(Op op, File file)
{
    int n = 0;
    int rc = SQLITE_OK;
    FaultVfs::Hook hook;
    {
        std::lock_guard held(g_state->lock);
        n = ++g_state->counts[int(op)][int(file)];
        const Plan &p = g_state->plan;
        if (p.armed && p.op == op && (p.file == File::Any || p.file == file)) {
            const int number = p.file == File::Any ? total(g_state->counts[int(op)]) : n;
            if (number == p.n || (p.sticky && number > p.n))
                rc = failureCode(op, p.error);
        }
        hook = g_state->hook;
    }
    if (hook)
        hook(op, file, n);
    return rc;
}

bool readsFail(File file)
{
    std::lock_guard held(g_state->lock);
    return g_state->failReads && file != File::Other;
}

int xClose(sqlite3_file *f)
{
    sqlite3_file *r = real(f);
    return r->pMethods ? r->pMethods->xClose(r) : SQLITE_OK;
}
int xRead(sqlite3_file *f, void *p, int n, sqlite3_int64 o)
{
    if (readsFail(kindOf(f)))
        return SQLITE_IOERR_READ;
    return real(f)->pMethods->xRead(real(f), p, n, o);
}
int xWrite(sqlite3_file *f, const void *p, int n, sqlite3_int64 o)
{
    if (const int rc = counted(Op::Write, kindOf(f)); rc != SQLITE_OK)
        return rc;
    return real(f)->pMethods->xWrite(real(f), p, n, o);
}
int xTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    if (const int rc = counted(Op::Truncate, kindOf(f)); rc != SQLITE_OK)
        return rc;
    return real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file *f, int flags)
{
    if (const int rc = counted(Op::Sync, kindOf(f)); rc != SQLITE_OK)
        return rc;
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
    // No memory-mapped reads: every read goes through xRead, where it can fail.
    Q_UNUSED(f);
    Q_UNUSED(o);
    Q_UNUSED(n);
    *p = nullptr;
    return SQLITE_OK;
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

File kindFromFlags(int flags)
{
    if (flags & SQLITE_OPEN_MAIN_DB)
        return File::Main;
    if (flags & SQLITE_OPEN_WAL)
        return File::Wal;
    if (flags & SQLITE_OPEN_MAIN_JOURNAL)
        return File::Journal;
    return File::Other;
}

int xOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *f, int flags, int *outFlags)
{
    auto *file = reinterpret_cast<FaultFile *>(f);
    file->real = reinterpret_cast<sqlite3_file *>(file + 1);
    file->kind = kindFromFlags(flags);
    file->base.pMethods = nullptr;
    if (readsFail(file->kind))
        return SQLITE_CANTOPEN;
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    if (file->real->pMethods)
        file->base.pMethods = &g_methods;
    return rc;
}

// A journal or log deleted with its folder flushed after: the flush counts
// as one of a file of no database kind.
int xDelete(sqlite3_vfs *, const char *name, int syncDir)
{
    if (syncDir)
        if (const int rc = counted(Op::Sync, File::Other); rc != SQLITE_OK)
            return SQLITE_IOERR_DIR_FSYNC;
    return g_real->xDelete(g_real, name, syncDir);
}

} // namespace

FaultVfs::FaultVfs()
{
    Q_ASSERT(!g_state);
    sqlite3_initialize();
    g_state = new State;
    if (!g_real) {
        g_real = sqlite3_vfs_find(nullptr);
        g_vfs = *g_real;
        g_vfs.zName = "pellomar-faults";
        g_vfs.szOsFile = int(sizeof(FaultFile)) + g_real->szOsFile;
        g_vfs.xOpen = xOpen;
        g_vfs.xDelete = xDelete;
    }
    sqlite3_vfs_register(&g_vfs, 1);
}

FaultVfs::~FaultVfs()
{
    sqlite3_vfs_register(g_real, 1);
    sqlite3_vfs_unregister(&g_vfs);
    delete g_state;
    g_state = nullptr;
}

void FaultVfs::reset()
{
    std::lock_guard held(g_state->lock);
    g_state->counts = {};
    g_state->plan = {};
    g_state->failReads = false;
}

int FaultVfs::count(Op op, File file) const
{
    std::lock_guard held(g_state->lock);
    const auto &counts = g_state->counts[int(op)];
    return file == File::Any ? total(counts) : counts[int(file)];
}

void FaultVfs::failAt(Op op, File file, int n, Error error, bool sticky)
{
    std::lock_guard held(g_state->lock);
    g_state->plan = {true, op, file, n, error, sticky};
}

void FaultVfs::failReads(bool fail)
{
    std::lock_guard held(g_state->lock);
    g_state->failReads = fail;
}

void FaultVfs::onOperation(Hook hook)
{
    std::lock_guard held(g_state->lock);
    g_state->hook = std::move(hook);
}
