// The backup screen: activation, backup, restore and clear as the operator
// sees them.
#include "Fixtures.h"
#include "base/Clock.h"
#include "base/Formats.h"
#include "base/StoreError.h"
#include "program/MainWindow.h"
#include "rules/backup/AutoBackups.h"
#include "rules/backup/BackupManifest.h"
#include "rules/backup/BackupSaveAs.h"
#include "rules/backup/DataMaintenance.h"
#include "rules/backup/FileOps.h"
#include "rules/backup/TaskProgress.h"
#include "screens/maintenance/BackupDialog.h"
#include "store/AdminTable.h"
#include "store/AuditLog.h"
#include "store/MemberTable.h"
#include "support/Controls.h"
#include "support/FixedClock.h"
#include "support/Members.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using DM = DataMaintenance;

namespace {

const QString kPassword = QStringLiteral("Secret1");
const QDateTime kFileTime(QDate(2026, 3, 7), QTime(9, 5, 1));

QStringList memberNames(Database &store)
{
    QStringList names;
    MemberTable(store).forEach([&](const Member &m) {
        names << m.name;
        return true;
    });
    return names;
}

void setTime(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(kFileTime, QFileDevice::FileModificationTime));
}

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

    static QString label(QWidget &w) { return control<QLabel>(w, "Label1")->text(); }
    static void click(QWidget &w, const char *name)
    {
        QTest::mouseClick(control<QPushButton>(w, name), Qt::LeftButton);
    }
    // Which of Command1, Command2, Command4 are enabled, as "1 2 4".
    static QString enabled(QWidget &w)
    {
        QStringList on;
        for (const char *name : {"Command1", "Command2", "Command4"}) {
            if (control<QPushButton>(w, name)->isEnabled())
                on << QString::fromLatin1(name).right(1);
        }
        return on.join(QLatin1Char(' '));
    }
    // The list's rows as "kind members verified".
    static QStringList rows(QWidget &w)
    {
        QStringList texts;
        auto *list = control<QTreeWidget>(w, "generationList");
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = list->topLevelItem(i);
            texts << item->text(1) + QLatin1Char(' ') + item->text(2) + QLatin1Char(' ') +
                         item->text(5);
        }
        return texts;
    }
    static void prepare(TestFolder &folder)
    {
        folder.setSession(QStringLiteral("admin"), kPassword);
        folder.setCommission(10, 0);
    }
    // A backup holding one member, "backed up", then a live database with
    // a second member.
    static void backUpOneMember(TestFolder &folder)
    {
        addMember(folder.store(), QStringLiteral("backed up"));
        folder.store().close();
        QVERIFY(QDir().mkpath(folder.files().backupFolder()));
        QVERIFY(QFile::copy(folder.files().liveDatabase(), folder.files().backupDatabase()));
        setTime(folder.files().backupDatabase());
        QVERIFY(folder.store().open());
        addMember(folder.store(), QStringLiteral("later"));
    }

private Q_SLOTS:
    void cleanup()
    {
        Clock::setSourceForTesting({});
        VERIFY_DIALOGS_DONE(m_dialogs);
    }

    void firstActivationCreatesTheFolder()
    {
        ProgramFolder folder;
        prepare(folder);
        QVERIFY(!QFileInfo::exists(folder.files().backupFolder()));
        BackupDialog dialog(folder.store(), folder.files(), folder.context().session,
                            folder.context().end);
        QVERIFY(QFileInfo(folder.files().backupFolder()).isDir());
        QCOMPARE(label(dialog), DM::kNoBackupYet);
        QCOMPARE(enabled(dialog), QStringLiteral("1 2 4"));
        QVERIFY(!anyBoxHolds(dialog, kPassword));
    }

    void activationShowsTheBackupTime()
    {
        ProgramFolder folder;
        prepare(folder);
        backUpOneMember(folder);
        BackupDialog dialog(folder.store(), folder.files(), folder.context().session,
                            folder.context().end);
        QCOMPARE(label(dialog), DM::kCurrentBackupHeading + QStringLiteral("\n2026/3/7 09:05:01"));
    }

    void firstAndSecondBackup()
    {
        ProgramFolder folder;
        prepare(folder);
        const DataFiles f = folder.files();
        BackupDialog dialog(folder.store(), folder.files(), folder.context().session,
                            folder.context().end);
        // The live file gains the backup's audit row after the copy.
        QByteArray copied = restingBytesOf(f.liveDatabase());
        click(dialog, "Command1");
        QVERIFY(folder.store().isOpen()); // the copy holds the file still on its own
        QCOMPARE(restingBytesOf(f.backupDatabase()), copied);
        QVERIFY(!QFile::exists(f.backupRollback()));
        const QString time = Formats::dateTime(QFileInfo(f.backupDatabase()).lastModified());
        QCOMPARE(label(dialog), DM::kBackupDoneHeading + QLatin1Char('\n') + time);
        QCOMPARE(enabled(dialog), QStringLiteral("1"));

        QVERIFY(folder.store().reopenIfClosed());
        addMember(folder.store(), QStringLiteral("second"));
        copied = restingBytesOf(f.liveDatabase());
        click(dialog, "Command1");
        QCOMPARE(restingBytesOf(f.backupDatabase()), copied);
        QVERIFY(!QFile::exists(f.backupRollback()));
        // Taken from the file in its log, the copy is a rollback-journal file.
        QCOMPARE(bytesOf(f.backupDatabase()).mid(18, 2), QByteArray("\x01\x01", 2));
        Database backup(f.backupDatabase());
        QVERIFY(backup.open());
        QCOMPARE(memberNames(backup), QStringList{QStringLiteral("second")});
        backup.close();
        QCOMPARE(
            QDir(f.backupFolder()).entryList(QDir::Files | QDir::Hidden),
            (QStringList{QStringLiteral("backup.mdb"), QStringLiteral("backup.mdb.manifest")}));
        // Both ran behind the progress window.
        QCOMPARE(m_dialogs.takeTasks(), QStringList(2, QStringLiteral("备份数据")));
    }

    void backupWithoutLiveDatabase()
    {
        ProgramFolder folder;
        prepare(folder);
        backUpOneMember(folder);
        const QByteArray before = bytesOf(folder.files().backupDatabase());
        BackupDialog dialog(folder.store(), folder.files(), folder.context().session,
                            folder.context().end);
        folder.store().close();
        QVERIFY(QFile::remove(folder.files().liveDatabase()));
        click(dialog, "Command1");
        QCOMPARE(m_dialogs.takeMessages(), QStringList{DM::kSourceMissing});
        QCOMPARE(bytesOf(folder.files().backupDatabase()), before);
    }

    void restoreRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("wrong") << QStringLiteral("wrong");
        QTest::newRow("cancel") << QString();
        QTest::newRow("other letter case") << kPassword.toUpper();
        QTest::newRow("blank added") << kPassword + QLatin1Char(' ');
    }
    void restoreRefused()
    {
        QFETCH(QString, typed);
        ProgramFolder folder;
        prepare(folder);
        backUpOneMember(folder);
        const QByteArray live = restingBytesOf(folder.files().liveDatabase());
        BackupDialog dialog(folder.store(), folder.files(), folder.context().session,
                            folder.context().end);
        m_dialogs.answer(typed);
        click(dialog, "Command2");
        const QList<Dialogs::Input> inputs = m_dialogs.takeInputs();
        QCOMPARE(inputs.size(), 1);
        QCOMPARE(inputs.first().title, DM::kRestoreTitle);
        QCOMPARE(inputs.first().prompt, DM::kRestorePrompt);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{DM::kRestoreRefused});
        QVERIFY(folder.store().isOpen());
        QCOMPARE(restingBytesOf(folder.files().liveDatabase()), live);
        QCOMPARE(enabled(dialog), QStringLiteral("2"));

        BackupDialog again(folder.store(), folder.files(), folder.context().session,
                           folder.context().end);
        QCOMPARE(enabled(again), QStringLiteral("1 2 4"));
    }

    void restoreReplacesTheDataAndTheMainWindowReopens()
    {
        ProgramFolder folder;
        prepare(folder);
        backUpOneMember(folder);
        QCOMPARE(memberNames(folder.store()).size(), 2);
        MainWindow window(folder.context());
        window.setScreenRunner([&](QDialog &d) {
            QCOMPARE(d.objectName(), QStringLiteral("backup"));
            QVERIFY(d.isModal());
            m_dialogs.answer(kPassword);
            click(d, "Command2");
            QCOMPARE(label(d), DM::kRestoreDoneHeading + QStringLiteral("\n2026/3/7 09:05:01"));
        });
        // The menu entry opens the screen modally.
        window.findChild<QAction *>(QStringLiteral("数据库备份还原"))->trigger();
        QCOMPARE(m_dialogs.takeInputs().size(), 1);
        QVERIFY(folder.store().isOpen());
        QCOMPARE(memberNames(folder.store()), QStringList{QStringLiteral("backed up")});
        QVERIFY(!QFile::exists(folder.files().liveRollback()));
    }

    // Every backup is listed, the manual one first, and any of them can be
    // put back; the data it replaced joins the list.
    void restoreByChoice()
    {
        FixedClock clock(kFileTime);
        ProgramFolder folder;
        prepare(folder);
        addMember(folder.store(), QStringLiteral("backed up"));
        DiskFileOps files;
        QVERIFY(DataMaintenance(folder.store(), folder.files(), folder.context().session, files)
                    .backup()
                    .messages.isEmpty());
        QVERIFY(folder.store().reopenIfClosed());
        addMember(folder.store(), QStringLiteral("later"));
        clock.set(kFileTime.addSecs(3600));
        QVERIFY(AutoBackups(folder.files(), files).take().messages.isEmpty());
        addMember(folder.store(), QStringLiteral("not backed up"));

        BackupDialog dialog(folder.store(), folder.files(), folder.context().session,
                            folder.context().end);
        QCOMPARE(rows(dialog),
                 (QStringList{QStringLiteral("手动 1 已校验"), QStringLiteral("自动 2 已校验")}));
        auto *list = control<QTreeWidget>(dialog, "generationList");
        QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("2026/3/7 10:05:01"));
        list->setCurrentItem(list->topLevelItem(1));
        clock.set(kFileTime.addSecs(7200));
        m_dialogs.answer(kPassword);
        click(dialog, "restoreChosen");
        QCOMPARE(m_dialogs.takeInputs().size(), 1);
        QCOMPARE(m_dialogs.takeTasks(), QStringList{QStringLiteral("还原数据")});
        QVERIFY(label(dialog).startsWith(DM::kRestoreDoneHeading));
        QCOMPARE(enabled(dialog), QStringLiteral("2"));
        QVERIFY(folder.store().reopenIfClosed());
        QCOMPARE(memberNames(folder.store()),
                 (QStringList{QStringLiteral("backed up"), QStringLiteral("later")}));
        // The data set aside gets its manifest on a thread of its own, and
        // the list shows it vouched for.
        QTRY_COMPARE(rows(dialog), (QStringList{QStringLiteral("手动 1 已校验"),
                                                QStringLiteral("还原前 3 已校验"),
                                                QStringLiteral("自动 2 已校验")}));
        QVERIFY(QFile::exists(
            BackupManifest::pathFor(list->topLevelItem(1)->data(0, Qt::UserRole).toString())));
    }

    // 另存备份 writes a checked copy into the chosen folder; 从文件还原 puts
    // such a copy back. Cancelling either choice does nothing.
    void copyToAnotherFolderAndBack()
    {
        FixedClock clock(kFileTime);
        ProgramFolder folder;
        prepare(folder);
        addMember(folder.store(), QStringLiteral("saved"));
        QTemporaryDir stick;
        BackupDialog dialog(folder.store(), folder.files(), folder.context().session,
                            folder.context().end);
        m_dialogs.choose(QString());
        click(dialog, "saveCopy");
        QCOMPARE(enabled(dialog), QStringLiteral("1 2 4"));
        m_dialogs.choose(stick.path());
        click(dialog, "saveCopy");
        const QString copy = stick.path() + QStringLiteral("/Pellomar备份-20260307-090501.mdb");
        QCOMPARE(m_dialogs.takeMessages(),
                 QStringList{BackupSaveAs::kSaved.arg(QDir::toNativeSeparators(copy))});
        QVERIFY(QFile::exists(BackupManifest::pathFor(copy)));
        QCOMPARE(enabled(dialog), QStringLiteral("1"));

        QVERIFY(folder.store().reopenIfClosed());
        addMember(folder.store(), QStringLiteral("after the copy"));
        BackupDialog again(folder.store(), folder.files(), folder.context().session,
                           folder.context().end);
        m_dialogs.choose(copy);
        m_dialogs.answer(kPassword);
        click(again, "restoreFile");
        m_dialogs.takeInputs();
        QVERIFY(label(again).startsWith(DM::kRestoreDoneHeading));
        QVERIFY(folder.store().reopenIfClosed());
        QCOMPARE(memberNames(folder.store()), QStringList{QStringLiteral("saved")});
    }

    // The real progress window keeps the window's events flowing while the
    // work runs on another thread.
    void workRunsWhileTheWindowStaysResponsive()
    {
        Dialogs::setScript(nullptr);
        std::atomic<bool> ticked = false;
        QTimer timer;
        timer.setInterval(10);
        connect(&timer, &QTimer::timeout, this, [&] { ticked = true; });
        timer.start();
        TaskProgress progress;
        QThread *workThread = nullptr;
        Dialogs::runTask(nullptr, QStringLiteral("备份数据"), progress, [&] {
            workThread = QThread::currentThread();
            const QDeadlineTimer deadline(5000);
            while (!ticked && !deadline.hasExpired())
                QThread::msleep(5);
        });
        Dialogs::setScript(&m_dialogs);
        QVERIFY(ticked);
        QVERIFY(workThread != QThread::currentThread());
    }

    // The worker's phase and progress reach the real window as they change.
    void theWindowShowsTheWorkersProgress()
    {
        Dialogs::setScript(nullptr);
        std::atomic<bool> seen = false;
        QTimer look;
        look.setInterval(10);
        connect(&look, &QTimer::timeout, this, [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<QProgressDialog *>(w);
                    d && d->labelText() == QStringLiteral("正在复制…") && d->value() == 250)
                    seen = true;
        });
        look.start();
        TaskProgress progress;
        const bool done = Dialogs::runTask(nullptr, QStringLiteral("备份数据"), progress, [&] {
            progress.setPhase(QStringLiteral("正在复制…"), 4000);
            progress.advance(1000);
            const QDeadlineTimer deadline(5000);
            while (!seen && !deadline.hasExpired())
                QThread::msleep(5);
        });
        Dialogs::setScript(&m_dialogs);
        QVERIFY(done);
        QVERIFY(seen);
    }

    // What the work throws is told as a database failure once it has ended,
    // and the caller learns that it failed; nothing leaves the task.
    void failedWorkIsTold_data()
    {
        QTest::addColumn<QString>("thrown"); // empty: nothing
        QTest::newRow("ends well") << QString();
        QTest::newRow("database failure") << QStringLiteral("disk I/O error");
        QTest::newRow("other failure") << QStringLiteral("bad_alloc");
    }
    void failedWorkIsTold()
    {
        QFETCH(QString, thrown);
        TaskProgress progress;
        const bool done = Dialogs::runTask(nullptr, QStringLiteral("备份数据"), progress, [&] {
            if (thrown == QLatin1String("bad_alloc"))
                throw std::runtime_error("bad_alloc");
            if (!thrown.isEmpty())
                throw StoreError(thrown);
        });
        QCOMPARE(done, thrown.isEmpty());
        QCOMPARE(m_dialogs.takeTasks(), QStringList{QStringLiteral("备份数据")});
        const QStringList messages = m_dialogs.takeMessages();
        QCOMPARE(messages.size(), thrown.isEmpty() ? 0 : 1);
        if (!thrown.isEmpty()) {
            QVERIFY(messages.first().startsWith(QStringLiteral("数据库操作失败")));
            QVERIFY(messages.first().contains(thrown));
        }
    }

    void restoreWithoutUsableBackup_data()
    {
        QTest::addColumn<QByteArray>("backup"); // empty: no file
        QTest::addColumn<QString>("message");
        QTest::newRow("no backup") << QByteArray() << DM::kNoBackupToRestore;
        QTest::newRow("not a database")
            << QByteArray("not a database at all") << DM::kBackupDamaged;
        QTest::newRow("truncated") << QByteArray("SQLite format 3\0", 16) << DM::kBackupDamaged;
    }
    void restoreWithoutUsableBackup()
    {
        QFETCH(QByteArray, backup);
        QFETCH(QString, message);
        ProgramFolder folder;
        prepare(folder);
        BackupDialog dialog(folder.store(), folder.files(), folder.context().session,
                            folder.context().end);
        if (!backup.isEmpty()) {
            QFile f(folder.files().backupDatabase());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(backup);
        }
        const QByteArray live = restingBytesOf(folder.files().liveDatabase());
        m_dialogs.answer(kPassword);
        click(dialog, "Command2");
        m_dialogs.takeInputs();
        const QStringList messages = m_dialogs.takeMessages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().section(QLatin1Char('\n'), 0, 0), message);
        QCOMPARE(restingBytesOf(folder.files().liveDatabase()), live);
        QVERIFY(folder.store().isOpen());
        QVERIFY(!QFile::exists(folder.files().liveRollback()));
    }

    void leftoverOfAnInterruptedRestoreIsKept()
    {
        Clock::setSourceForTesting([] { return kFileTime; });
        ProgramFolder folder;
        prepare(folder);
        backUpOneMember(folder);
        QFile leftover(folder.files().liveRollback());
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.write("older data");
        leftover.close();
        BackupDialog dialog(folder.store(), folder.files(), folder.context().session,
                            folder.context().end);
        m_dialogs.answer(kPassword);
        click(dialog, "Command2");
        m_dialogs.takeInputs();
        QCOMPARE(m_dialogs.takeMessages(), QStringList{DM::kLeftoverKept.arg(
                                               QStringLiteral("tableold.mdb"),
                                               QStringLiteral("tableold-20260307-090501.mdb"))});
        QCOMPARE(bytesOf(folder.path() + QStringLiteral("/tableold-20260307-090501.mdb")),
                 QByteArray("older data"));
        QVERIFY(label(dialog).startsWith(DM::kRestoreDoneHeading));
    }

    // Each backup, restore and clear that succeeds leaves one row in the
    // audit log of the file that is live afterwards, naming the operator and
    // what was done.
    void auditRow_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("detail");      // <stick>: the other folder
        QTest::addColumn<QStringList>("members"); // of the live file afterwards
        const QStringList all{QStringLiteral("backed up"), QStringLiteral("later"),
                              QStringLiteral("not backed up")};
        const QStringList one{QStringLiteral("backed up")};
        QTest::newRow("backup") << QStringLiteral("Command1") << AuditLog::kBackup
                                << QStringLiteral("备份到 backup/backup.mdb") << all;
        QTest::newRow("copy to another folder")
            << QStringLiteral("saveCopy") << AuditLog::kBackup
            << QStringLiteral("另存备份到 <stick>/Pellomar备份-20260307-110501.mdb") << all;
        QTest::newRow("restore") << QStringLiteral("Command2") << AuditLog::kRestore
                                 << QStringLiteral(
                                        "从手动备份 backup.mdb 还原，备份时间 2026/3/7 09:05:01")
                                 << one;
        QTest::newRow("restore a generation")
            << QStringLiteral("restoreChosen") << AuditLog::kRestore
            << QStringLiteral(
                   "从自动备份 20260307-100501-auto.mdb 还原，备份时间 2026/3/7 10:05:01")
            << all.mid(0, 2);
        QTest::newRow("restore from a file")
            << QStringLiteral("restoreFile") << AuditLog::kRestore
            << QStringLiteral("从文件 <stick>/copy.mdb 还原，备份时间 2026/3/7 09:05:01") << one;
        QTest::newRow("clear") << QStringLiteral("Command4") << AuditLog::kClear
                               << QStringLiteral("清空全部数据，换为空白数据库 zero.mdb")
                               << QStringList();
    }
    void auditRow()
    {
        QFETCH(QString, button);
        QFETCH(QString, kind);
        QFETCH(QString, detail);
        QFETCH(QStringList, members);
        FixedClock clock(kFileTime);
        ProgramFolder folder;
        prepare(folder);
        folder.store().setOperatorName(QStringLiteral("admin"));
        backUpOneMember(folder);
        clock.set(kFileTime.addSecs(3600));
        DiskFileOps files;
        QVERIFY(AutoBackups(folder.files(), files).take().messages.isEmpty());
        addMember(folder.store(), QStringLiteral("not backed up"));
        QTemporaryDir stick;
        const QString outside = stick.path() + QStringLiteral("/copy.mdb");
        QVERIFY(QFile::copy(folder.files().backupDatabase(), outside));
        setTime(outside);
        detail.replace(QStringLiteral("<stick>"), QDir::toNativeSeparators(stick.path()));
        clock.set(kFileTime.addSecs(7200));

        BackupDialog dialog(folder.store(), folder.files(), folder.context().session,
                            folder.context().end);
        if (button == QLatin1String("saveCopy"))
            m_dialogs.choose(stick.path());
        if (button == QLatin1String("restoreFile"))
            m_dialogs.choose(outside);
        if (button == QLatin1String("restoreChosen")) {
            auto *list = control<QTreeWidget>(dialog, "generationList");
            list->setCurrentItem(list->topLevelItem(1));
        }
        if (button.startsWith(QLatin1String("restore")) || button == QLatin1String("Command2") ||
            button == QLatin1String("Command4"))
            m_dialogs.answer(kPassword);
        click(dialog, qPrintable(button));
        m_dialogs.takeInputs();
        m_dialogs.takeMessages();

        QVERIFY(folder.store().reopenIfClosed());
        QCOMPARE(memberNames(folder.store()), members);
        QStringList logged;
        for (const AuditLog::Row &row : AuditLog(folder.store()).rows({}, {}))
            if (row.kind != AuditLog::kLogin)
                logged << row.admin + QLatin1Char(' ') + row.kind + QLatin1Char(' ') + row.detail;
        QCOMPARE(logged, QStringList{QStringLiteral("admin ") + kind + QLatin1Char(' ') + detail});
    }

    void clear_data()
    {
        QTest::addColumn<int>("templateChange"); // -1 remove, 0 keep, 1 one byte longer
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("good template") << 0 << kPassword << true << DM::kCleared << true << true;
        QTest::newRow("template one byte longer")
            << 1 << QString() << false << DM::kTemplateDamaged << true << false;
        QTest::newRow("no template")
            << -1 << kPassword << true << DM::kTemplateMissing << true << false;
        QTest::newRow("wrong password")
            << 0 << QStringLiteral("x") << true << DM::kClearRefused << false << false;
        QTest::newRow("cancel") << 0 << QString() << true << DM::kClearRefused << false << false;
    }
    void clear()
    {
        QFETCH(int, templateChange);
        QFETCH(QString, typed);
        QFETCH(bool, asked);
        QFETCH(QString, message);
        QFETCH(bool, ends);
        QFETCH(bool, cleared);
        ProgramFolder folder;
        prepare(folder);
        backUpOneMember(folder);
        const DataFiles f = folder.files();
        if (templateChange < 0)
            QVERIFY(QFile::remove(f.blankTemplate()));
        if (templateChange > 0) {
            QFile zero(f.blankTemplate());
            QVERIFY(zero.open(QIODevice::Append));
            zero.write("x", 1);
        }
        const QByteArray live = restingBytesOf(f.liveDatabase());
        const QByteArray backup = bytesOf(f.backupDatabase());

        BackupDialog dialog(folder.store(), folder.files(), folder.context().session,
                            folder.context().end);
        if (asked)
            m_dialogs.answer(typed);
        click(dialog, "Command4");
        const QList<Dialogs::Input> inputs = m_dialogs.takeInputs();
        QCOMPARE(inputs.size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(inputs.first().title, DM::kClearTitle);
            QCOMPARE(inputs.first().prompt, DM::kClearPrompt);
            QCOMPARE(enabled(dialog), QStringLiteral("4"));
        }
        QCOMPARE(m_dialogs.takeMessages(), QStringList{message});
        QCOMPARE(folder.endRequests(), ends ? 1 : 0);
        if (cleared) {
            // The blank file, holding only the clear's audit row.
            Database now(f.liveDatabase());
            QVERIFY(now.open());
            QCOMPARE(memberNames(now), QStringList());
            QCOMPARE(AuditLog(now).rows({}, {}).size(), 1);
        } else {
            QCOMPARE(restingBytesOf(f.liveDatabase()), live);
        }
        QCOMPARE(bytesOf(f.backupDatabase()), backup);
        QVERIFY(!QFile::exists(f.liveRollback()));
        QCOMPARE(folder.store().isOpen(), !ends);
    }
};

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
