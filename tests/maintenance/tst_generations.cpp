// The verified backup path, the automatic generations and their pruning,
// and the daily full check, on real files with a fixed clock.
#include "Fixtures.h"
#include "rules/backup/AutoBackups.h"
#include "rules/backup/DailyCheck.h"
#include "rules/backup/DataMaintenance.h"
#include "rules/backup/FileDigest.h"
#include "rules/backup/FileOps.h"
#include "rules/backup/LiveSnapshot.h"
#include "rules/backup/TaskProgress.h"
#include "store/Schema.h"
#include "support/FixedClock.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QtTest>
#include <thread>

using BackupGenerations::Generation;
using namespace Qt::StringLiterals;

namespace {

const QString kPassword = QStringLiteral("secret");

QDateTime at(int month, int day, int hour = 9)
{
    return QDateTime(QDate(2026, month, day), QTime(hour, 0));
}

QStringList generationFiles(const AutoBackups &autos)
{
    return QDir(autos.folder()).entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name);
}

// A manifest of the file's size with its own digest, as a backup of it
// would have, or with another one.
void writeManifest(const QString &path, bool matching)
{
    QString error;
    BackupManifest m;
    m.digest =
        matching ? *FileDigest::ofFile(path, nullptr, &error) : QString(32, QLatin1Char('0'));
    m.size = QFileInfo(path).size();
    QVERIFY(m.write(BackupManifest::pathFor(path), &error));
}

} // namespace

class TestGenerations : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A year of one start a day leaves the newest generation of each of the
    // last 7 days, 5 weeks and 12 months, and a copy kept before a restore
    // for 30 days; each deletion is logged.
    void aYearOfDailyStarts()
    {
        FixedClock clock;
        TestFolder folder;
        folder.store().close();
        DiskFileOps files;
        AutoBackups autos(folder.files(), files);
        for (QDate d(2026, 1, 1); d <= QDate(2026, 12, 31); d = d.addDays(1)) {
            clock.set(QDateTime(d, QTime(9, 0)));
            QVERIFY(autos.firstStartToday());
            const AutoBackups::Result r = autos.take();
            QVERIFY2(r.messages.isEmpty(), qPrintable(r.messages.join(QLatin1Char('\n'))));
            QCOMPARE(autos.prune(), QStringList()); // as each start does after it
            QVERIFY(!autos.firstStartToday());
            if (d == QDate(2026, 11, 30) || d == QDate(2026, 12, 20)) {
                clock.set(QDateTime(d, QTime(10, 0)));
                const QString old = folder.files().liveRollback();
                QVERIFY(QFile::copy(folder.files().liveDatabase(), old));
                QString error;
                QVERIFY2(autos.keepAside(old, BackupKind::PreRestore, &error), qPrintable(error));
            }
        }
        const QStringList expected = {
            u"20260131-090000-auto.mdb"_s,       u"20260228-090000-auto.mdb"_s,
            u"20260331-090000-auto.mdb"_s,       u"20260430-090000-auto.mdb"_s,
            u"20260531-090000-auto.mdb"_s,       u"20260630-090000-auto.mdb"_s,
            u"20260731-090000-auto.mdb"_s,       u"20260831-090000-auto.mdb"_s,
            u"20260930-090000-auto.mdb"_s,       u"20261031-090000-auto.mdb"_s,
            u"20261130-090000-auto.mdb"_s,       u"20261206-090000-auto.mdb"_s,
            u"20261213-090000-auto.mdb"_s,       u"20261220-090000-auto.mdb"_s,
            u"20261220-100000-prerestore.mdb"_s, u"20261225-090000-auto.mdb"_s,
            u"20261226-090000-auto.mdb"_s,       u"20261227-090000-auto.mdb"_s,
            u"20261228-090000-auto.mdb"_s,       u"20261229-090000-auto.mdb"_s,
            u"20261230-090000-auto.mdb"_s,       u"20261231-090000-auto.mdb"_s,
        };
        QCOMPARE(generationFiles(autos), expected);
        // Every kept generation still has its manifest, and nothing else is left.
        for (const QString &name : expected)
            if (name.endsWith(QLatin1String("auto.mdb")))
                QVERIFY(QFile::exists(autos.folder() + QLatin1Char('/') + name + u".manifest"_s));
        const QString log =
            QString::fromUtf8(bytesOf(autos.folder() + u"/"_s + AutoBackups::kLogName));
        QCOMPARE(log.count(QStringLiteral("已删除")), 365 - 21 + 1);
        QVERIFY(log.contains(QStringLiteral("已删除 20261130-100000-prerestore.mdb")));
    }

    void retentionRule_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QStringList>("deleted");
        QTest::newRow("newest of a day stays")
            << QStringList{u"20261207-090000-auto.mdb"_s, u"20261207-180000-auto.mdb"_s}
            << at(12, 7, 19) << QStringList{u"20261207-090000-auto.mdb"_s};
        QTest::newRow("same second, serial numbers")
            << QStringList{u"20261207-090000-auto.mdb"_s, u"20261207-090000-auto-2.mdb"_s}
            << at(12, 7) << QStringList{u"20261207-090000-auto.mdb"_s};
        // 2026-12-06 is a Sunday: it stands for its week, Saturday goes.
        QTest::newRow("week ends on Sunday")
            << QStringList{u"20261128-090000-auto.mdb"_s, u"20261129-090000-auto.mdb"_s,
                           u"20261205-090000-auto.mdb"_s, u"20261206-090000-auto.mdb"_s}
            << at(12, 31)
            << QStringList{u"20261128-090000-auto.mdb"_s, u"20261205-090000-auto.mdb"_s};
        QTest::newRow("thirteen months back goes")
            << QStringList{u"20251130-090000-auto.mdb"_s, u"20251201-090000-auto.mdb"_s}
            << at(11, 15) << QStringList{u"20251130-090000-auto.mdb"_s};
        QTest::newRow("marked copies stay 30 days")
            << QStringList{u"20261101-100000-preclear.mdb"_s, u"20261101-110000-prerestore.mdb"_s}
            << QDateTime(QDate(2026, 12, 1), QTime(10, 30))
            << QStringList{u"20261101-100000-preclear.mdb"_s};
        QTest::newRow("a clock set back keeps the future")
            << QStringList{u"20270101-090000-auto.mdb"_s, u"20261201-090000-auto.mdb"_s}
            << at(12, 7) << QStringList{};
        // "?": a generation without a manifest.
        QTest::newRow("unverified newest kept beside the verified")
            << QStringList{u"20261207-090000-auto.mdb"_s, u"?20261207-200000-auto.mdb"_s}
            << at(12, 7, 21) << QStringList{};
        QTest::newRow("unverified never replaces a verified week")
            << QStringList{u"20261207-090000-auto.mdb"_s, u"20261208-090000-auto.mdb"_s,
                           u"?20261209-090000-auto.mdb"_s}
            << at(12, 31) << QStringList{u"20261207-090000-auto.mdb"_s};
        QTest::newRow("verified newest replaces the unverified")
            << QStringList{u"?20261207-090000-auto.mdb"_s, u"20261207-200000-auto.mdb"_s}
            << at(12, 7, 21) << QStringList{u"20261207-090000-auto.mdb"_s};
        QTest::newRow("other files are not generations")
            << QStringList{u"backup.mdb"_s, u"20261201-0900-auto.mdb"_s,
                           u"20261201-090000-manual.mdb"_s}
            << at(12, 7) << QStringList{};
    }
    void retentionRule()
    {
        QFETCH(QStringList, names);
        QFETCH(QDateTime, now);
        QFETCH(QStringList, deleted);
        QList<Generation> generations;
        for (const QString &name : names)
            if (auto g = BackupGenerations::parse(name.startsWith(u'?') ? name.mid(1) : name)) {
                g->verified = !name.startsWith(u'?');
                generations << *g;
            }
        QCOMPARE(BackupGenerations::toDelete(generations, now), deleted);
    }

    // The manifest of a backup records its digest and what it holds; the
    // balances add up to the fen.
    void backupManifest_data()
    {
        QTest::addColumn<QList<qint64>>("balancesFen");
        QTest::newRow("none") << QList<qint64>{};
        QTest::newRow("decimals") << QList<qint64>{1015, 15, -50, 100000000};
        QTest::newRow("whole yuan") << QList<qint64>{100, 200, 0};
    }
    void backupManifest()
    {
        QFETCH(QList<qint64>, balancesFen);
        FixedClock clock;
        TestFolder folder;
        folder.setSession(QStringLiteral("admin"), kPassword);
        qint64 total = 0;
        for (qint64 fen : balancesFen) {
            Transaction tx(folder.store());
            Member m;
            m.name = QStringLiteral("m%1").arg(fen);
            m.balance = Money::fromFen(fen);
            MemberTable(folder.store()).insert(m);
            tx.commit();
            total += fen;
        }
        DiskFileOps files;
        DataMaintenance rules(folder.store(), folder.files(), folder.session(), files);
        QCOMPARE(rules.backup().messages, QStringList());
        const QString backup = folder.files().backupDatabase();
        const auto m = BackupManifest::read(BackupManifest::pathFor(backup));
        QVERIFY(m);
        QString error;
        QCOMPARE(m->digest, *FileDigest::ofFile(backup, nullptr, &error));
        QCOMPARE(m->size, QFileInfo(backup).size());
        QCOMPARE(m->members, balancesFen.size());
        QCOMPARE(m->balance.fen(), total);
        QCOMPARE(m->taken, clock.now());
        QCOMPARE(m->kind, BackupKind::Manual);
    }

    // Restore trusts a backup whose digest equals its manifest's; any other
    // backup, and every file from outside, must pass the full check. An
    // index page damaged deep inside the file passes SQLite's quick check
    // and is still refused.
    void restoreChecks_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QString>("manifest"); // none, matching, other
        QTest::addColumn<bool>("fromOutside");
        QTest::addColumn<bool>("restored");
        QTest::newRow("matching manifest") << false << u"matching"_s << false << true;
        QTest::newRow("no manifest, intact") << false << u"none"_s << false << true;
        QTest::newRow("other manifest, intact") << false << u"other"_s << false << true;
        QTest::newRow("no manifest, damaged index") << true << u"none"_s << false << false;
        QTest::newRow("other manifest, damaged index") << true << u"other"_s << false << false;
        QTest::newRow("from outside, damaged index with its manifest")
            << true << u"matching"_s << true << false;
    }
    void restoreChecks()
    {
        QFETCH(bool, damaged);
        QFETCH(QString, manifest);
        QFETCH(bool, fromOutside);
        QFETCH(bool, restored);
        TestFolder folder;
        folder.setSession(QStringLiteral("admin"), kPassword);
        addMembers(folder.store(), 3000);
        folder.store().close();
        const DataFiles f = folder.files();
        QVERIFY(QDir().mkpath(f.backupFolder()));
        const QString source = f.backupFolder() + u"/chosen.mdb"_s;
        QVERIFY(QFile::copy(f.liveDatabase(), source));
        if (damaged) {
            QVERIFY(damageAnIndexEntry(source, 1234));
            QCOMPARE(LiveSnapshot(source, nullptr).waitForChecks(), QString());
            QVERIFY(!Schema::problemWithFile(source, Schema::Check::Full).isEmpty());
        }
        if (manifest != QLatin1String("none"))
            writeManifest(source, manifest == QLatin1String("matching"));
        QVERIFY(folder.store().open());
        addMember(folder.store(), QStringLiteral("live only"));
        folder.store().close();
        const QByteArray live = bytesOf(f.liveDatabase());

        DiskFileOps files;
        DataMaintenance rules(folder.store(), f, folder.session(), files);
        const DataMaintenance::Outcome o = rules.restore(kPassword, source, fromOutside);
        if (restored) {
            QCOMPARE(o.messages, QStringList());
            // The copy is marked as a rollback-journal file.
            QByteArray expected = bytesOf(source);
            SqliteEngine::markRollbackJournal(expected.data(), expected.size());
            QCOMPARE(bytesOf(f.liveDatabase()), expected);
            // The replaced live database is kept, marked.
            const QStringList kept =
                QDir(f.backupFolder() + u"/auto"_s).entryList({u"*-prerestore.mdb"_s});
            QCOMPARE(kept.size(), 1);
            QCOMPARE(restingBytesOf(f.backupFolder() + u"/auto/"_s + kept.first()), resting(live));
        } else {
            QCOMPARE(o.messages.size(), 1);
            QVERIFY2(o.messages.first().startsWith(DataMaintenance::kBackupDamaged),
                     qPrintable(o.messages.first()));
            // The backup's copy is judged before the live data moves: the
            // same data, in the rollback journal.
            QCOMPARE(restingBytesOf(f.liveDatabase()), resting(live));
            QCOMPARE(QDir(f.backupFolder() + u"/auto"_s).entryList({u"*.mdb"_s}), QStringList());
        }
    }

    // A generation without a manifest (the exit generation of a run killed
    // before its manifest was written, the data a restore replaced) gets
    // one at the next start once it passed the full check; a damaged one
    // stays without, and never makes the day's verified generation go.
    void manifestsAtNextStart_data()
    {
        QTest::addColumn<BackupKind>("kind");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("exit generation, intact")
            << BackupKind::Auto << false << QStringList{u"20261207-200000-auto.mdb"_s};
        QTest::newRow("exit generation, damaged")
            << BackupKind::Auto << true
            << QStringList{u"20261207-090000-auto.mdb"_s, u"20261207-200000-auto.mdb"_s};
        QTest::newRow("kept before a restore")
            << BackupKind::PreRestore << false
            << QStringList{u"20261207-090000-auto.mdb"_s, u"20261207-200000-prerestore.mdb"_s};
        QTest::newRow("kept before a clear, damaged")
            << BackupKind::PreClear << true
            << QStringList{u"20261207-090000-auto.mdb"_s, u"20261207-200000-preclear.mdb"_s};
    }
    void manifestsAtNextStart()
    {
        QFETCH(BackupKind, kind);
        QFETCH(bool, damaged);
        QFETCH(QStringList, left);
        FixedClock clock;
        clock.set(at(12, 7));
        TestFolder folder;
        addMembers(folder.store(), 3000);
        folder.store().close();
        DiskFileOps files;
        AutoBackups autos(folder.files(), files);
        QVERIFY(!autos.take().path.isEmpty());
        clock.set(at(12, 7, 20));
        QString path;
        if (kind == BackupKind::Auto) {
            path = autos.take().path;
            QVERIFY(QFile::remove(BackupManifest::pathFor(path)));
        } else {
            const QString old = folder.files().liveRollback();
            QVERIFY(copyAsBackup(folder.files().liveDatabase(), old));
            QString error;
            QVERIFY2(autos.keepAside(old, kind, &error), qPrintable(error));
            path = autos.folder() + u"/20261207-200000-"_s +
                   (kind == BackupKind::PreRestore ? u"prerestore.mdb"_s : u"preclear.mdb"_s);
        }
        if (damaged)
            QVERIFY(damageAnIndexEntry(path, 1234));

        QCOMPARE(autos.vouchForUnverified(), damaged ? 0 : 1);
        QCOMPARE(autos.prune(), QStringList());
        QCOMPARE(generationFiles(autos), left);
        const auto m = BackupManifest::read(BackupManifest::pathFor(path));
        QCOMPARE(m.has_value(), !damaged);
        if (m) {
            QString error;
            QCOMPARE(m->digest, *FileDigest::ofFile(path, nullptr, &error));
            QCOMPARE(m->kind, kind);
            QCOMPARE(m->members, qint64(3000));
            QCOMPARE(m->taken, at(12, 7, 20));
        }
    }

    // A restore runs on a worker; the store is closed before, on its own
    // thread, only once the password confirms, and opened again after.
    void storeClosedOnItsOwnThread_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("restored");
        QTest::newRow("password confirms") << kPassword << true;
        QTest::newRow("wrong password") << u"wrong"_s << false;
    }
    void storeClosedOnItsOwnThread()
    {
        QFETCH(QString, typed);
        QFETCH(bool, restored);
        TestFolder folder;
        folder.setSession(u"admin"_s, kPassword);
        DiskFileOps files;
        DataMaintenance rules(folder.store(), folder.files(), folder.session(), files);
        QCOMPARE(rules.backup().messages, QStringList());
        addMember(folder.store(), u"after the backup"_s);

        rules.releaseStore(typed);
        QCOMPARE(folder.store().isOpen(), !restored);
        DataMaintenance::Outcome o;
        std::thread([&] { o = rules.restore(typed); }).join();
        QCOMPARE(o.logged.has_value(), restored);
        QCOMPARE(folder.store().isOpen(), !restored);
        rules.record(o);
        QVERIFY(folder.store().isOpen());
        QCOMPARE(folder.store().scalar(u"SELECT count(*) FROM 会员登记"_s).toInt(),
                 restored ? 0 : 1);
    }

    // A live file that fails the quick check is copied but never renamed
    // into place: the backup before stays, and no staged copy is left.
    void damagedLiveFileIsNotBackedUp()
    {
        TestFolder folder;
        folder.setSession(u"admin"_s, kPassword);
        addMembers(folder.store(), 3000);
        DiskFileOps files;
        DataMaintenance rules(folder.store(), folder.files(), folder.session(), files);
        QCOMPARE(rules.backup().messages, QStringList());
        const QByteArray before = bytesOf(folder.files().backupDatabase());
        // The last page is a leaf of the member table or an index: a page
        // type no b-tree has makes it unreadable.
        QByteArray live = bytesOf(folder.files().liveDatabase());
        const int pageSize = (quint8(live.at(16)) << 8) | quint8(live.at(17));
        live[live.size() - pageSize] = char(0x77);
        QVERIFY(writeBytes(folder.files().liveDatabase(), live));

        const DataMaintenance::Outcome o = rules.backup();
        QCOMPARE(o.messages.size(), 1);
        QVERIFY2(o.messages.first().startsWith(DataMaintenance::kBackupRolledBack),
                 qPrintable(o.messages.first()));
        QCOMPARE(bytesOf(folder.files().backupDatabase()), before);
        QCOMPARE(QDir(folder.files().backupFolder()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{u"backup.mdb"_s, u"backup.mdb.manifest"_s}));
    }

    // The daily check finds what the quick check of a backup cannot.
    void dailyCheckFindsIndexDamage()
    {
        TestFolder folder;
        addMembers(folder.store(), 3000);
        folder.store().close();
        const QString path = folder.files().liveDatabase();
        for (bool damage : {false, true}) {
            if (damage)
                QVERIFY(damageAnIndexEntry(path, 2999));
            QEventLoop loop;
            QString found;
            DailyCheck check;
            check.start(path, &loop, [&](const QString &problem) {
                found = problem;
                loop.quit();
            });
            check.wait();
            QTimer::singleShot(2000, &loop, &QEventLoop::quit);
            if (damage)
                loop.exec();
            else
                QCoreApplication::processEvents();
            QCOMPARE(found.isEmpty(), !damage);
        }
    }

    // A copy can be cancelled until it is renamed into place; a cancelled
    // backup keeps the one before.
    void cancelStopsTheCopyBeforeTheRename()
    {
        TestFolder folder;
        folder.setSession(QStringLiteral("admin"), kPassword);
        DiskFileOps files;
        DataMaintenance rules(folder.store(), folder.files(), folder.session(), files);
        QVERIFY(rules.backup().messages.isEmpty());
        const QByteArray before = bytesOf(folder.files().backupDatabase());
        QVERIFY(folder.store().reopenIfClosed());
        addMember(folder.store(), QStringLiteral("later"));

        TaskProgress progress;
        progress.setCancellable(true);
        QVERIFY(progress.requestCancel());
        rules.setProgress(&progress);
        const DataMaintenance::Outcome o = rules.backup();
        QVERIFY(!o.messages.isEmpty());
        QVERIFY(o.messages.first().contains(QStringLiteral("已取消")));
        QCOMPARE(bytesOf(folder.files().backupDatabase()), before);

        TaskProgress renaming;
        renaming.setCancellable(true);
        FileDigest digest(&renaming);
        digest.renaming();
        QVERIFY(!renaming.requestCancel());
        QVERIFY(!renaming.cancelled());
    }

    // Short of space, the oldest generations make room; the newest is never
    // deleted, and when room cannot be made nothing is taken and the user
    // is told.
    void shortOfSpace_data()
    {
        QTest::addColumn<int>("roomAfterDeleting"); // generations to delete before there is room
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<bool>("taken");
        QTest::newRow("one makes room")
            << 1
            << QStringList{u"20261202-090000-auto.mdb"_s, u"20261203-090000-auto.mdb"_s,
                           u"20261207-090000-auto.mdb"_s}
            << true;
        QTest::newRow("no room at all")
            << 99 << QStringList{u"20261203-090000-auto.mdb"_s} << false;
    }
    void shortOfSpace()
    {
        QFETCH(int, roomAfterDeleting);
        QFETCH(QStringList, left);
        QFETCH(bool, taken);
        FixedClock clock;
        TestFolder folder;
        DiskFileOps files;
        AutoBackups autos(folder.files(), files);
        for (int day : {1, 2, 3}) {
            clock.set(at(12, day));
            QVERIFY(autos.take().messages.isEmpty());
        }
        clock.set(at(12, 7));
        int deleted = 0;
        const int before = generationFiles(autos).size();
        autos.setFreeSpace([&](const QString &) -> qint64 {
            deleted = before - int(generationFiles(autos).size());
            return deleted >= roomAfterDeleting ? (1LL << 40) : 0;
        });
        const AutoBackups::Result r = autos.take();
        QCOMPARE(generationFiles(autos), left);
        QCOMPARE(!r.path.isEmpty(), taken);
        QCOMPARE(r.messages.contains(AutoBackups::kNoSpace), !taken);
        QVERIFY(r.messages.first().startsWith(AutoBackups::kSpaceFreed.section(u'%', 0, 0)));
    }
};

QTEST_GUILESS_MAIN(TestGenerations)
#include "tst_generations.moc"
