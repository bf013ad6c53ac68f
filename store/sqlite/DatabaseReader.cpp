#include "store/sqlite/DatabaseReader.h"

#include <QFile>

#include <sqlite3.h>
#include <sys/stat.h>

DatabaseReader::DatabaseReader(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    // stat() names the file without opening it.
    struct stat st;
    if (::stat(name.constData(), &st) == 0)
        m_mode = st.st_mode & 07777;
    if (sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return;
    }
    sqlite3_busy_timeout(m_db, 5000);
    // The first read takes the read lock (and plays back a crashed writer's
    // journal); it stays until the reader goes.
    char *error = nullptr;
    if (sqlite3_exec(m_db, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr, &error) !=
        SQLITE_OK) {
        m_error = QString::fromUtf8(error ? error : sqlite3_errmsg(m_db));
        sqlite3_free(error);
        return;
    }
    sqlite3_file *file = nullptr;
    sqlite3_int64 size = 0;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        !file || !file->pMethods || file->pMethods->xFileSize(file, &size) != SQLITE_OK) {
        m_error = QStringLiteral("cannot reach the file through SQLite");
        return;
    }
    m_file = file;
    m_size = size;
}

DatabaseReader::~DatabaseReader()
{
    if (m_db) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(m_db);
    }
}

qint64 DatabaseReader::read(char *data, qint64 max)
{
    if (!m_file)
        return -1;
    const qint64 n = qMin(max, m_size - m_offset);
    if (n <= 0)
        return 0;
    const int rc = m_file->pMethods->xRead(m_file, data, int(n), m_offset);
    if (rc != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errstr(rc));
        return -1;
    }
    m_offset += n;
    return n;
}
