// A cashier's keys: Enter confirms, arrows choose, Tab goes everywhere and
// leaves the grids, and the main window gets the focus back. Every key here
// is a real key event sent to the focused widget of an active window.
#include "program/MainWindow.h"
#include "rules/admins/AdminRules.h"
#include "rules/members/Registration.h"
#include "rules/money/Consumption.h"
#include "rules/money/Recharge.h"
#include "screens/admins/AdminRegistrationDialog.h"
#include "screens/members/MemberSearchDialog.h"
#include "screens/members/RegistrationDialog.h"
#include "screens/money/ConsumptionDialog.h"
#include "screens/money/RechargeDialog.h"
#include "screens/money/SettingsDialog.h"
#include "store/CommissionTable.h"
#include "support/Controls.h"
#include "support/Members.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <memory>

namespace {

enum class Kind { Registration, Consumption, Recharge, AdminRegistration, Settings };

std::unique_ptr<QDialog> open(Kind kind, Database &store)
{
    switch (kind) {
    case Kind::Registration:
        return std::make_unique<RegistrationDialog>(store);
    case Kind::Consumption:
        return std::make_unique<ConsumptionDialog>(store);
    case Kind::Recharge:
        return std::make_unique<RechargeDialog>(store);
    case Kind::AdminRegistration:
        return std::make_unique<AdminRegistrationDialog>(store);
    case Kind::Settings:
        return std::make_unique<SettingsDialog>(store);
    }
    return nullptr;
}

void press(Qt::Key key)
{
    QTest::keyClick(QApplication::focusWidget(), key);
}

QString focusName()
{
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

private Q_SLOTS:
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    // Enter in the first box runs the screen's main action, which refuses the
    // empty form with its first message.
    void enterConfirms_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("message");
        QTest::newRow("registration")
            << int(Kind::Registration) << QStringLiteral("Text1") << Registration::kNoName;
        QTest::newRow("consumption")
            << int(Kind::Consumption) << QStringLiteral("Text1") << Consumption::kNoAmount;
        QTest::newRow("recharge") << int(Kind::Recharge) << QStringLiteral("Text3")
                                  << Recharge::kNoKey;
        QTest::newRow("administrator registration")
            << int(Kind::AdminRegistration) << QStringLiteral("Text1")
            << AdminRules::kNotAcknowledged;
    }
    void enterConfirms()
    {
        QFETCH(int, kind);
        QFETCH(QString, box);
        QFETCH(QString, message);
        TestFolder folder;
        folder.setCommission(10, 0);
        const auto screen = open(Kind(kind), folder.store());
        QVERIFY(showActive(*screen));
        control<QLineEdit>(*screen, box.toLatin1().constData())->setFocus();
        press(Qt::Key_Return);
        const QStringList shown = m_dialogs.takeMessages();
        QCOMPARE(shown.value(0), message);
    }

    // A setting stored by a stray Enter could never be changed.
    void enterNeverStoresTheCommission()
    {
        TestFolder folder;
        SettingsDialog screen(folder.store());
        QVERIFY(showActive(screen));
        control<QRadioButton>(screen, "Option1")->setFocus();
        press(Qt::Key_Down); // chooses 消费比例提成
        control<QLineEdit>(screen, "Text2")->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("5"));
        press(Qt::Key_Return);
        QVERIFY(!CommissionTable(folder.store()).isSet());
        QVERIFY(screen.isVisible());
    }

    // Moving onto a radio button with an arrow chooses it, and Tab reaches
    // each of them.
    void arrowsChooseAndTabReaches_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("before"); // the box Tab starts from
        QTest::newRow("sex") << int(Kind::Registration) << QStringLiteral("Text1");
        QTest::newRow("commission mode") << int(Kind::Settings) << QString();
    }
    void arrowsChooseAndTabReaches()
    {
        QFETCH(int, kind);
        QFETCH(QString, before);
        TestFolder folder;
        const auto screen = open(Kind(kind), folder.store());
        QVERIFY(showActive(*screen));
        auto *first = control<QRadioButton>(*screen, "Option1");
        auto *second = control<QRadioButton>(*screen, "Option2");
        if (!before.isEmpty()) {
            control<QLineEdit>(*screen, before.toLatin1().constData())->setFocus();
            press(Qt::Key_Tab);
            QCOMPARE(focusName(), QStringLiteral("Option1"));
            press(Qt::Key_Tab);
            QCOMPARE(focusName(), QStringLiteral("Option2"));
        }
        first->setFocus();
        press(Qt::Key_Down);
        QCOMPARE(focusName(), QStringLiteral("Option2"));
        QVERIFY(second->isChecked());
        press(Qt::Key_Up);
        QCOMPARE(focusName(), QStringLiteral("Option1"));
        QVERIFY(first->isChecked());
        QVERIFY(!second->isChecked());
        if (!before.isEmpty()) { // with one chosen, Tab still reaches the other
            control<QLineEdit>(*screen, before.toLatin1().constData())->setFocus();
            press(Qt::Key_Tab);
            press(Qt::Key_Tab);
            QCOMPARE(focusName(), QStringLiteral("Option2"));
        }
    }

    // Tab into the member grid marks no member (modify and delete stay off);
    // Tab leaves the grid again.
    void tabCrossesTheMemberGrid()
    {
        ProgramFolder folder;
        folder.setSession(QStringLiteral("admin"), QStringLiteral("pw"));
        addMember(folder.store(), QStringLiteral("张三"), QStringLiteral("13800000001"));
        addMember(folder.store(), QStringLiteral("李四"), QStringLiteral("13800000002"));
        MemberSearchDialog screen(folder.store(), folder.session());
        QVERIFY(showActive(screen));
        QTest::mouseClick(control<QPushButton>(screen, "Command1"), Qt::LeftButton);
        m_dialogs.takeMessages();
        auto *grid = control<QTableView>(screen, "MSHFlexGrid1");
        grid->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), grid);
        QVERIFY(grid->selectionModel()->selectedRows().isEmpty());
        QVERIFY(!control<QPushButton>(screen, "Command2")->isEnabled());
        QVERIFY(!control<QPushButton>(screen, "Command4")->isEnabled());
        press(Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != grid);
        // Arrows inside the grid choose a member as a click does.
        grid->setFocus(Qt::TabFocusReason);
        press(Qt::Key_Down);
        QCOMPARE(control<QLineEdit>(screen, "Text5")->text(), QStringLiteral("李四"));
        press(Qt::Key_Up);
        QCOMPARE(control<QLineEdit>(screen, "Text5")->text(), QStringLiteral("张三"));
        QVERIFY(control<QPushButton>(screen, "Command4")->isEnabled());
    }

    // After a screen closes, also by itself, the main window is active again.
    void focusComesBackToTheMainWindow()
    {
        ProgramFolder folder;
        folder.setCommission(10, 0);
        MainWindow window(folder.context());
        QVERIFY(showActive(window));
        window.setScreenRunner([](QDialog &d) {
            QVERIFY(showActive(d));
            d.accept();
        });
        window.openScreen(Screen::Recharge);
        QTRY_VERIFY(window.isActiveWindow());
    }

    // A message box is never narrower than its title.
    void messageBoxesShowTheirTitle()
    {
        Dialogs::setScript(nullptr);
        const QString title = QStringLiteral("一个相当长的消息框标题，不能被截断");
        int width = 0;
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                width = box->width();
                box->accept();
            }
        });
        Dialogs::message(nullptr, QStringLiteral("好"), title);
        Dialogs::setScript(&m_dialogs);
        // The title bar also holds the window's icon and buttons: Qt's own
        // allowance of 50 pixels for them cut titles off.
        QVERIFY(width >= QFontMetrics(QApplication::font()).horizontalAdvance(title) + 100);
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
