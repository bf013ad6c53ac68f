#include "rules/backup/FileDigest.h"

#include "base/StagedFile.h"
#include "rules/backup/TaskProgress.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <xxhash.h>

FileDigest::FileDigest(TaskProgress *progress) : m_state(XXH3_createState()), m_progress(progress)
{
    XXH3_128bits_reset(m_state);
}

FileDigest::~FileDigest()
{
    XXH3_freeState(m_state);
}

bool FileDigest::chunk(const char *data, qint64 size)
{
    XXH3_128bits_update(m_state, data, size_t(size));
    m_size += size;
    if (!m_progress)
        return true;
    m_progress->advance(size);
    return !m_progress->cancelled();
}

bool FileDigest::renaming()
{
    return !m_progress || m_progress->lockIn();
}

QString FileDigest::hex() const
{
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(m_state));
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(canonical.digest), sizeof canonical.digest)
            .toHex());
}

std::optional<QString> FileDigest::ofFile(const QString &path, TaskProgress *progress,
                                          QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("无法读取 %1：%2")
                     .arg(QFileInfo(path).fileName(), systemErrorText(errno));
        return std::nullopt;
    }
    FileDigest digest(progress);
    static constexpr qint64 kChunk = 1 << 20;
    QByteArray buffer(kChunk, Qt::Uninitialized);
    std::optional<QString> result;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), size_t(kChunk));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = QStringLiteral("无法读取 %1：%2")
                         .arg(QFileInfo(path).fileName(), systemErrorText(errno));
            break;
        }
        if (n == 0) {
            result = digest.hex();
            break;
        }
        if (!digest.chunk(buffer.constData(), n)) {
            *error = QStringLiteral("已取消");
            break;
        }
    }
    ::close(fd);
    return result;
}
