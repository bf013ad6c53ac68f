// Backup, restore and clear cut short: a worker process runs the operation
// and is killed at each of its file operations in turn, and the next start
// puts the folder in order. And a journal left by a crashed writer, which
// must never be played onto another file.
#include "Fixtures.h"
#include "base/Session.h"
#include "program/InstanceLock.h"
#include "program/Startup.h"
#include "rules/backup/BackupManifest.h"
#include "rules/backup/DataMaintenance.h"
#include "rules/backup/DatabaseFile.h"
#include "rules/backup/FileDigest.h"
#include "rules/backup/FileOps.h"
#include "rules/backup/InterruptedRun.h"
#include "store/Schema.h"
#include "support/FailingFileOps.h"
#include "support/Members.h"
#include "support/TestFolder.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kNone = QStringLiteral("<no file>");

// Members and balances of a database read where it is, with whatever
// journal or log lies beside it; the error when it does not open.
QString contentInPlace(const QString &path)
{
    Database store(path);
    if (!store.open())
        return QStringLiteral("<unusable: %1>").arg(store.lastError());
    QStringList rows;
    MemberTable(store).forEach([&](const Member &m) {
        rows << m.name + QLatin1Char('=') + m.balance.toStored().toString();
        return true;
    });
    return rows.join(QLatin1Char(','));
}

// The same of the file alone, one text; kNone when there is no file. With a
// companion (a journal or log), what SQLite makes of the two.
QString contentOf(const QString &path, const QString &companion = {})
{
    if (!QFile::exists(path))
        return kNone;
    // A copy: opening a file through the store marks it as in use.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("content.mdb"));
    QFile::copy(path, copy);
    if (!companion.isEmpty())
        QFile::copy(companion, copy + companion.mid(companion.lastIndexOf(QLatin1Char('-'))));
    return contentInPlace(copy);
}

// The time in a generation's name, as T.
QString timeless(QString text)
{
    static const QRegularExpression time(QStringLiteral("\\d{8}-\\d{6}"));
    return text.replace(time, QStringLiteral("T"));
}

// What a run that got far enough leaves beside the data: manifests, the
// generations and their log.
const QStringList kKept{QStringLiteral("backup/backup.mdb.manifest"),
                        QStringLiteral("backup/auto/T-auto.mdb"),
                        QStringLiteral("backup/auto/T-auto.mdb.manifest"),
                        QStringLiteral("backup/auto/T-prerestore.mdb"),
                        QStringLiteral("backup/auto/T-preclear.mdb"),
                        QStringLiteral("backup/auto/generations.log")};

// Every file in the folder, hidden ones too, relative to it and timeless;
// the lock file aside, and with kept false the files of kKept too.
QStringList filesIn(const QString &folder, bool kept = true)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = timeless(QDir(folder).relativeFilePath(it.next()));
        if (!path.startsWith(InstanceLock::fileName()) && (kept || !kKept.contains(path)))
            found << path;
    }
    found.sort();
    return found;
}

QStringList cleanFolder(bool withBackup)
{
    QStringList files{QStringLiteral("table.mdb"), QStringLiteral("zero.mdb")};
    if (withBackup)
        files.prepend(QStringLiteral("backup/backup.mdb"));
    return files;
}

// Writes the manifest of a backup.
void vouchFor(const QString &backup)
{
    QString error;
    BackupManifest m;
    m.digest = FileDigest::ofFile(backup, nullptr, &error).value_or(QString());
    m.size = QFileInfo(backup).size();
    QVERIFY2(m.write(BackupManifest::pathFor(backup), &error), qPrintable(error));
}

// True unless the backup's manifest is there and gives another digest.
bool manifestFits(const QString &backup)
{
    QString error;
    const auto m = BackupManifest::read(BackupManifest::pathFor(backup));
    return !m || m->digest == FileDigest::ofFile(backup, nullptr, &error);
}

// A folder with a backup holding one member and a live database holding a
// second one too (no backup for the first backup).
struct Folder
{
    TestFolder folder;
    QString live;
    QString backup = kNone;

    explicit Folder(bool withBackup)
    {
        const DataFiles f = folder.files();
        addMember(folder.store(), QStringLiteral("in the backup"));
        if (withBackup) {
            folder.store().close();
            QDir().mkpath(f.backupFolder());
            copyAsBackup(f.liveDatabase(), f.backupDatabase());
            vouchFor(f.backupDatabase());
            QVERIFY(folder.store().open());
            backup = contentOf(f.backupDatabase());
        }
        addMember(folder.store(), QStringLiteral("live only"));
        folder.store().close();
        live = contentOf(f.liveDatabase());
    }
};

// Leaves table.mdb as a writer killed in the middle of a transaction does:
// some changed pages already in the file, the originals in a hot journal.
void crashWriterOn(const QString &path)
{
    const pid_t child = ::fork();
    if (child == 0) {
        sqlite3 *db = nullptr;
        if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
            std::_Exit(1);
        sqlite3_exec(
            db, "PRAGMA cache_size=10; BEGIN IMMEDIATE; UPDATE 会员登记 SET 余额 = 余额 + 1000",
            nullptr, nullptr, nullptr);
        std::_Exit(0); // no commit, no rollback
    }
    int status = 0;
    ::waitpid(child, &status, 0);
}

// Leaves beside a backup what another tool that opened a copy of it would
// have left, made with the SQLite library alone: a log with one committed
// transaction (every balance 500 higher) that nobody emptied, or the hot
// journal of a writer killed in a transaction, whose pages hold the same
// change. Either, played onto the backup, changes its data. Returns the
// companion's path.
QString craftBeside(const QString &backup, const QString &kind)
{
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("other.mdb"));
    QFile::copy(backup, copy);
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(copy).constData(), &db);
    const QString companion = backup + QLatin1Char('-') + kind;
    if (kind == QLatin1String("wal")) {
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; UPDATE 会员登记 SET 余额 = 余额 + 500", nullptr,
                     nullptr, nullptr);
        writeBytes(companion, bytesOf(copy + QStringLiteral("-wal")));
        sqlite3_close(db);
        return companion;
    }
    sqlite3_exec(db, "UPDATE 会员登记 SET 余额 = 余额 + 500", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const pid_t child = ::fork();
    if (child == 0) {
        // Unsynced, so the journal's header is complete from the start.
        sqlite3_open(QFile::encodeName(copy).constData(), &db);
        sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN IMMEDIATE; UPDATE 会员登记 SET 余额 = 0",
                     nullptr, nullptr, nullptr);
        std::_Exit(0);
    }
    ::waitpid(child, nullptr, 0);
    writeBytes(companion, bytesOf(copy + QStringLiteral("-journal")));
    return companion;
}

// Starts the program on the folder in a worker that kills itself before the
// step-th file operation on the database (0: never). Returns what it printed,
// one line each (the messages shown, then the number of operations), or
// "killed", or why it ended otherwise.
QStringList startUp(const QString &folder, int step)
{
    QProcess worker;
    worker.start(
        QStringLiteral(PELLOMAR_MAINTENANCE_WORKER),
        {folder, QStringLiteral("startup"), QString::number(step), QStringLiteral("before")});
    if (!worker.waitForFinished(60'000))
        return {QStringLiteral("still running")};
    if (worker.exitStatus() == QProcess::CrashExit)
        return {QStringLiteral("killed")};
    const QString printed = QString::fromLocal8Bit(worker.readAllStandardOutput()).trimmed();
    if (worker.exitCode() != 0)
        return {QStringLiteral("exit code %1").arg(worker.exitCode()), printed};
    return printed.split(QLatin1Char('\n'));
}

// Leaves a commit in the write-ahead log of table.mdb only, as a program
// killed after it committed does: every member renamed. Returns the members
// and balances that commit made.
QString commitLeftInTheLog(const QString &path)
{
    const QString before = contentOf(path);
    const pid_t child = ::fork();
    if (child == 0) {
        sqlite3 *db = nullptr;
        if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
            std::_Exit(1);
        const int rc = sqlite3_exec(db,
                                    "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; "
                                    "UPDATE 会员登记 SET 会员名 = 会员名 || ' renamed'",
                                    nullptr, nullptr, nullptr);
        std::_Exit(rc == SQLITE_OK ? 0 : 1); // the log is never emptied
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("<the writer failed>");
    return QString(before).replace(QLatin1Char('='), QStringLiteral(" renamed="));
}

} // namespace

class TestInterrupted : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedAtEachFileOperation_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<bool>("withBackup");
        QTest::addColumn<int>("step"); // 0: never killed
        QTest::addColumn<QString>("when");
        QTest::addColumn<QStringList>("steps"); // of an undisturbed run
        const struct
        {
            const char *row;
            const char *op;
            bool withBackup;
            QStringList steps;
        } runs[] = {
            {"first backup",
             "backup",
             false,
             {QStringLiteral("mkdir backup"), QStringLiteral("copy table.mdb backup.mdb")}},
            {"backup",
             "backup",
             true,
             {QStringLiteral("rename backup.mdb backupold.mdb"),
              QStringLiteral("copy table.mdb backup.mdb"), QStringLiteral("remove backupold.mdb")}},
            {"restore",
             "restore",
             true,
             {QStringLiteral("copy backup.mdb tablenew.mdb"),
              QStringLiteral("rename table.mdb tableold.mdb"),
              QStringLiteral("rename tablenew.mdb table.mdb"), QStringLiteral("mkdir auto"),
              QStringLiteral("rename tableold.mdb T-prerestore.mdb")}},
            {"clear",
             "clear",
             true,
             {QStringLiteral("rename table.mdb tableold.mdb"),
              QStringLiteral("copy zero.mdb table.mdb"), QStringLiteral("mkdir auto"),
              QStringLiteral("rename tableold.mdb T-preclear.mdb")}},
            {"first generation",
             "generation",
             true,
             {QStringLiteral("mkdir auto"), QStringLiteral("copy table.mdb T-auto.mdb")}},
        };
        for (const auto &r : runs) {
            const QString op = QString::fromLatin1(r.op);
            QTest::addRow("%s, not killed", r.row)
                << op << r.withBackup << 0 << QString() << r.steps;
            for (int i = 0; i < r.steps.size(); ++i) {
                QStringList whens{QStringLiteral("before"), QStringLiteral("after")};
                if (r.steps.at(i).startsWith(QLatin1String("copy")))
                    whens.insert(1, QStringLiteral("during"));
                for (const QString &when : whens)
                    QTest::addRow("%s, %s %s", r.row, qPrintable(when), qPrintable(r.steps.at(i)))
                        << op << r.withBackup << i + 1 << when << r.steps;
            }
        }
    }
    void killedAtEachFileOperation()
    {
        QFETCH(QString, op);
        QFETCH(bool, withBackup);
        QFETCH(int, step);
        QFETCH(QString, when);
        QFETCH(QStringList, steps);
        Folder s(withBackup);
        const DataFiles f = s.folder.files();
        const bool replacesLive = op == QLatin1String("restore") || op == QLatin1String("clear");
        const QString newLive = op == QLatin1String("restore") ? s.backup
                                : op == QLatin1String("clear") ? QString()
                                                               : s.live;
        const QString newBackup = op == QLatin1String("backup") ? s.live : s.backup;

        QProcess worker;
        worker.start(QStringLiteral(PELLOMAR_MAINTENANCE_WORKER),
                     {s.folder.path(), op, QString::number(step), when});
        QVERIFY(worker.waitForFinished(60'000));
        const QString log =
            timeless(QString::fromLocal8Bit(worker.readAllStandardOutput()).trimmed());
        if (step == 0) {
            QCOMPARE(worker.exitStatus(), QProcess::NormalExit);
            QCOMPARE(worker.exitCode(), 0);
            QCOMPARE(log.split(QLatin1Char('\n')), steps);
        } else {
            QCOMPARE(worker.exitStatus(), QProcess::CrashExit);
        }
        // The log of the live file, which a program killed with the file
        // open leaves for SQLite to play back, is no unfinished run.
        QStringList after = filesIn(s.folder.path(), false);
        after.removeAll(QStringLiteral("table.mdb-wal"));
        after.removeAll(QStringLiteral("table.mdb-shm"));
        const bool leftBehind = after != cleanFolder(true) && after != cleanFolder(false);

        // The next start: the lock of the killed program is taken over, the
        // run is put in order and told about in one message, and the
        // program opens its database.
        InstanceLock lock(s.folder.path());
        QCOMPARE(lock.acquire(), InstanceLock::Result::Acquired);
        const QString told = Startup::recoverInterruptedRun(f);
        QCOMPARE(Startup::missingFileMessage(f), QString());
        QVERIFY2(Startup::openStore(s.folder.store()).isEmpty(),
                 qPrintable(s.folder.store().lastError()));
        s.folder.store().close();

        // The state before or after, never a mix, and nothing unexplained.
        const QString live = contentOf(f.liveDatabase());
        const QString backup = contentOf(f.backupDatabase());
        QVERIFY2(live == s.live || live == newLive, qPrintable(live));
        QVERIFY2(backup == s.backup || backup == newBackup, qPrintable(backup));
        QCOMPARE(filesIn(s.folder.path(), false), cleanFolder(backup != kNone));
        QCOMPARE(told.isEmpty(), !leftBehind);
        QVERIFY(manifestFits(f.backupDatabase()));
        // The data a finished restore or clear replaced is kept as a marked
        // generation, whether the run or the recovery finished it; a
        // generation is a copy of the live data.
        const QString auto_ = f.backupFolder() + QStringLiteral("/auto/");
        const QStringList generations =
            QDir(auto_).entryList({QStringLiteral("*.mdb")}, QDir::Files);
        if (replacesLive) {
            QCOMPARE(generations.size(), live == newLive ? 1 : 0);
            for (const QString &name : generations)
                QVERIFY2(name.endsWith(op == QLatin1String("clear")
                                           ? QLatin1String("-preclear.mdb")
                                           : QLatin1String("-prerestore.mdb")),
                         qPrintable(name));
        }
        if (!generations.isEmpty())
            QCOMPARE(contentOf(auto_ + generations.first()), s.live);
        QVERIFY2(!told.contains(QLatin1Char('\n')), qPrintable(told));
        if (told == InterruptedRun::kRestoreUndone)
            QCOMPARE(live, s.live);
        if (told == InterruptedRun::kRestoreFinished)
            QCOMPARE(live, newLive);
        if (told == InterruptedRun::kBackupUndone)
            QCOMPARE(backup, s.backup);
        if (told == InterruptedRun::kBackupFinished)
            QCOMPARE(backup, newBackup);
        if (!told.isEmpty())
            QVERIFY2(QStringList({InterruptedRun::kRestoreUndone, InterruptedRun::kRestoreFinished,
                                  InterruptedRun::kBackupUndone, InterruptedRun::kBackupFinished,
                                  InterruptedRun::kStagedRemoved})
                         .contains(told),
                     qPrintable(told));
    }

    // Pictures no kill of the worker leaves, put in order all the same: a
    // replacement that fails the check (the full one: damage to an index
    // that only it finds counts) gives way to the roll-back copy, and a move
    // that fails is told, with nothing removed.
    void recoveryFromWhatIsOnDisk_data()
    {
        // "old", "garbage", "index damage" or "new" (the backup)
        QTest::addColumn<QString>("liveContent");
        QTest::addColumn<bool>("failRenames");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QString>("liveAfter"); // "old" or "new"
        QTest::newRow("damaged replacement")
            << QStringLiteral("garbage") << false << InterruptedRun::kRestoreUndone
            << QStringLiteral("old");
        QTest::newRow("replacement with damage only the full check finds")
            << QStringLiteral("index damage") << false << InterruptedRun::kRestoreUndone
            << QStringLiteral("old");
        QTest::newRow("checked replacement")
            << QStringLiteral("new") << false << InterruptedRun::kRestoreFinished
            << QStringLiteral("new");
        QTest::newRow("roll-back copy cannot be moved")
            << QString() << true << InterruptedRun::kStuck.section(QLatin1Char('%'), 0, 0)
            << QString();
    }
    void recoveryFromWhatIsOnDisk()
    {
        QFETCH(QString, liveContent);
        QFETCH(bool, failRenames);
        QFETCH(QString, told);
        QFETCH(QString, liveAfter);
        Folder s(true);
        const DataFiles f = s.folder.files();
        QVERIFY(QFile::rename(f.liveDatabase(), f.liveRollback()));
        if (liveContent == QLatin1String("garbage"))
            QVERIFY(writeBytes(f.liveDatabase(), "half a copy"));
        if (liveContent == QLatin1String("new"))
            QVERIFY(QFile::copy(f.backupDatabase(), f.liveDatabase()));
        if (liveContent == QLatin1String("index damage")) {
            QVERIFY(QFile::copy(f.liveRollback(), f.liveDatabase()));
            Database replacement(f.liveDatabase());
            QVERIFY(replacement.open());
            addMembers(replacement, 3000);
            replacement.close();
            QVERIFY(damageAnIndexEntry(f.liveDatabase(), 1234));
            QCOMPARE(Schema::problemWithFile(f.liveDatabase(), Schema::Check::Quick), QString());
        }
        FailingFileOps ops;
        if (failRenames)
            ops.failOn(FailingFileOps::Op::Rename, QStringLiteral("table.mdb"));
        const QString message = InterruptedRun(f, ops).recover();
        QVERIFY2(message.startsWith(told), qPrintable(message));
        if (failRenames) {
            QCOMPARE(contentOf(f.liveRollback()), s.live);
            return;
        }
        QCOMPARE(message, told);
        QCOMPARE(contentOf(f.liveDatabase()),
                 liveAfter == QLatin1String("old") ? s.live : s.backup);
        QCOMPARE(filesIn(s.folder.path(), false), cleanFolder(true));
    }

    // The roll-back copy is put back together with its journal or its log:
    // the committed state is what the file and its companion hold together,
    // never the file alone.
    void rollBackCopyGoesBackWithItsCompanion_data()
    {
        QTest::addColumn<QString>("companion");
        QTest::newRow("hot journal of a crashed writer") << QStringLiteral("-journal");
        QTest::newRow("log holding a commit") << QStringLiteral("-wal");
    }
    void rollBackCopyGoesBackWithItsCompanion()
    {
        QFETCH(QString, companion);
        Folder s(false);
        const DataFiles f = s.folder.files();
        QString committed;
        if (companion == QLatin1String("-journal")) {
            QVERIFY(s.folder.store().open());
            addMembers(s.folder.store(), 3000);
            s.folder.store().close();
            QVERIFY(DatabaseHold::settle(f.liveDatabase(), DatabaseHold::Journal::Rollback));
            committed = contentOf(f.liveDatabase());
            crashWriterOn(f.liveDatabase());
        } else {
            committed = commitLeftInTheLog(f.liveDatabase());
        }
        QVERIFY(QFileInfo(f.liveDatabase() + companion).size() > 0);
        // Moved aside with its companions, as a restore or a clear does.
        DiskFileOps disk;
        QVERIFY(DatabaseFile::move(disk, f.liveDatabase(), f.liveRollback()));
        QVERIFY(QFile::exists(f.liveRollback() + companion));

        QCOMPARE(InterruptedRun(f, disk).recover(), InterruptedRun::kRestoreUndone);
        QVERIFY(!QFile::exists(f.liveRollback() + companion));
        QCOMPARE(contentInPlace(f.liveDatabase()), committed);
    }

    // A manifest is written to a staged file and renamed; one cut short is
    // removed at the next start like any staged copy.
    void stagedManifestRemoved_data()
    {
        QTest::addColumn<QString>("staged");
        QTest::newRow("of the backup") << QStringLiteral("backup/.backup.mdb.manifest.Ab12Cd");
        QTest::newRow("of a generation")
            << QStringLiteral("backup/auto/.20260307-090501-auto.mdb.manifest.Ab12Cd");
    }
    void stagedManifestRemoved()
    {
        QFETCH(QString, staged);
        Folder s(true);
        const QString path = s.folder.path() + QLatin1Char('/') + staged;
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QVERIFY(writeBytes(path, "{\"format\""));
        DiskFileOps disk;
        QCOMPARE(InterruptedRun(s.folder.files(), disk).recover(), InterruptedRun::kStagedRemoved);
        QCOMPARE(filesIn(s.folder.path(), false), cleanFolder(true));
    }

    // A second program on the same folder finds the lock held.
    void oneProgramPerFolder()
    {
        TestFolder folder(false);
        InstanceLock first(folder.path());
        QCOMPARE(first.acquire(), InstanceLock::Result::Acquired);
        QProcess second;
        second.start(QStringLiteral(PELLOMAR_MAINTENANCE_WORKER),
                     {folder.path(), QStringLiteral("backup"), QStringLiteral("0"),
                      QStringLiteral("before")});
        QVERIFY(second.waitForFinished(60'000));
        QCOMPARE(second.exitCode(), 3);
        QVERIFY(!QFile::exists(folder.files().backupDatabase()));
    }

    // The lock is held by a living program only: whatever the file then
    // holds, and given up the moment that program is killed.
    void lockHeldWhileItsProgramLives()
    {
        TestFolder folder(false);
        QProcess holder;
        holder.start(
            QStringLiteral(PELLOMAR_MAINTENANCE_WORKER),
            {folder.path(), QStringLiteral("hold"), QStringLiteral("0"), QStringLiteral("before")});
        QVERIFY(holder.waitForReadyRead(60'000));
        QCOMPARE(holder.readAllStandardOutput().trimmed(), QByteArray("held"));
        InstanceLock second(folder.path());
        QCOMPARE(second.acquire(), InstanceLock::Result::HeldByAnother);
        QVERIFY(writeBytes(QDir(folder.path()).filePath(InstanceLock::fileName()), {}));
        QCOMPARE(second.acquire(), InstanceLock::Result::HeldByAnother);
        holder.kill();
        QVERIFY(holder.waitForFinished(60'000));
        QCOMPARE(second.acquire(), InstanceLock::Result::Acquired);
    }

    // The program killed before each write, flush or truncation of its
    // database files while it starts: the next start comes up to its login
    // screen, whatever the lock file and the files hold.
    void killedAtEachFileOperationOfStartUp_data()
    {
        QTest::addColumn<int>("step");
        TestFolder folder(false);
        const QStringList undisturbed = startUp(folder.path(), 0);
        const int made = undisturbed.value(undisturbed.size() - 1).toInt();
        if (made < 10)
            qFatal("an undisturbed start made %d file operations: %s", made,
                   qPrintable(undisturbed.join(QLatin1Char('|'))));
        for (int step = 1; step <= made; ++step)
            QTest::addRow("killed before operation %d of %d", step, made) << step;
    }
    void killedAtEachFileOperationOfStartUp()
    {
        QFETCH(int, step);
        TestFolder folder(false);
        QCOMPARE(startUp(folder.path(), step), QStringList{QStringLiteral("killed")});
        const QStringList next = startUp(folder.path(), 0);
        QVERIFY2(next.size() == 1 ||
                     (next.size() == 2 &&
                      next.first() == QStringLiteral("message: ") + InterruptedRun::kStagedRemoved),
                 qPrintable(next.join(QLatin1Char('|'))));
        QVERIFY(next.last().toInt() > 0);
    }

    // The database is the file together with its journal: the journal of a
    // crashed writer is played back before a copy, never onto another file.
    void journalOfACrashedWriter_data()
    {
        QTest::addColumn<QString>("op");
        QTest::newRow("backup") << QStringLiteral("backup");
        QTest::newRow("restore") << QStringLiteral("restore");
        QTest::newRow("clear") << QStringLiteral("clear");
    }
    void journalOfACrashedWriter()
    {
        QFETCH(QString, op);
        Folder s(true);
        const DataFiles f = s.folder.files();
        QVERIFY(s.folder.store().open());
        {
            Transaction tx(s.folder.store());
            for (int i = 0; i < 3000; ++i)
                addMember(s.folder.store(), QStringLiteral("member %1 ").arg(i).repeated(8));
            tx.commit();
        }
        s.folder.store().close();
        // A file in the rollback journal, as one another program wrote last.
        QVERIFY(DatabaseHold::settle(f.liveDatabase(), DatabaseHold::Journal::Rollback));
        const QByteArray committed = bytesOf(f.liveDatabase());
        const QString before = contentOf(f.liveDatabase());
        QVERIFY(bytesOf(f.liveDatabase()) == committed); // reading changed nothing
        crashWriterOn(f.liveDatabase());
        const QString journal = f.liveDatabase() + QStringLiteral("-journal");
        QVERIFY(QFileInfo(journal).size() > 0);
        QVERIFY(bytesOf(f.liveDatabase()) != committed); // half a transaction in the file

        DiskFileOps disk;
        const Session session{QStringLiteral("admin"), QStringLiteral("x"), Role::Owner};
        DataMaintenance rules(s.folder.store(), f, session, disk);
        if (op == QLatin1String("backup")) {
            QVERIFY(rules.backup().status->startsWith(DataMaintenance::kBackupDoneHeading));
            QCOMPARE(contentOf(f.backupDatabase()), before);
        } else if (op == QLatin1String("restore")) {
            QVERIFY(rules.restore(QStringLiteral("x"))
                        .status->startsWith(DataMaintenance::kRestoreDoneHeading));
            QCOMPARE(contentOf(f.liveDatabase()), s.backup);
            QCOMPARE(bytesOf(f.liveDatabase()), bytesOf(f.backupDatabase()));
        } else {
            QCOMPARE(rules.clear(QStringLiteral("x")).messages,
                     QStringList{DataMaintenance::kCleared});
            QCOMPARE(bytesOf(f.liveDatabase()), bytesOf(f.blankTemplate()));
        }
        QCOMPARE(filesIn(s.folder.path(), false), cleanFolder(true));
    }

    // A kill while the live file leaves the log (restore, clear) can leave a
    // journal with a zeroed header, which SQLite never plays and never
    // removes; it goes once the store is open (a hot one SQLite has played
    // back and removed by then: journalOfACrashedWriter).
    void deadJournalAtStart_data()
    {
        QTest::addColumn<QByteArray>("journal");
        QTest::newRow("zeroed header") << QByteArray(512, '\0');
        QTest::newRow("empty") << QByteArray("", 0);
    }
    void deadJournalAtStart()
    {
        QFETCH(QByteArray, journal);
        Folder s(false);
        const QString live = s.folder.files().liveDatabase();
        const QString path = live + QStringLiteral("-journal");
        QVERIFY(DatabaseHold::settle(live, DatabaseHold::Journal::Rollback));
        QVERIFY(writeBytes(path, journal));
        QCOMPARE(Startup::openStore(s.folder.store()), QString());
        QVERIFY(!QFile::exists(path));
        s.folder.store().close();
        QCOMPARE(contentOf(live), s.live);
    }

    // A log or journal beside a backup belongs to whatever opened it since:
    // the restore copies the backup's own bytes and never opens it where it
    // lies, so the data is the manifest's and nothing there changes.
    void besideABackup_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("kind");
        for (const char *where : {"manual", "generation", "chosen"})
            for (const char *kind : {"wal", "journal"})
                QTest::addRow("%s, %s", where, kind)
                    << QString::fromLatin1(where) << QString::fromLatin1(kind);
    }
    void besideABackup()
    {
        QFETCH(QString, where);
        QFETCH(QString, kind);
        Folder s(true);
        const DataFiles f = s.folder.files();
        QTemporaryDir outside;
        QString backup = f.backupDatabase();
        if (where != QLatin1String("manual")) {
            const QString folder = where == QLatin1String("chosen")
                                       ? outside.path()
                                       : f.backupFolder() + QStringLiteral("/auto");
            QDir().mkpath(folder);
            backup = folder + QStringLiteral("/20261207-090000-auto.mdb");
            QVERIFY(QFile::copy(f.backupDatabase(), backup));
            vouchFor(backup);
        }
        const QString companion = craftBeside(backup, kind);
        const QByteArray backupBytes = bytesOf(backup);
        const QByteArray companionBytes = bytesOf(companion);
        QVERIFY(!companionBytes.isEmpty());
        QVERIFY(contentOf(backup, companion) != s.backup); // it would change the data

        DiskFileOps disk;
        const Session session{QStringLiteral("admin"), QStringLiteral("x"), Role::Owner};
        DataMaintenance rules(s.folder.store(), f, session, disk);
        const DataMaintenance::Outcome o = rules.restore(
            QStringLiteral("x"), where == QLatin1String("manual") ? QString() : backup,
            where == QLatin1String("chosen"));
        QVERIFY2(o.status && o.status->startsWith(DataMaintenance::kRestoreDoneHeading),
                 qPrintable(o.messages.join(QLatin1Char('\n'))));
        QVERIFY(o.messages.contains(DataMaintenance::kBesideNotUsed));
        QCOMPARE(contentOf(f.liveDatabase()), s.backup);
        QCOMPARE(bytesOf(backup), backupBytes);
        QCOMPARE(bytesOf(companion), companionBytes);
        QVERIFY(!QFile::exists(f.liveDatabase() + QLatin1Char('-') + kind));
    }
};

QTEST_MAIN(TestInterrupted)
#include "tst_interrupted.moc"
