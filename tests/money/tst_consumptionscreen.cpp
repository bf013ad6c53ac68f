// The xiaofei screen: activation, the cash hint, key filters, the result
// text, what is kept and emptied, focus, and closing on a bad setting.
#include "base/NumberText.h"
#include "rules/money/Commission.h"
#include "rules/money/Consumption.h"
#include "screens/money/ConsumptionDialog.h"
#include "store/CashLog.h"
#include "support/Controls.h"
#include "support/Members.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace Consumption;

class TestConsumptionScreen : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

    static void press(ConsumptionDialog &d) { control<QPushButton>(d, "Command1")->click(); }

private Q_SLOTS:
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void closesWithoutASetting()
    {
        TestFolder folder;
        ConsumptionDialog dialog(folder.store());
        // As the main window runs it: exec() must return, not wait on a
        // window that closed while it was being shown.
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(m_dialogs.takeMessages(), QStringList{Commission::kNotSet});
        QVERIFY(!dialog.isVisible());
    }

    void opensOnBalancePaymentAndHintsAtCash()
    {
        TestFolder folder;
        folder.setCommission(10, 0);
        ConsumptionDialog dialog(folder.store());
        QVERIFY(showActive(dialog));
        auto *combo = control<QComboBox>(dialog, "Combo1");
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(0), kCash);
        QCOMPARE(combo->currentText(), kBalance);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Up);
        QCOMPARE(combo->currentText(), kCash);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{kCashHint});
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentText(), kBalance);
        QCOMPARE(m_dialogs.takeMessages(), QStringList());
    }

    // Typed keys: what each box keeps, and the reason the box shows for the
    // last key it did not take (none once a later key was taken).
    void keyFiltersAndLimits_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("why");
        using P = NumberText::AmountProblem;
        const auto why = [](P p) { return NumberText::amountProblemText(p); };
        const QString text5 = QStringLiteral("Text5");
        QTest::newRow("name, 10 at most")
            << QStringLiteral("Text1") << QStringLiteral("a'b c-12345")
            << QStringLiteral("a'b c-1234") << QString();
        QTest::newRow("phone digits") << QStringLiteral("Text2") << QStringLiteral("138x-00 1")
                                      << QStringLiteral("138001") << QString();
        QTest::newRow("phone, a twelfth digit")
            << QStringLiteral("Text2") << QStringLiteral("138000000012")
            << QStringLiteral("13800000001") << QStringLiteral("最多输入 11 位");
        QTest::newRow("phone, a letter last")
            << QStringLiteral("Text2") << QStringLiteral("13a") << QStringLiteral("13")
            << QStringLiteral("只能输入数字");
        QTest::newRow("amount with jiao and fen")
            << text5 << QStringLiteral("100.50") << QStringLiteral("100.50") << QString();
        QTest::newRow("amount, third decimal") << text5 << QStringLiteral("-1.2e345678901")
                                               << QStringLiteral("1.23") << why(P::TooManyDecimals);
        QTest::newRow("amount, eighth whole digit")
            << text5 << QStringLiteral("12345678") << QStringLiteral("1234567") << why(P::TooLarge);
        QTest::newRow("amount, largest") << text5 << QStringLiteral("9999999.999")
                                         << QStringLiteral("9999999.99") << why(P::TooManyDecimals);
        QTest::newRow("amount, second point")
            << text5 << QStringLiteral("1..") << QStringLiteral("1.") << why(P::NotNumber);
        QTest::newRow("amount, point first")
            << text5 << QStringLiteral(".5") << QStringLiteral(".5") << QString();
    }
    void keyFiltersAndLimits()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(QString, why);
        TestFolder folder;
        folder.setCommission(10, 0);
        ConsumptionDialog dialog(folder.store());
        dialog.show();
        auto *edit = dialog.findChild<QLineEdit *>(box);
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), kept);
        QCOMPARE(edit->toolTip(), why);
    }

    // A cashier types a price with jiao: it is charged as typed, not a
    // hundred times over.
    void typedJiaoAreChargedAsTyped()
    {
        TestFolder folder;
        folder.setCommission(0, 5);
        addMember(folder.store(), QStringLiteral("X"), QStringLiteral("13800000001"));
        const qint64 lily =
            addMember(folder.store(), QStringLiteral("Lily"), QStringLiteral("13800000002"),
                      QStringLiteral("X"), {}, yuan("200"));
        ConsumptionDialog dialog(folder.store());
        QVERIFY(showActive(dialog));
        QTest::keyClicks(control<QLineEdit>(dialog, "Text1"), QStringLiteral("Lily"));
        QTest::keyClicks(control<QLineEdit>(dialog, "Text5"), QStringLiteral("100.50"));
        QTest::keyClick(control<QLineEdit>(dialog, "Text5"), Qt::Key_Return);
        QCOMPARE(control<QLabel>(dialog, "Label4")->text(),
                 QStringLiteral("操作完成\n消费 100.5元，余额 99.5元\n推荐人 X 获得提成 5.03 元"));
        QCOMPARE(memberAt(folder.store(), lily).consumed, Money::fromFen(10050));
    }

    void balancePaymentShowsTheResultAndKeepsTheMember()
    {
        TestFolder folder;
        folder.setCommission(0, 5);
        const qint64 x =
            addMember(folder.store(), QStringLiteral("X"), QStringLiteral("13800000001"));
        const qint64 lily =
            addMember(folder.store(), QStringLiteral("Lily"), QStringLiteral("13800000002"),
                      QStringLiteral("X"), {}, yuan("100.1"));
        ConsumptionDialog dialog(folder.store());
        dialog.show();
        QTest::keyClicks(control<QLineEdit>(dialog, "Text1"), QStringLiteral("Lily"));
        QTest::keyClicks(control<QLineEdit>(dialog, "Text5"), QStringLiteral("30"));
        press(dialog);
        QCOMPARE(control<QLabel>(dialog, "Label4")->text(),
                 QStringLiteral("操作完成\n消费 30元，余额 70.1元\n推荐人 X 获得提成 1.5 元"));
        QCOMPARE(control<QLineEdit>(dialog, "Text5")->text(), QString());
        QCOMPARE(control<QLineEdit>(dialog, "Text1")->text(), QStringLiteral("Lily"));
        QCOMPARE(control<QComboBox>(dialog, "Combo1")->currentText(), kBalance);
        QCOMPARE(memberAt(folder.store(), lily).balance.toString(), QStringLiteral("70.1"));
        QCOMPARE(memberAt(folder.store(), x).balance.toString(), QStringLiteral("1.5"));

        // A refusal leaves the last result in place.
        QTest::keyClicks(control<QLineEdit>(dialog, "Text5"), QStringLiteral("71"));
        press(dialog);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{kInsufficient});
        QCOMPARE(control<QLabel>(dialog, "Label4")->text(),
                 QStringLiteral("操作完成\n消费 30元，余额 70.1元\n推荐人 X 获得提成 1.5 元"));
        QCOMPARE(control<QLineEdit>(dialog, "Text5")->text(), QStringLiteral("71"));
    }

    void cashPaymentResult()
    {
        TestFolder folder;
        folder.setCommission(10, 0);
        addMember(folder.store(), QStringLiteral("Dan"), QStringLiteral("13800000003"), {}, {},
                  yuan("5"));
        ConsumptionDialog dialog(folder.store());
        dialog.show();
        control<QComboBox>(dialog, "Combo1")->setCurrentIndex(0);
        QTest::keyClicks(control<QLineEdit>(dialog, "Text2"), QStringLiteral("13800000003"));
        QTest::keyClicks(control<QLineEdit>(dialog, "Text5"), QStringLiteral("20"));
        press(dialog);
        QCOMPARE(control<QLabel>(dialog, "Label4")->text(),
                 QStringLiteral("操作完成，现金消费：20元"));
        QCOMPARE(CashLog(folder.store()).count(), 1);
    }

    void badPhoneMovesFocusToThePhone()
    {
        TestFolder folder;
        folder.setCommission(10, 0);
        ConsumptionDialog dialog(folder.store());
        QVERIFY(showActive(dialog));
        QTest::keyClicks(control<QLineEdit>(dialog, "Text1"), QStringLiteral("Lily"));
        QTest::keyClicks(control<QLineEdit>(dialog, "Text2"), QStringLiteral("1380000000"));
        QTest::keyClicks(control<QLineEdit>(dialog, "Text5"), QStringLiteral("5"));
        control<QLineEdit>(dialog, "Text5")->setFocus();
        press(dialog);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{kBadPhone});
        QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(dialog, "Text2"));
    }

    void unrecordedCashAnsweredNoEmptiesTheAmount()
    {
        TestFolder folder;
        folder.setCommission(10, 0);
        addMember(folder.store(), QString(), QStringLiteral("13800000009"));
        ConsumptionDialog dialog(folder.store());
        QVERIFY(showActive(dialog));
        control<QComboBox>(dialog, "Combo1")->setCurrentIndex(0);
        QTest::keyClicks(control<QLineEdit>(dialog, "Text1"), QStringLiteral("  "));
        QTest::keyClicks(control<QLineEdit>(dialog, "Text5"), QStringLiteral("5"));
        m_dialogs.answer(QStringLiteral("no"));
        press(dialog);
        const QList<Dialogs::Input> asked = m_dialogs.takeInputs();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].prompt, kUnrecordedPrompt);
        QCOMPARE(asked[0].title, Dialogs::kAppTitle);
        QCOMPARE(control<QLineEdit>(dialog, "Text5")->text(), QString());
        QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(dialog, "Text1"));
        QCOMPARE(CashLog(folder.store()).count(), 0);
    }

    void badSettingClosesAtTheConfirmation()
    {
        TestFolder folder;
        folder.setCommission(0, 0);
        addMember(folder.store(), QStringLiteral("Lily"), QStringLiteral("13800000002"));
        ConsumptionDialog dialog(folder.store());
        dialog.show();
        QVERIFY(dialog.isVisible()); // a row exists, even a zero one
        QTest::keyClicks(control<QLineEdit>(dialog, "Text1"), QStringLiteral("Lily"));
        QTest::keyClicks(control<QLineEdit>(dialog, "Text5"), QStringLiteral("5"));
        press(dialog);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{Commission::kNoMode});
        QVERIFY(!dialog.isVisible());
        QCOMPARE(MemberTable(folder.store()).firstByName(QStringLiteral("Lily"))->consumptions, 0);
    }

    void databaseFailureIsNotShownAsDone()
    {
        TestFolder folder;
        folder.setCommission(10, 0);
        addMember(folder.store(), QStringLiteral("Lily"), QStringLiteral("13800000002"), {}, {},
                  yuan("50"));
        ConsumptionDialog dialog(folder.store());
        dialog.show();
        QTest::keyClicks(control<QLineEdit>(dialog, "Text1"), QStringLiteral("Lily"));
        QTest::keyClicks(control<QLineEdit>(dialog, "Text5"), QStringLiteral("5"));
        folder.store().exec(QStringLiteral("CREATE TRIGGER fail BEFORE UPDATE ON 会员登记 "
                                           "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        press(dialog);
        const QList<Dialogs::Message> shown = m_dialogs.takeMessageDetails();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, Dialogs::Icon::Error);
        QVERIFY(shown[0].text.contains(QStringLiteral("disk full")));
        QCOMPARE(control<QLabel>(dialog, "Label4")->text(), QString());
        QCOMPARE(control<QLineEdit>(dialog, "Text5")->text(), QStringLiteral("5"));
    }
};

QTEST_MAIN(TestConsumptionScreen)
#include "tst_consumptionscreen.moc"
