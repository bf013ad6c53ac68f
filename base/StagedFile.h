#pragma once

#include <QString>

class DiskCalls;

// A new file written under a temporary name in the folder of its target and
// moved to the target's name only when complete: commit() flushes it to
// disk, renames it and flushes the folder entry. Until then the target is
// untouched; a staged file that is never committed is removed. Writes, the
// sync and the close go through calls.
class StagedFile
{
public:
    explicit StagedFile(const QString &target);
    StagedFile(const QString &target, DiskCalls &calls);
    ~StagedFile();
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int handle() const { return m_fd; }
    QString path() const { return m_path; }
    QString error() const { return m_error; }

    // Writes all of data; false (with error()) when the disk refuses.
    bool write(const char *data, qint64 size);
    // Puts what is written on the disk now (commit() does it too).
    bool flush();
    // Gives the file these permission bits (another file's), plus reading
    // and writing by the owner.
    void takePermissions(unsigned mode);
    // Replace: an existing target is replaced atomically; otherwise commit
    // fails when the target exists.
    enum class Existing { Keep, Replace };
    // Later: the caller flushes the folder entry itself.
    enum class FolderSync { Now, Later };
    bool commit(Existing existing, FolderSync folderSync = FolderSync::Now);

private:
    bool fail(const QString &what);

    DiskCalls &m_calls;
    QString m_target;
    QString m_path;
    QString m_error;
    int m_fd = -1;
};

// Text of the last system error, for messages.
QString systemErrorText(int error);
// Flushes the entries of a folder (renames, new files) to disk.
bool syncFolder(const QString &folder);
