// Backup, restore and clear with each file operation failing in turn: the
// failure is reported, never success, and the live database, the backup and
// any leftover of an interrupted run stay on disk.
#include "Fixtures.h"
#include "base/Clock.h"
#include "rules/backup/DataMaintenance.h"
#include "store/MemberTable.h"
#include "store/Schema.h"
#include "support/FailingDiskCalls.h"
#include "support/FailingFileOps.h"
#include "support/Members.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QtTest>

namespace {

enum class Operation { Backup, Restore, Clear };

// A program folder with a live database and, as asked, a backup and a
// leftover roll-back copy; every file's content is distinct.
struct Scenario
{
    TestFolder folder;
    QByteArray live;
    QByteArray backup;
    QByteArray blank;
    QByteArray leftover = "leftover of an interrupted run";

    Scenario(Operation op, bool withBackup, bool withLeftover)
    {
        const DataFiles f = folder.files();
        folder.setSession(QStringLiteral("admin"), QStringLiteral("secret"));
        if (withBackup) {
            addMember(folder.store(), QStringLiteral("in the backup"));
            folder.store().close();
            QDir().mkpath(f.backupFolder());
            QFile::copy(f.liveDatabase(), f.backupDatabase());
            folder.store().open();
        }
        addMember(folder.store(), QStringLiteral("live only"));
        folder.store().close();
        live = restingBytesOf(f.liveDatabase());
        backup = restingBytesOf(f.backupDatabase());
        blank = restingBytesOf(f.blankTemplate());
        if (withLeftover) {
            QDir().mkpath(f.backupFolder());
            writeBytes(op == Operation::Backup ? f.backupRollback() : f.liveRollback(), leftover);
        }
        folder.store().open();
    }

    // Files anywhere in the folder holding exactly these bytes.
    QStringList holding(const QByteArray &bytes) const
    {
        QStringList found;
        QDirIterator it(folder.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (resting(bytesOf(path)) == bytes)
                found << QDir(folder.path()).relativeFilePath(path);
        }
        return found;
    }

    QStringList hiddenFiles() const
    {
        QStringList found;
        QDirIterator it(folder.path(), {QStringLiteral(".*")}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        return found;
    }

    DataMaintenance::Outcome run(Operation op, FileOps &ops)
    {
        DataMaintenance rules(folder.store(), folder.files(), folder.session(), ops);
        switch (op) {
        case Operation::Backup:
            return rules.backup();
        case Operation::Restore:
            return rules.restore(QStringLiteral("secret"));
        case Operation::Clear:
            return rules.clear(QStringLiteral("secret"));
        }
        return {};
    }
};

bool startsWith(const std::optional<QString> &status, const QString &heading)
{
    return status && status->startsWith(heading);
}

} // namespace

class TestFileFaults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        Clock::setSourceForTesting([] { return QDateTime(QDate(2026, 3, 7), QTime(9, 5, 1)); });
    }
    void cleanup() { Clock::setSourceForTesting({}); }

    void eachStepFailingInTurn_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<bool>("withBackup");
        QTest::addColumn<bool>("withLeftover");
        // The steps of an undisturbed run, in order.
        QTest::addColumn<QStringList>("steps");
        const int backup = int(Operation::Backup);
        const int restore = int(Operation::Restore);
        const int clear = int(Operation::Clear);
        QTest::newRow("first backup") << backup << false << false
                                      << QStringList{QStringLiteral("mkdir backup"),
                                                     QStringLiteral("copy table.mdb backup.mdb")};
        QTest::newRow("second backup")
            << backup << true << false
            << QStringList{QStringLiteral("rename backup.mdb backupold.mdb"),
                           QStringLiteral("copy table.mdb backup.mdb"),
                           QStringLiteral("remove backupold.mdb")};
        QTest::newRow("backup after an interrupted one")
            << backup << true << true
            << QStringList{QStringLiteral("rename backupold.mdb backupold-20260307-090501.mdb"),
                           QStringLiteral("rename backup.mdb backupold.mdb"),
                           QStringLiteral("copy table.mdb backup.mdb"),
                           QStringLiteral("remove backupold.mdb")};
        QTest::newRow("restore") << restore << true << false
                                 << QStringList{QStringLiteral("copy backup.mdb tablenew.mdb"),
                                                QStringLiteral("rename table.mdb tableold.mdb"),
                                                QStringLiteral("rename tablenew.mdb table.mdb"),
                                                QStringLiteral("mkdir auto"),
                                                QStringLiteral("rename tableold.mdb "
                                                               "20260307-090501-prerestore.mdb")};
        QTest::newRow("restore after an interrupted one")
            << restore << true << true
            << QStringList{QStringLiteral("rename tableold.mdb tableold-20260307-090501.mdb"),
                           QStringLiteral("copy backup.mdb tablenew.mdb"),
                           QStringLiteral("rename table.mdb tableold.mdb"),
                           QStringLiteral("rename tablenew.mdb table.mdb"),
                           QStringLiteral("mkdir auto"),
                           QStringLiteral("rename tableold.mdb 20260307-090501-prerestore.mdb")};
        QTest::newRow("clear") << clear << false << false
                               << QStringList{QStringLiteral("rename table.mdb tableold.mdb"),
                                              QStringLiteral("copy zero.mdb table.mdb"),
                                              QStringLiteral("mkdir backup"),
                                              QStringLiteral("mkdir auto"),
                                              QStringLiteral("rename tableold.mdb "
                                                             "20260307-090501-preclear.mdb")};
        QTest::newRow("clear after an interrupted one")
            << clear << true << true
            << QStringList{QStringLiteral("rename tableold.mdb tableold-20260307-090501.mdb"),
                           QStringLiteral("rename table.mdb tableold.mdb"),
                           QStringLiteral("copy zero.mdb table.mdb"), QStringLiteral("mkdir auto"),
                           QStringLiteral("rename tableold.mdb 20260307-090501-preclear.mdb")};
    }
    void eachStepFailingInTurn()
    {
        QFETCH(int, op);
        QFETCH(bool, withBackup);
        QFETCH(bool, withLeftover);
        QFETCH(QStringList, steps);
        const Operation operation = Operation(op);

        {
            Scenario clean(operation, withBackup, withLeftover);
            FailingFileOps ops;
            clean.run(operation, ops);
            QCOMPARE(ops.log(), steps);
        }

        for (int n = 1; n <= steps.size(); ++n) {
            const QByteArray step = steps.at(n - 1).toUtf8();
            auto s = std::make_unique<Scenario>(operation, withBackup, withLeftover);
            FailingFileOps ops;
            ops.failAt(n);
            const DataMaintenance::Outcome outcome = s->run(operation, ops);
            const DataFiles f = s->folder.files();

            // The failure is reported.
            QVERIFY2(!outcome.messages.isEmpty(), step);
            QVERIFY2(!outcome.messages.contains(DataMaintenance::kCleared), step);
            QVERIFY2(s->hiddenFiles().isEmpty(), step);
            // Nothing that was on disk is lost.
            QVERIFY2(!s->holding(s->live).isEmpty(), step);
            if (withBackup)
                QVERIFY2(!s->holding(s->backup).isEmpty(), step);
            if (withLeftover)
                QVERIFY2(!s->holding(s->leftover).isEmpty(), step);
            QCOMPARE(restingBytesOf(f.blankTemplate()), s->blank);

            switch (operation) {
            case Operation::Backup:
                QCOMPARE(restingBytesOf(f.liveDatabase()), s->live);
                if (startsWith(outcome.status, DataMaintenance::kBackupDoneHeading))
                    QCOMPARE(restingBytesOf(f.backupDatabase()), s->live);
                break;
            case Operation::Restore:
                QCOMPARE(restingBytesOf(f.backupDatabase()), s->backup);
                if (startsWith(outcome.status, DataMaintenance::kRestoreDoneHeading))
                    QCOMPARE(restingBytesOf(f.liveDatabase()), s->backup);
                else
                    QCOMPARE(restingBytesOf(f.liveDatabase()), s->live);
                break;
            case Operation::Clear:
                QVERIFY(outcome.endProgram);
                QCOMPARE(outcome.messages.size(), 1);
                if (outcome.messages.first().startsWith(DataMaintenance::kCleared))
                    QCOMPARE(restingBytesOf(f.liveDatabase()), s->blank);
                else
                    QCOMPARE(restingBytesOf(f.liveDatabase()), s->live);
                break;
            }
        }
    }

    // Each write, flush and close of a backup (its copy and its manifest)
    // failing with EIO, or the disk filling up there: a backup reported done
    // is the live data, any other is reported, and the earlier backup and
    // the live file stay as they were.
    void eachDiskCallOfABackupFailing_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("one call fails") << int(FailingDiskCalls::Mode::Once);
        QTest::newRow("the disk fills up") << int(FailingDiskCalls::Mode::DiskFull);
    }
    void eachDiskCallOfABackupFailing()
    {
        QFETCH(int, mode);
        QStringList calls;
        {
            Scenario clean(Operation::Backup, true, false);
            FailingDiskCalls logged(0, FailingDiskCalls::Mode::Once);
            DiskFileOps ops(logged);
            QVERIFY(startsWith(clean.run(Operation::Backup, ops).status,
                               DataMaintenance::kBackupDoneHeading));
            calls = logged.log();
        }
        // The copy and the manifest, each written, flushed and closed.
        QVERIFY2(calls.count(QStringLiteral("fsync")) >= 2, qPrintable(calls.join(u' ')));
        for (int n = 1; n <= calls.size(); ++n) {
            const QByteArray step =
                QStringLiteral("call %1 (%2)").arg(n).arg(calls.at(n - 1)).toUtf8();
            Scenario s(Operation::Backup, true, false);
            FailingDiskCalls failing(n, FailingDiskCalls::Mode(mode));
            DiskFileOps ops(failing);
            const DataMaintenance::Outcome outcome = s.run(Operation::Backup, ops);
            const DataFiles f = s.folder.files();
            QVERIFY2(restingBytesOf(f.liveDatabase()) == s.live, step);
            QVERIFY2(s.hiddenFiles().isEmpty(), step);
            if (startsWith(outcome.status, DataMaintenance::kBackupDoneHeading)) {
                QVERIFY2(restingBytesOf(f.backupDatabase()) == s.live, step);
            } else {
                QVERIFY2(!outcome.messages.isEmpty(), step);
                QVERIFY2(restingBytesOf(f.backupDatabase()) == s.backup, step);
            }
        }
    }

    // The real operations never replace an existing file and leave no
    // temporary file behind when they fail.
    void diskOperationsNeverReplace_data()
    {
        QTest::addColumn<bool>("copy");
        QTest::addColumn<QString>("target"); // relative to the folder
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("copy to a new name") << true << QStringLiteral("new.mdb") << true;
        QTest::newRow("copy onto a file") << true << QStringLiteral("zero.mdb") << false;
        QTest::newRow("copy into a missing folder")
            << true << QStringLiteral("no/new.mdb") << false;
        QTest::newRow("rename to a new name") << false << QStringLiteral("new.mdb") << true;
        QTest::newRow("rename onto a file") << false << QStringLiteral("zero.mdb") << false;
    }
    void diskOperationsNeverReplace()
    {
        QFETCH(bool, copy);
        QFETCH(QString, target);
        QFETCH(bool, succeeds);
        Scenario s(Operation::Backup, false, false);
        s.folder.store().close();
        const DataFiles f = s.folder.files();
        const QString to = s.folder.path() + QLatin1Char('/') + target;
        QVERIFY(QFile::setPermissions(f.liveDatabase(), QFile::ReadOwner | QFile::WriteOwner));
        DiskFileOps ops;
        const bool done = copy ? ops.copy(f.liveDatabase(), to) : ops.rename(f.liveDatabase(), to);
        QCOMPARE(done, succeeds);
        QCOMPARE(ops.error().isEmpty(), succeeds);
        QCOMPARE(restingBytesOf(f.blankTemplate()), s.blank);
        QCOMPARE(QFile::exists(f.liveDatabase()), copy || !succeeds);
        if (succeeds) {
            QCOMPARE(restingBytesOf(to), s.live);
            QCOMPARE(QFile::permissions(to) & 0x7077,
                     QFile::ReadOwner | QFile::WriteOwner); // owner, group, others
        }
        QCOMPARE(s.hiddenFiles(), QStringList());
    }

    // A template or backup made read-only to protect it still gives a live
    // database the program can write to; the other permission bits follow
    // the source.
    void readOnlySourceGivesAWritableDatabase_data()
    {
        QTest::addColumn<int>("op");
        QTest::newRow("restore") << int(Operation::Restore);
        QTest::newRow("clear") << int(Operation::Clear);
    }
    void readOnlySourceGivesAWritableDatabase()
    {
        QFETCH(int, op);
        Scenario s(Operation(op), true, false);
        const DataFiles f = s.folder.files();
        const bool clear = Operation(op) == Operation::Clear;
        const QString source = clear ? f.blankTemplate() : f.backupDatabase();
        QVERIFY(QFile::setPermissions(source, QFile::ReadOwner | QFile::ReadGroup));
        DiskFileOps ops;
        const DataMaintenance::Outcome outcome = s.run(Operation(op), ops);
        QCOMPARE(outcome.messages, clear ? QStringList{DataMaintenance::kCleared} : QStringList());
        QCOMPARE(restingBytesOf(f.liveDatabase()), clear ? s.blank : s.backup);
        QCOMPARE(QFile::permissions(f.liveDatabase()) & 0x7077,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        QCOMPARE(QFile::permissions(source) & 0x7077, QFile::ReadOwner | QFile::ReadGroup);
    }

    // A copy that arrives damaged is caught before it replaces anything.
    void damagedCopies_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("message");
        QTest::newRow("backup") << int(Operation::Backup) << DataMaintenance::kBackupRolledBack;
        QTest::newRow("restore") << int(Operation::Restore) << DataMaintenance::kRestoreFailed;
        QTest::newRow("clear") << int(Operation::Clear) << DataMaintenance::kClearFailed;
    }
    void damagedCopies()
    {
        QFETCH(int, op);
        QFETCH(QString, message);
        Scenario s(Operation(op), true, false);
        FailingFileOps ops;
        ops.damageCopies(true);
        const DataMaintenance::Outcome outcome = s.run(Operation(op), ops);
        QCOMPARE(outcome.messages.size(), 1);
        QVERIFY2(outcome.messages.first().startsWith(message + QLatin1Char('\n')),
                 qPrintable(outcome.messages.first()));
        const DataFiles f = s.folder.files();
        QCOMPARE(restingBytesOf(f.liveDatabase()), s.live);
        QCOMPARE(restingBytesOf(f.backupDatabase()), s.backup);
        QVERIFY(!QFile::exists(f.liveRollback()));
        QVERIFY(!QFile::exists(f.backupRollback()));
    }

    // The changes are made but their folder cannot be flushed to disk: the
    // operation says so instead of reporting plain success.
    void folderSyncFailing_data()
    {
        QTest::addColumn<int>("op");
        QTest::newRow("backup") << int(Operation::Backup);
        QTest::newRow("restore") << int(Operation::Restore);
        QTest::newRow("clear") << int(Operation::Clear);
    }
    void folderSyncFailing()
    {
        QFETCH(int, op);
        Scenario s(Operation(op), true, false);
        FailingFileOps ops;
        ops.failFolderSyncs(true);
        const DataMaintenance::Outcome outcome = s.run(Operation(op), ops);
        const QString all = outcome.messages.join(QLatin1Char('\n'));
        QVERIFY2(all.contains(DataMaintenance::kNotSynced + QStringLiteral("\n模拟的故障：sync")),
                 qPrintable(all));
        QCOMPARE(outcome.messages.size(), 1);
        // The operation itself was carried out.
        const DataFiles f = s.folder.files();
        const QByteArray expected[] = {s.live, s.backup, s.blank};
        const QString changed =
            Operation(op) == Operation::Backup ? f.backupDatabase() : f.liveDatabase();
        QCOMPARE(restingBytesOf(changed), expected[op]);
    }

    // The copy fails and so does putting the roll-back copy back: the
    // message says where the data is, and it is there.
    void rollBackFailingToo_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("keptAt"); // relative to the folder
        QTest::addColumn<QString>("message");
        QTest::newRow("backup") << int(Operation::Backup) << QStringLiteral("backup/backupold.mdb")
                                << DataMaintenance::kBackupRolledBack;
        QTest::newRow("restore") << int(Operation::Restore) << QStringLiteral("tableold.mdb")
                                 << DataMaintenance::kRestoreRollbackFailed;
        QTest::newRow("clear") << int(Operation::Clear) << QStringLiteral("tableold.mdb")
                               << DataMaintenance::kClearLostLive;
    }
    void rollBackFailingToo()
    {
        QFETCH(int, op);
        QFETCH(QString, keptAt);
        QFETCH(QString, message);
        Scenario s(Operation(op), true, false);
        FailingFileOps ops;
        for (const QString &target : {QStringLiteral("table.mdb"), QStringLiteral("backup.mdb")}) {
            ops.failOn(FailingFileOps::Op::Copy, target);
            ops.failOn(FailingFileOps::Op::Rename, target);
        }
        const DataMaintenance::Outcome outcome = s.run(Operation(op), ops);
        const QString all = outcome.messages.join(QLatin1Char('\n'));
        QVERIFY2(all.startsWith(message), qPrintable(all));
        QVERIFY2(
            all.contains(QDir::toNativeSeparators(s.folder.path() + QLatin1Char('/') + keptAt)),
            qPrintable(all));
        QCOMPARE(restingBytesOf(s.folder.path() + QLatin1Char('/') + keptAt),
                 Operation(op) == Operation::Backup ? s.backup : s.live);
        QVERIFY(!outcome.status || !outcome.status->contains(QStringLiteral("成功")));
    }
};

QTEST_GUILESS_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
