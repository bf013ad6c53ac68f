// The cashier's day at the keyboard: function keys from the main window, Esc
// for the next customer, the cash hint once per login, and a member's
// consumption or recharge opened from the member search. Every key is a real
// key event sent to an active window.
#include "program/MainWindow.h"
#include "program/Screens.h"
#include "rules/money/Consumption.h"
#include "screens/members/MemberSearchDialog.h"
#include "screens/money/ConsumptionDialog.h"
#include "screens/money/RechargeDialog.h"
#include "store/MemberTable.h"
#include "support/Controls.h"
#include "support/Members.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <memory>

class TestCashierKeys : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

    static void typeInto(QWidget &screen, const char *box, const QString &text)
    {
        QTest::keyClicks(control<QLineEdit>(screen, box), text);
    }

private Q_SLOTS:
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void functionKeysOpenTheirScreens_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("menuEntry");
        QTest::newRow("F2") << int(Qt::Key_F2) << QStringLiteral("xiaofei")
                            << QStringLiteral("消费登记");
        QTest::newRow("F3") << int(Qt::Key_F3) << QStringLiteral("chongzhi")
                            << QStringLiteral("消费充值");
        QTest::newRow("F4") << int(Qt::Key_F4) << QStringLiteral("msearch")
                            << QStringLiteral("会员查询");
        QTest::newRow("F5") << int(Qt::Key_F5) << QStringLiteral("msignin")
                            << QStringLiteral("会员登记");
        QTest::newRow("F6") << int(Qt::Key_F6) << QStringLiteral("liushui")
                            << QStringLiteral("会员流水");
    }
    void functionKeysOpenTheirScreens()
    {
        QFETCH(int, key);
        QFETCH(QString, screen);
        QFETCH(QString, menuEntry);
        ProgramFolder folder;
        folder.setCommission(10, 0);
        folder.setSession(QStringLiteral("admin"), QStringLiteral("123456"));
        MainWindow window(folder.context());
        QStringList opened;
        window.setScreenRunner([&](QDialog &d) { opened << d.objectName(); });
        QVERIFY(showActive(window));
        QTest::keyClick(&window, Qt::Key(key));
        QCOMPARE(opened, QStringList{screen});
        // The menu shows the key beside its entry.
        QCOMPARE(window.findChild<QAction *>(menuEntry)->shortcut(), QKeySequence(key));
    }

    // The first Esc empties a filled form and keeps the screen; the payment
    // kind stays as chosen. The next Esc closes.
    void escapeClearsThenCloses_data()
    {
        QTest::addColumn<bool>("consumption");
        QTest::newRow("consumption") << true;
        QTest::newRow("recharge") << false;
    }
    void escapeClearsThenCloses()
    {
        QFETCH(bool, consumption);
        TestFolder folder;
        folder.setCommission(10, 0);
        std::unique_ptr<QDialog> screen;
        if (consumption)
            screen = std::make_unique<ConsumptionDialog>(folder.store());
        else
            screen = std::make_unique<RechargeDialog>(folder.store());
        const char *amountBox = consumption ? "Text5" : "Text3";
        const char *resultLabel = consumption ? "Label4" : "Label6";
        QVERIFY(showActive(*screen));
        if (consumption) {
            auto *payment = control<QComboBox>(*screen, "Combo1");
            payment->setFocus();
            QTest::keyClick(payment, Qt::Key_Up); // 现金
            QCOMPARE(m_dialogs.takeMessages(), QStringList{Consumption::kCashHint});
        }
        control<QLabel>(*screen, resultLabel)->setText(QStringLiteral("上一位顾客"));
        typeInto(*screen, "Text1", QStringLiteral("Lily"));
        typeInto(*screen, "Text2", QStringLiteral("13800000001"));
        typeInto(*screen, amountBox, QStringLiteral("12.5"));

        QTest::keyClick(control<QLineEdit>(*screen, amountBox), Qt::Key_Escape);
        QVERIFY(screen->isVisible());
        for (const char *box : {"Text1", "Text2", amountBox})
            QCOMPARE(control<QLineEdit>(*screen, box)->text(), QString());
        QCOMPARE(control<QLabel>(*screen, resultLabel)->text(), QString());
        QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(*screen, "Text1"));
        if (consumption)
            QCOMPARE(control<QComboBox>(*screen, "Combo1")->currentText(), Consumption::kCash);

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!screen->isVisible());
    }

    // The long hint comes the first time cash is chosen after a login; the
    // short label beside the choice says it whenever cash is chosen.
    void cashHintOncePerLogin()
    {
        TestFolder folder;
        folder.setCommission(10, 0);
        Session session{QStringLiteral("clerk"), QStringLiteral("pw")};
        const auto chooseCash = [&](int expectedHints) {
            ConsumptionDialog screen(folder.store(), nullptr, &session);
            QVERIFY(showActive(screen));
            QVERIFY(!control<QLabel>(screen, "Label5")->isVisible());
            auto *payment = control<QComboBox>(screen, "Combo1");
            payment->setFocus();
            QTest::keyClick(payment, Qt::Key_Up);
            QTest::keyClick(payment, Qt::Key_Down);
            QTest::keyClick(payment, Qt::Key_Up);
            QVERIFY(control<QLabel>(screen, "Label5")->isVisible());
            QCOMPARE(m_dialogs.takeMessages(), QStringList(expectedHints, Consumption::kCashHint));
        };
        chooseCash(1);
        chooseCash(0);
        session = Session{QStringLiteral("clerk"), QStringLiteral("pw")}; // logged in again
        chooseCash(1);
    }

    // From the member search, 消费 and 充值 open their screens with the chosen
    // member's name and phone filled in and the cursor on the amount.
    void searchOpensTheMembersConsumptionAndRecharge_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("amountBox");
        QTest::newRow("消费") << QStringLiteral("xiaofei") << QStringLiteral("xiaofei")
                              << QStringLiteral("Text5");
        QTest::newRow("充值") << QStringLiteral("chongzhi") << QStringLiteral("chongzhi")
                              << QStringLiteral("Text3");
    }
    void searchOpensTheMembersConsumptionAndRecharge()
    {
        QFETCH(QString, button);
        QFETCH(QString, screen);
        QFETCH(QString, amountBox);
        ProgramFolder folder;
        folder.setCommission(10, 0);
        folder.setSession(QStringLiteral("clerk"), QStringLiteral("pw"));
        addMember(folder.store(), QStringLiteral("Lily"), QStringLiteral("13800000001"));
        addMember(folder.store(), QStringLiteral("Dan"), QStringLiteral("13800000002"));
        std::unique_ptr<QDialog> search(
            createScreen(Screen::MemberSearch, folder.context(), nullptr));
        QVERIFY(showActive(*search));
        QPushButton *open = search->findChild<QPushButton *>(button);
        QVERIFY(open);

        QTest::mouseClick(open, Qt::LeftButton); // nobody chosen yet
        QCOMPARE(m_dialogs.takeMessages(), QStringList{MemberSearchDialog::kNoMemberSelected});

        QTest::mouseClick(control<QPushButton>(*search, "Command1"), Qt::LeftButton);
        clickCell(control<QTableView>(*search, "MSHFlexGrid1"), 1, 1); // Dan
        QStringList seen;
        QTimer::singleShot(0, [&] {
            QWidget *shown = QApplication::activeModalWidget();
            if (!shown)
                return;
            seen << shown->objectName() << control<QLineEdit>(*shown, "Text1")->text()
                 << control<QLineEdit>(*shown, "Text2")->text()
                 << (shown->focusWidget() ? shown->focusWidget()->objectName() : QString());
            shown->close();
        });
        QTest::mouseClick(open, Qt::LeftButton);
        QCOMPARE(seen, (QStringList{screen, QStringLiteral("Dan"), QStringLiteral("13800000002"),
                                    amountBox}));
    }
};

QTEST_MAIN(TestCashierKeys)
#include "tst_cashierkeys.moc"
