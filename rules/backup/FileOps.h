#pragma once

#include "base/DiskCalls.h"
#include "rules/backup/CopyWatch.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

// The file operations backup, restore and clear are built from. Each
// changing operation reports failure by returning false; error() then says
// why. Neither copy() nor rename() ever replaces an existing file.
class FileOps
{
public:
    virtual ~FileOps() = default;

    virtual bool exists(const QString &path) = 0;
    // Size in bytes; -1 when the file is missing.
    virtual qint64 size(const QString &path) = 0;
    // Last modification time as the file system reports it (local time).
    virtual QDateTime modified(const QString &path) = 0;

    virtual bool makeFolder(const QString &path) = 0;
    // Copies into a temporary file in the target folder, flushes it to disk
    // and renames it into place, so `to` either appears complete or not at
    // all. Fails when `to` exists.
    virtual bool copy(const QString &from, const QString &to) = 0;
    // The same for a database file SQLite may have open in this process (the
    // live file): it is read through SQLite's own file handle and never
    // opened here (DatabaseReader says why). The caller holds writers off.
    virtual bool copyDatabase(const QString &from, const QString &to) = 0;
    // Fails when `to` exists.
    virtual bool rename(const QString &from, const QString &to) = 0;
    virtual bool remove(const QString &path) = 0;
    // Lets the system drop the file's pages from memory, as for a file that
    // is about to be deleted: the deletion then has less to free. Changes
    // nothing on disk; a failure is of no consequence.
    virtual void dropCached(const QString &path) { Q_UNUSED(path); }

    QString error() const { return m_error; }
    // A rename, removal or new copy is on disk only once its folder has been
    // flushed. A flush that fails does not undo the change, so the operation
    // still reports success; this says which folder could not be flushed
    // (empty when all were) and forgets it.
    QString takeSyncProblem() { return std::exchange(m_syncProblem, QString()); }

    // The calls that write, flush and close new files, a manifest's too.
    virtual DiskCalls &calls() { return DiskCalls::system(); }

    // Hands the bytes of every following copy to watch (nullptr: to none).
    void watchCopies(CopyWatch *watch) { m_watch = watch; }

protected:
    QString m_error;
    CopyWatch *m_watch = nullptr;
    QString m_syncProblem;
};

// The real file system. Every write, flush and close of a new file goes
// through calls (the system's unless told).
class DiskFileOps : public FileOps
{
public:
    DiskFileOps();
    explicit DiskFileOps(DiskCalls &calls) : m_calls(calls) {}
    DiskCalls &calls() override { return m_calls; }

    bool exists(const QString &path) override;
    qint64 size(const QString &path) override;
    QDateTime modified(const QString &path) override;
    bool makeFolder(const QString &path) override;
    bool copy(const QString &from, const QString &to) override;
    bool copyDatabase(const QString &from, const QString &to) override;
    bool rename(const QString &from, const QString &to) override;
    bool remove(const QString &path) override;
    void dropCached(const QString &path) override;

protected:
    // Flushes the folder's entries to disk; a failure is kept for
    // takeSyncProblem().
    virtual bool flushFolder(const QString &folder);

private:
    DiskCalls &m_calls;

private:
    // The bytes of one copy: read() gives the count read, 0 at the end, -1
    // on failure (with m_error set).
    bool copyFrom(const std::function<qint64(char *, qint64)> &read, unsigned mode,
                  const QString &to);
};
