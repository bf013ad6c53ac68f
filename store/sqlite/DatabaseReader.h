#pragma once

#include <QString>

struct sqlite3;
struct sqlite3_file;

// Reads the bytes of a database file that SQLite may have open elsewhere in
// this process, through a connection of SQLite's own and the file handle it
// keeps. The locks SQLite holds on a file belong to the whole process, and
// closing any descriptor of the file drops them all: a descriptor opened and
// closed beside SQLite would let another program take the file and empty
// its log under a live connection. SQLite's own handle is closed only when
// no connection of the process holds a lock on the file.
//
// The reader keeps a read transaction open for as long as it lives; the
// caller holds writers off (DatabaseHold), so the bytes are one committed
// state.
class DatabaseReader
{
public:
    explicit DatabaseReader(const QString &path);
    ~DatabaseReader();
    DatabaseReader(const DatabaseReader &) = delete;
    DatabaseReader &operator=(const DatabaseReader &) = delete;

    bool isOpen() const { return m_file != nullptr; }
    QString error() const { return m_error; }
    // Permission bits of the file.
    unsigned mode() const { return m_mode; }

    // Reads the next bytes into data: the count read, 0 at the end, -1 on a
    // failure (error() says why).
    qint64 read(char *data, qint64 max);

private:
    sqlite3 *m_db = nullptr;
    sqlite3_file *m_file = nullptr;
    qint64 m_size = 0;
    qint64 m_offset = 0;
    unsigned m_mode = 0644;
    QString m_error;
};
