// Another shop tool on the live file, through the plain SQLite library and
// nothing of the program's:
//   outsidewriter <file> write <seconds> <commits>
//     commits, each on a connection of its own (as one shell command after
//     the other), until either bound: member row 2 pays 1 yuan and the ledger
//     gets a row noted "outside"; prints the number of commits, exits 1 on
//     the first error that is not a busy file.
//   outsidewriter <file> lock
//     asks for the file to itself (exclusive locking, no waiting); prints
//     "refused" (exit 0) while another connection holds its lock, or
//     "acquired" (exit 1).
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int writeLoop(const char *path, double seconds, long limit)
{
    const char *const kCommit =
        "BEGIN IMMEDIATE;"
        "UPDATE 会员登记 SET 余额=余额-1 WHERE rowid=2;"
        "INSERT INTO 账户流水(时间, 会员号, 类别, 金额, 余额变动, 备注) "
        "VALUES(datetime('now'), 2, '外部', 100, -100, 'outside');"
        "COMMIT;";
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long commits = 0;
    while (commits < limit && std::chrono::steady_clock::now() < end) {
        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            std::printf("%ld\nopen: %s\n", commits, sqlite3_errmsg(db));
            return 1;
        }
        sqlite3_busy_timeout(db, 5000);
        char *error = nullptr;
        const int rc = sqlite3_exec(db, kCommit, nullptr, nullptr, &error);
        if (rc == SQLITE_OK) {
            ++commits;
        } else {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            if ((rc & 0xff) != SQLITE_BUSY) {
                std::printf("%ld\ncommit: %s\n", commits, error ? error : "?");
                sqlite3_free(error);
                sqlite3_close(db);
                return 1;
            }
        }
        sqlite3_free(error);
        if (sqlite3_close(db) != SQLITE_OK) {
            std::printf("%ld\nclose failed\n", commits);
            return 1;
        }
    }
    std::printf("%ld\n", commits);
    return 0;
}

int tryLock(const char *path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 2;
    sqlite3_busy_timeout(db, 0);
    sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr);
    const bool acquired = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::printf(acquired ? "acquired\n" : "refused\n");
    return acquired ? 1 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 5 && std::strcmp(argv[2], "write") == 0)
        return writeLoop(argv[1], std::atof(argv[3]), std::atol(argv[4]));
    if (argc == 3 && std::strcmp(argv[2], "lock") == 0)
        return tryLock(argv[1]);
    return 2;
}
