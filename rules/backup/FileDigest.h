#pragma once

#include "rules/backup/CopyWatch.h"

#include <QString>
#include <memory>
#include <optional>

class TaskProgress;
struct XXH3_state_s;

// The XXH3 128-bit digest of a file's bytes, as 32 lowercase hex digits.
// As a CopyWatch it digests a copy on its way and reports the bytes to a
// progress (which may stop the copy until the rename).
class FileDigest : public CopyWatch
{
public:
    explicit FileDigest(TaskProgress *progress = nullptr);
    ~FileDigest() override;
    FileDigest(const FileDigest &) = delete;
    FileDigest &operator=(const FileDigest &) = delete;

    bool chunk(const char *data, qint64 size) override;
    // Refused when the progress was cancelled; after it, no cancel is taken.
    bool renaming() override;

    qint64 size() const { return m_size; }
    QString hex() const;

    // Reads the whole file; nothing when it cannot be read (error says why)
    // or the progress was cancelled.
    static std::optional<QString> ofFile(const QString &path, TaskProgress *progress,
                                         QString *error);

private:
    XXH3_state_s *m_state;
    TaskProgress *m_progress;
    qint64 m_size = 0;
};
