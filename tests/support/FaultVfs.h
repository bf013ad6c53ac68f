#pragma once

#include <functional>

// A file layer in front of SQLite's own, registered as the default while it
// exists: every connection the process opens meanwhile goes through it, the
// Qt SQL driver's included (it uses the same system SQLite library). It
// counts the writes, flushes and truncations of each kind of file (the
// folder flush after a journal is deleted counts as a flush of Other) and
// makes a chosen one fail as a failing disk (EIO) or a full one (ENOSPC)
// does. The benchmarks count their flushes with it too.
//
// To fail at every point of a run: reset(), run it once and read count();
// then for n = 1..count, reset(), failAt(n) and run it again on fresh data.
// One FaultVfs at a time.
class FaultVfs
{
public:
    enum class File { Main, Wal, Journal, Other, Any };
    enum class Op { Write, Sync, Truncate };
    enum class Error {
        Io,   // SQLITE_IOERR_WRITE, _FSYNC or _TRUNCATE, by the operation
        Full, // SQLITE_FULL
    };

    FaultVfs();
    ~FaultVfs();
    FaultVfs(const FaultVfs &) = delete;
    FaultVfs &operator=(const FaultVfs &) = delete;

    // Counts from zero again; no failure planned, reads allowed.
    void reset();
    // The operations of this kind on files of this kind since reset().
    int count(Op op, File file = File::Any) const;

    // The nth operation (from 1, counted since reset()) of this kind on
    // files of this kind fails without touching the file; with `sticky`
    // every later one fails too, as on a disk that stays broken.
    void failAt(Op op, File file, int n, Error error, bool sticky = false);
    // From now on no database file or log can be opened or read: the disk
    // is gone.
    void failReads(bool fail = true);

    // Called before each counted operation with its kind, the file's kind and
    // its number among operations of that kind on that kind of file.
    using Hook = std::function<void(Op op, File file, int n)>;
    void onOperation(Hook hook);
};
