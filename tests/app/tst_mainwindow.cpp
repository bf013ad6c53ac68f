// The main window: toolbar dispatch, menus, status bar, and the activation
// routine that insists on a commission setting.
#include "program/LoginDialog.h"
#include "program/MainWindow.h"
#include "program/Screens.h"
#include "rules/admins/AdminRules.h"
#include "rules/backup/VerifiedCopy.h"
#include "screens/AboutDialog.h"
#include "store/AdminTable.h"
#include "store/CommissionTable.h"
#include "support/Controls.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

    // The objectNames of the screens an action opens, with their titles when
    // asked; each must be modal.
    static QStringList screensOpened(const std::function<void(MainWindow &)> &act,
                                     bool withTitle = false)
    {
        ProgramFolder folder;
        folder.setCommission(10, 0);
        folder.setSession(QStringLiteral("admin"), QStringLiteral("123456"));
        MainWindow window(folder.context());
        QStringList opened;
        window.setScreenRunner([&](QDialog &d) {
            opened << d.objectName() +
                          (withTitle ? QLatin1Char(' ') + d.windowTitle() : QString()) +
                          (d.isModal() ? QString() : QStringLiteral(" (not modal)"));
        });
        act(window);
        return opened;
    }

private Q_SLOTS:
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void asksForTheCommissionUntilOneIsStored()
    {
        ProgramFolder folder;
        folder.setSession(QStringLiteral("admin"), QStringLiteral("123456"));
        MainWindow window(folder.context());
        int shown = 0;
        window.setScreenRunner([&](QDialog &d) {
            QCOMPARE(d.objectName(), QStringLiteral("shezhi"));
            if (++shown == 3) // closed twice without saving, then saved
                folder.setCommission(10, 0);
        });
        window.activate();
        QCOMPARE(shown, 3);
        QCOMPARE(m_dialogs.takeMessages(),
                 QStringList(3, QStringLiteral("还未设置提成，请设置提成类型数据！")));
        window.activate(); // a setting exists: nothing more
    }

    // When the setting cannot be written (a read-only or full disk) the
    // operator must not be sent round the message and the settings screen
    // for ever: the main window, and its exit, must become usable.
    void stopsAskingWhenTheSettingCannotBeWritten()
    {
        ProgramFolder folder;
        folder.store().exec(QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON 提成基数 "
                                           "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        folder.setSession(QStringLiteral("admin"), QStringLiteral("123456"));
        MainWindow window(folder.context());
        int shown = 0;
        window.setScreenRunner([&](QDialog &d) {
            if (++shown > 3) { // the loop did not stop: end it so the test can fail
                folder.context().requestEnd(0);
                return;
            }
            QTest::mouseClick(d.findChild<QWidget *>(QStringLiteral("Option1")), Qt::LeftButton);
            QTest::keyClicks(d.findChild<QWidget *>(QStringLiteral("Text1")), QStringLiteral("10"));
            QTest::mouseClick(d.findChild<QWidget *>(QStringLiteral("Command1")), Qt::LeftButton);
        });
        window.activate();
        QCOMPARE(shown, 1);
        const QList<Dialogs::Message> shownMessages = m_dialogs.takeMessageDetails();
        QCOMPARE(shownMessages.size(), 2);
        QCOMPARE(shownMessages[0].text, QStringLiteral("还未设置提成，请设置提成类型数据！"));
        QCOMPARE(shownMessages[1].icon, Dialogs::Icon::Error);
        QVERIFY(!CommissionTable(folder.store()).isSet());

        // The next activation asks again.
        folder.store().exec(QStringLiteral("DROP TRIGGER fail"));
        window.activate();
        QCOMPARE(shown, 2);
        QCOMPARE(m_dialogs.takeMessages(),
                 (QStringList{QStringLiteral("还未设置提成，请设置提成类型数据！"),
                              QStringLiteral("模式设置完成！")}));
        QCOMPARE(CommissionTable(folder.store()).load()->fixedYuan, qint64(10));
    }

    void reopensAClosedConnection()
    {
        ProgramFolder folder;
        folder.setCommission(10, 0);
        MainWindow window(folder.context());
        folder.store().close();
        window.activate();
        QVERIFY(folder.store().isOpen());
    }

    void toolbarDispatchesOnExactCaptions_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("screen"); // objectName; empty: nothing opens
        QTest::newRow("about") << QStringLiteral("关于") << QStringLiteral("guanyu");
        QTest::newRow("settings") << QStringLiteral("设置") << QStringLiteral("shezhi");
        QTest::newRow("register") << QStringLiteral("    登 记    ") << QStringLiteral("msignin");
        QTest::newRow("search") << QStringLiteral("查询") << QStringLiteral("msearch");
        QTest::newRow("consume") << QStringLiteral("消费") << QStringLiteral("xiaofei");
        QTest::newRow("recharge") << QStringLiteral("充值") << QStringLiteral("chongzhi");
        QTest::newRow("trimmed register caption") << QStringLiteral("登 记") << QString();
        QTest::newRow("unknown") << QStringLiteral("帮助") << QString();
    }
    void toolbarDispatchesOnExactCaptions()
    {
        QFETCH(QString, caption);
        QFETCH(QString, screen);
        const QStringList opened =
            screensOpened([&caption](MainWindow &window) { window.dispatchToolbar(caption); });
        QCOMPARE(opened, screen.isEmpty() ? QStringList() : QStringList{screen});
    }

    void toolbarHasSevenButtonsInOrder()
    {
        ProgramFolder folder;
        MainWindow window(folder.context());
        QStringList captions;
        for (int i = 1; i <= 7; ++i) {
            auto *a = window.findChild<QAction *>(QStringLiteral("Button%1").arg(i));
            QVERIFY(a);
            QVERIFY(!a->icon().pixmap(32).isNull()); // compiled in, not read from disk
            captions << a->text();
        }
        QCOMPARE(captions, (QStringList{QStringLiteral("    登 记    "), QStringLiteral("查询"),
                                        QStringLiteral("消费"), QStringLiteral("充值"),
                                        QStringLiteral("设置"), QStringLiteral("关于"),
                                        QStringLiteral("退出")}));
    }

    // Every menu entry by its objectName, the screen it opens and that
    // screen's title: the one table of the names the outside knows.
    void menuEntriesOpenTheirScreens_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("opened"); // objectName and title
        const char *const rows[][3] = {
            {"管理员登记", "sregedit", "管理员注册"},
            {"管理员查询", "ssearch", "管理员查询"},
            {"数据库备份还原", "backup", "数据库备份还原"},
            {"会员资料导出", "daochu", "会员数据导出"},
            {"会员登记", "msignin", "会员登记界面"},
            {"会员查询", "msearch", "会员查询系统"},
            {"消费登记", "xiaofei", "消费登记"},
            {"消费充值", "chongzhi", "充值系统"},
            {"会员流水", "liushui", "会员流水"},
            {"对账", "duizhang", "对账"},
            {"操作日志", "rizhi", "操作日志"},
            {"设置", "shezhi", "抽成模式设置"},
            {"关于", "guanyu", "关于----Pellomar"},
            {"推荐人报表", "tuijianbaobiao", "推荐人报表"},
            {"推荐排行", "tuijianpaihang", "推荐排行"},
            {"日结", "rijie", "日结"},
            {"打印设置", "dayinshezhi", "打印设置"},
            // The report buttons, on the second toolbar.
            {"Button8", "tuijianbaobiao", "推荐人报表"},
            {"Button9", "tuijianpaihang", "推荐排行"},
            {"Button10", "rijie", "日结"},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString::fromUtf8(row[0])
                                  << QString::fromUtf8(row[1]) + QLatin1Char(' ') +
                                         QString::fromUtf8(row[2]);
    }
    void menuEntriesOpenTheirScreens()
    {
        QFETCH(QString, entry);
        QFETCH(QString, opened);
        const QStringList screens = screensOpened(
            [&entry](MainWindow &window) {
                auto *action = window.findChild<QAction *>(entry);
                QVERIFY2(action, qPrintable(entry));
                action->trigger();
            },
            true);
        QCOMPARE(screens, QStringList{opened});
    }

    void exitClosesTheConnectionAndEnds()
    {
        ProgramFolder folder;
        MainWindow window(folder.context());
        window.dispatchToolbar(QStringLiteral("退出"));
        QCOMPARE(folder.endRequests(), 1);
        QVERIFY(!folder.store().isOpen());
        window.activate(); // nothing happens once the program is ending
        QCOMPARE(folder.endRequests(), 1);
    }

    // While admin keeps 123456 a red notice stands in the status bar; its
    // button opens 修改资料 for admin, and once changed the notice goes.
    void deliveredPasswordNotice()
    {
        ProgramFolder folder;
        folder.setCommission(10, 0);
        folder.setSession(QStringLiteral("admin"), QStringLiteral("123456"));
        MainWindow window(folder.context());
        window.show();
        auto *notice = window.findChild<QWidget *>(QStringLiteral("mimatishi"));
        QVERIFY(notice->isVisible());
        QCOMPARE(notice->findChild<QLabel *>()->text(), AdminRules::kDeliveredPasswordNotice);

        QStringList opened;
        window.setScreenRunner([&](QDialog &d) {
            opened << d.objectName() + (d.isModal() ? QString() : QStringLiteral(" (not modal)"));
            if (opened.size() == 1) // closed without a change
                return;
            d.findChild<QLineEdit *>(QStringLiteral("Text5"))->setText(QStringLiteral("123456"));
            for (const char *box : {"Text2", "Text3"})
                d.findChild<QLineEdit *>(QString::fromLatin1(box))->setText(QStringLiteral("n3w"));
            d.findChild<QCheckBox *>(QStringLiteral("Check1"))->setChecked(true);
            QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("Command1")),
                              Qt::LeftButton);
        });
        auto *change = notice->findChild<QPushButton *>(QStringLiteral("xiugaimima"));
        QTest::mouseClick(change, Qt::LeftButton);
        QVERIFY(notice->isVisible());
        QTest::mouseClick(change, Qt::LeftButton);
        QCOMPARE(opened, QStringList(2, QStringLiteral("smodify")));
        QCOMPARE(m_dialogs.takeMessages().size(), 1); // the modify's own success message
        QVERIFY(!notice->isVisible());

        // Another start with the changed password shows no notice.
        MainWindow again(folder.context());
        again.show();
        QVERIFY(!again.findChild<QWidget *>(QStringLiteral("mimatishi"))->isVisible());
    }

    // The sizes an account gives the main window and a screen come back at
    // its next start; another account keeps its own.
    void windowSizesAreKeptPerAccount()
    {
        ProgramFolder folder;
        folder.setCommission(10, 0);
        const auto sizes = [&](const QString &account, const QSize &resizeTo) {
            // Each start on the same data: the store open again, no end asked.
            folder.store().reopenIfClosed();
            folder.store().setOperatorName(account);
            folder.context().end = ProgramEnd([](int) {});
            MainWindow window(folder.context());
            QList<QSize> seen{window.size()};
            window.setScreenRunner([&](QDialog &d) {
                seen << d.size();
                if (resizeTo.isValid())
                    d.resize(resizeTo);
            });
            window.openScreen(Screen::Reconcile);
            if (resizeTo.isValid())
                window.resize(resizeTo + QSize(100, 100));
            window.exitProgram();
            return seen;
        };
        const QList<QSize> first = sizes(QStringLiteral("clerk"), QSize(901, 641));
        QCOMPARE(sizes(QStringLiteral("clerk"), QSize()),
                 (QList<QSize>{QSize(1001, 741), QSize(901, 641)}));
        QCOMPARE(sizes(QStringLiteral("owner"), QSize()), first);
    }

    // The main window can be resized; the grid of each screen opened from it
    // grows with its window, in both directions.
    void windowsGrow_data()
    {
        QTest::addColumn<int>("screen"); // -1: the main window itself
        QTest::addColumn<QString>("grid");
        QTest::newRow("main window") << -1 << QString();
        QTest::newRow("member search") << int(Screen::MemberSearch) << "MSHFlexGrid1";
        QTest::newRow("administrators") << int(Screen::AdminList) << "MSHFlexGrid1";
        QTest::newRow("backups") << int(Screen::Backup) << "generationList";
        QTest::newRow("statement") << int(Screen::Statement) << "Grid1";
        QTest::newRow("reconciliation") << int(Screen::Reconcile) << "Grid1";
        QTest::newRow("audit log") << int(Screen::AuditLog) << "Grid1";
    }
    void windowsGrow()
    {
        QFETCH(int, screen);
        QFETCH(QString, grid);
        ProgramFolder folder;
        folder.setCommission(10, 0);
        folder.setSession(QStringLiteral("admin"), QStringLiteral("123456"));
        MainWindow window(folder.context());
        QSize grown;
        const auto grow = [&grown](QWidget &w, QWidget *inner) {
            w.show();
            const QSize before = inner->size();
            w.resize(w.size() + QSize(300, 200));
            QCoreApplication::processEvents();
            grown = inner->size() - before;
        };
        window.setScreenRunner([&](QDialog &d) { grow(d, control<QWidget>(d, qPrintable(grid))); });
        if (screen < 0)
            grow(window, window.centralWidget());
        else
            window.openScreen(Screen(screen));
        QCOMPARE(grown, QSize(300, 200));
    }

    void statusBarAndTitle()
    {
        ProgramFolder folder;
        folder.setSession(QStringLiteral("Lee"), QStringLiteral("x"));
        MainWindow window(folder.context());
        QCOMPARE(window.windowTitle(), QStringLiteral("Pellomar会员系统-support@pellomar.example"));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("Panel2"))->text(),
                 QStringLiteral("当前操作管理员：Lee"));
        QCOMPARE(MainWindow::clockText(QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3))),
                 QStringLiteral("当前时间：  2026/12/7  09:05:03"));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("Label1"))->font().pointSize(), 60);
    }

    // Every place that names the program's version names the one given to
    // project() (passed to this test by CMake), in its own words around it.
    void oneVersionEverywhere_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("shown");
        const QString version = QStringLiteral(PELLOMAR_PROJECT_VERSION);
        QTest::newRow("login title")
            << QStringLiteral("login") << QStringLiteral("Pellomar会员系统登陆界面 Ver ") + version;
        QTest::newRow("status bar")
            << QStringLiteral("status") << QStringLiteral("当前版本：Ver ") + version;
        QTest::newRow("about") << QStringLiteral("about")
                               << QStringLiteral("Pellomar会员系统 Ver ") + version;
        QTest::newRow("backup manifest") << QStringLiteral("manifest") << version;
    }
    void oneVersionEverywhere()
    {
        QFETCH(QString, place);
        QFETCH(QString, shown);
        ProgramFolder folder;
        folder.setSession(QStringLiteral("admin"), QStringLiteral("123456"));
        QString text;
        if (place == QLatin1String("login")) {
            text = LoginDialog(folder.context()).windowTitle();
        } else if (place == QLatin1String("status")) {
            MainWindow window(folder.context());
            text = window.findChild<QLabel *>(QStringLiteral("Panel4"))->text();
        } else if (place == QLatin1String("about")) {
            AboutDialog about;
            text = about.findChild<QLabel *>(QStringLiteral("Label2"))->text();
        } else {
            text = VerifiedCopy::kProgramVersion;
        }
        QCOMPARE(text, shown);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
