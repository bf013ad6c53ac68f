// The whole program as it starts: the start-up checks, the login, the main
// window's first activation asking for the commission mode, and the exit.
#include "maintenance/Fixtures.h"
#include "program/InstanceLock.h"
#include "program/Program.h"
#include "program/Startup.h"
#include "rules/backup/AutoBackups.h"
#include "rules/backup/DailyCheck.h"
#include "rules/backup/InterruptedRun.h"
#include "screens/Dialogs.h"
#include "store/AdminTable.h"
#include "store/CommissionTable.h"
#include "support/Controls.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestProgram : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

    // Runs f on the next turn of whatever event loop is running.
    static void later(int ms, std::function<void()> f)
    {
        QTimer::singleShot(ms, qApp, std::move(f));
    }

private Q_SLOTS:
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void refusesToStart_data()
    {
        QTest::addColumn<QString>("damage"); // "remove" or the new content of table.mdb
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("no table.mdb")
            << QStringLiteral("remove") << QStringLiteral("table.mdb") << Startup::kMissingDataFile;
        QTest::newRow("no zero.mdb")
            << QStringLiteral("remove") << QStringLiteral("zero.mdb") << Startup::kMissingDataFile;
        QTest::newRow("table.mdb is not a database")
            << QStringLiteral("not a database") << QStringLiteral("table.mdb")
            << Startup::kUnusableDatabase;
    }
    void refusesToStart()
    {
        QFETCH(QString, damage);
        QFETCH(QString, file);
        QFETCH(QString, message);
        TestFolder folder(false);
        const QString path = folder.path() + QLatin1Char('/') + file;
        if (damage == QLatin1String("remove")) {
            QVERIFY(QFile::remove(path));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(damage.toUtf8());
        }
        bool loginShown = false;
        QCOMPARE(runProgram(folder.path(), [&](QWidget *) { loginShown = true; }), 1);
        QVERIFY(!loginShown);
        const QStringList shown = m_dialogs.takeMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().startsWith(message), qPrintable(shown.first()));
    }

    void aSecondProgramOnTheFolderIsRefused()
    {
        TestFolder folder(false);
        InstanceLock first(folder.path());
        QCOMPARE(first.acquire(), InstanceLock::Result::Acquired);
        bool loginShown = false;
        QCOMPARE(runProgram(folder.path(), [&](QWidget *) { loginShown = true; }), 1);
        QVERIFY(!loginShown);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{Startup::kAlreadyRunning});
    }

    // A restore killed after table.mdb was moved aside: the start puts it
    // back before looking for the data files, says so, and goes on.
    void anInterruptedRestoreIsUndoneAtStart()
    {
        TestFolder folder(false);
        const DataFiles f = folder.files();
        QVERIFY(QFile::rename(f.liveDatabase(), f.liveRollback()));
        bool loginShown = false;
        QCOMPARE(runProgram(folder.path(),
                            [&](QWidget *login) {
                                loginShown = true;
                                QTest::mouseClick(control<QPushButton>(*login, "Command2"),
                                                  Qt::LeftButton);
                            }),
                 0);
        QVERIFY(loginShown);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{InterruptedRun::kRestoreUndone});
        QVERIFY(QFile::exists(f.liveDatabase()));
        QVERIFY(!QFile::exists(f.liveRollback()));
    }

    void logInSetTheModeAndExit()
    {
        TestFolder folder(false);
        QWidget *mainWindow = nullptr;
        bool settingsSeen = false;
        const int code = runProgram(folder.path(), [&](QWidget *login) {
            QTest::keyClicks(control<QLineEdit>(*login, "Text1"), QStringLiteral("admin"));
            QTest::keyClicks(control<QLineEdit>(*login, "Text2"), QStringLiteral("123456"));
            // The first activation opens the settings screen modally: set the
            // mode there, close it, then leave by the exit menu item.
            later(50, [&] {
                QWidget *settings = QApplication::activeModalWidget();
                QVERIFY(settings);
                QCOMPARE(settings->objectName(), QStringLiteral("shezhi"));
                settingsSeen = true;
                QTest::mouseClick(control<QRadioButton>(*settings, "Option1"), Qt::LeftButton);
                QTest::keyClicks(control<QLineEdit>(*settings, "Text1"), QStringLiteral("10"));
                QTest::mouseClick(control<QPushButton>(*settings, "Command1"), Qt::LeftButton);
                QTest::mouseClick(control<QPushButton>(*settings, "Command2"), Qt::LeftButton);
                later(50, [&] {
                    for (QWidget *w : QApplication::topLevelWidgets())
                        if (w->objectName() == QLatin1String("zhuchengxu") && w->isVisible())
                            mainWindow = w;
                    QVERIFY(mainWindow);
                    mainWindow->findChild<QAction *>(QStringLiteral("退出"))->trigger();
                });
            });
            QTest::mouseClick(control<QPushButton>(*login, "Command1"), Qt::LeftButton);
        });
        QCOMPARE(code, 0);
        QVERIFY(settingsSeen);
        QVERIFY(mainWindow);
        QCOMPARE(m_dialogs.takeMessages(),
                 (QStringList{QStringLiteral("还未设置提成，请设置提成类型数据！"),
                              QStringLiteral("模式设置完成！")}));
        Database store(folder.files().liveDatabase());
        QVERIFY(store.open());
        QCOMPARE(CommissionTable(store).load()->fixedYuan, 10);
        store.close();
        // A generation at the day's first start and one at the exit; the
        // next start deletes the first, and the exit's, holding the setting,
        // stands for the day.
        QCOMPARE(m_dialogs.takeTasks(), QStringList(2, QStringLiteral("自动备份")));
        const QDir autos(AutoBackups::folderOf(folder.files()));
        QCOMPARE(autos.entryList({QStringLiteral("*-auto*.mdb")}).size(), 2);
        QCOMPARE(runProgram(folder.path(),
                            [](QWidget *login) {
                                QTest::mouseClick(control<QPushButton>(*login, "Command2"),
                                                  Qt::LeftButton);
                            }),
                 0);
        const QStringList kept = autos.entryList({QStringLiteral("*-auto*.mdb")});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(restingBytesOf(autos.filePath(kept.first())),
                 restingBytesOf(folder.files().liveDatabase()));
    }

    // The first start of a day checks the data fully in the background and
    // warns of damage the quick checks miss; a later start that day does
    // not check again. Leaving from the login screen takes no generation.
    void dailyCheckWarnsOnce()
    {
        TestFolder folder;
        addMembers(folder.store(), 3000);
        folder.store().close();
        QVERIFY(damageAnIndexEntry(folder.files().liveDatabase(), 42));
        for (int start = 1; start <= 2; ++start) {
            const int code = runProgram(folder.path(), [](QWidget *login) {
                QTest::mouseClick(control<QPushButton>(*login, "Command2"), Qt::LeftButton);
            });
            QCOMPARE(code, 0);
            const QStringList shown = m_dialogs.takeMessages();
            QCOMPARE(m_dialogs.takeTasks().size(), start == 1 ? 1 : 0);
            QCOMPARE(shown.size(), start == 1 ? 1 : 0);
            if (start == 1)
                QVERIFY2(shown.first().startsWith(DailyCheck::kDamaged), qPrintable(shown.first()));
        }
    }

    // Qt's own dialogs and buttons speak Chinese.
    void qtTextsInChinese_data()
    {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");
        QTest::newRow("file dialog") << QStringLiteral("QFileDialog") << QStringLiteral("Look in:")
                                     << QStringLiteral("查找范围：");
        QTest::newRow("cancel button") << QStringLiteral("QPlatformTheme")
                                       << QStringLiteral("Cancel") << QStringLiteral("取消");
    }
    void qtTextsInChinese()
    {
        QFETCH(QString, context);
        QFETCH(QString, english);
        QFETCH(QString, chinese);
        QVERIFY(loadQtTranslation());
        QCOMPARE(QCoreApplication::translate(context.toLatin1().constData(),
                                             english.toLatin1().constData()),
                 chinese);
    }

    // A file choice starts in the home folder, then where the last one was
    // made; a cancelled choice changes nothing.
    void fileChoicesStartWhereTheLastEnded()
    {
        QTemporaryDir elsewhere;
        QCOMPARE(Dialogs::startFolder(), QDir::homePath());
        m_dialogs.choose(elsewhere.filePath(QStringLiteral("备份.mdb")));
        Dialogs::chooseFile(nullptr, QStringLiteral("从文件还原"));
        QCOMPARE(Dialogs::startFolder(), elsewhere.path());
        m_dialogs.choose(QString());
        Dialogs::chooseFolder(nullptr, QStringLiteral("另存备份"));
        QCOMPARE(Dialogs::startFolder(), elsewhere.path());
        m_dialogs.choose(QDir::tempPath());
        Dialogs::chooseFolder(nullptr, QStringLiteral("另存备份"));
        QCOMPARE(Dialogs::startFolder(), QDir::tempPath());
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
