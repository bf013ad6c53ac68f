// Another shop tool on the live file, through the plain SQLite library and
// nothing of the program's:
//   outsidewriter <file> write <seconds> <commits>
//     commits, each on a connection of its own (as one shell command after
//     the other), until either bound: member row 2 pays 1 yuan and the ledger
//     gets a row noted "outside". Prints the number of commits; exits 1 on
//     the first error that is not a busy file.
//   outsidewriter <file> lock
//     asks for the file to itself (exclusive locking, no waiting); prints
//     "refused" while another connection holds its lock, else "acquired".
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int writeLoop(const char *path, double seconds, long limit)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long commits = 0;
    int rc = SQLITE_OK;
    while (commits < limit && std::chrono::steady_clock::now() < end) {
        sqlite3 *db = nullptr;
        rc = sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(db, 5000);
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(db,
                              "BEGIN IMMEDIATE;"
                              "UPDATE 会员登记 SET 余额=余额-1 WHERE rowid=2;"
                              "INSERT INTO 账户流水(时间, 会员号, 类别, 金额, 余额变动, 备注) "
                              "VALUES(datetime('now'), 2, '外部', 100, -100, 'outside');"
                              "COMMIT;",
                              nullptr, nullptr, nullptr);
        commits += rc == SQLITE_OK;
        const bool failed = rc != SQLITE_OK && (rc & 0xff) != SQLITE_BUSY;
        if (failed)
            std::printf("%s\n", sqlite3_errmsg(db));
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        rc = sqlite3_close(db) != SQLITE_OK || failed ? SQLITE_ERROR : SQLITE_OK;
        if (rc != SQLITE_OK)
            break;
    }
    std::printf("%ld\n", commits);
    return rc == SQLITE_OK ? 0 : 1;
}

int tryLock(const char *path)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr);
    const bool acquired = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::printf(acquired ? "acquired\n" : "refused\n");
    return 0;
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
