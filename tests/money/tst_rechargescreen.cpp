// The chongzhi screen: activation, the offset-mode state machine of Check1
// and Text3, focus after a failed lookup, and Label6.
#include "base/NumberText.h"
#include "rules/money/Recharge.h"
#include "screens/money/RechargeDialog.h"
#include "support/Controls.h"
#include "support/FixedClock.h"
#include "support/Members.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace Recharge;

class TestRechargeScreen : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;
    FixedClock m_clock{QDateTime(QDate(2026, 3, 4), QTime(8, 0))};

    static QLineEdit *amount(RechargeDialog &d) { return control<QLineEdit>(d, "Text3"); }
    static QCheckBox *offset(RechargeDialog &d) { return control<QCheckBox>(d, "Check1"); }

    // Ticks Check1 with a click, answering the confirmation.
    void tick(RechargeDialog &d, const QString &answer)
    {
        m_dialogs.answer(answer);
        QTest::mouseClick(offset(d), Qt::LeftButton);
        const QList<Dialogs::Input> asked = m_dialogs.takeInputs();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].prompt, kOffsetPrompt);
    }

    // Lily with this balance in the store, the screen shown with her name
    // typed in.
    static qint64 showWithLily(TestFolder &folder, RechargeDialog &dialog, const char *balance)
    {
        const qint64 lily = addMember(folder.store(), QStringLiteral("Lily"),
                                      QStringLiteral("13800000001"), {}, {}, yuan(balance));
        dialog.show();
        QTest::keyClicks(control<QLineEdit>(dialog, "Text1"), QStringLiteral("Lily"));
        return lily;
    }

private Q_SLOTS:
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void activationShowsTheDateAndClearsTheStatus()
    {
        TestFolder folder;
        RechargeDialog dialog(folder.store());
        QCOMPARE(control<QLabel>(dialog, "Label6")->text(),
                 QStringLiteral("充值完成！余额：XXXX元"));
        dialog.show();
        QCOMPARE(control<QLabel>(dialog, "Label4")->text(), QStringLiteral("2026/3/4"));
        QCOMPARE(control<QLabel>(dialog, "Label6")->text(), QString());
        QVERIFY(!offset(dialog)->isChecked());
    }

    // Type the amount, tick and answer, then type more keys.
    void offsetStateMachine_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("textAfterTick");
        QTest::addColumn<bool>("tickedAfterTick");
        QTest::addColumn<QString>("then");
        QTest::addColumn<bool>("warned");
        QTest::addColumn<QString>("finalText");
        QTest::addColumn<bool>("finalTicked");
        QTest::newRow("OK puts the minus in front")
            << QStringLiteral("30") << QStringLiteral("OK") << QStringLiteral("-30") << true
            << QString() << false << QStringLiteral("-30") << true;
        QTest::newRow("lower-case ok counts")
            << QStringLiteral("30") << QStringLiteral("ok") << QStringLiteral("-30") << true
            << QString() << false << QStringLiteral("-30") << true;
        QTest::newRow("OK with blanks does not")
            << QStringLiteral("30") << QStringLiteral(" OK") << QStringLiteral("30") << false
            << QString() << false << QStringLiteral("30") << false;
        QTest::newRow("other answer unticks")
            << QStringLiteral("30") << QStringLiteral("yes") << QStringLiteral("30") << false
            << QString() << false << QStringLiteral("30") << false;
        QTest::newRow("cancel unticks")
            << QStringLiteral("30") << QString() << QStringLiteral("30") << false << QString()
            << false << QStringLiteral("30") << false;
        QTest::newRow("typing in offset mode is refused")
            << QStringLiteral("30") << QStringLiteral("OK") << QStringLiteral("-30") << true
            << QStringLiteral("5") << true << QStringLiteral("-30") << true;
        QTest::newRow("letters in offset mode too")
            << QStringLiteral("30") << QStringLiteral("OK") << QStringLiteral("-30") << true
            << QStringLiteral("a") << true << QStringLiteral("-30") << true;
        QTest::newRow("backspace still works")
            << QStringLiteral("30") << QStringLiteral("OK") << QStringLiteral("-30") << true
            << QStringLiteral("\b") << false << QStringLiteral("-3") << true;
        QTest::newRow("backspace over the minus leaves offset mode")
            << QStringLiteral("3") << QStringLiteral("OK") << QStringLiteral("-3") << true
            << QStringLiteral("\b\b") << false << QString() << false;
        QTest::newRow("ticked with no amount, a digit unticks")
            << QString() << QStringLiteral("OK") << QString() << true << QStringLiteral("5")
            << false << QStringLiteral("5") << false;
        QTest::newRow("normal mode takes an amount with jiao")
            << QStringLiteral("1") << QStringLiteral("no") << QStringLiteral("1") << false
            << QStringLiteral("a-2.5") << false << QStringLiteral("12.5") << false;
        QTest::newRow("offset of jiao")
            << QStringLiteral("0.5") << QStringLiteral("OK") << QStringLiteral("-0.5") << true
            << QString() << false << QStringLiteral("-0.5") << true;
    }
    void offsetStateMachine()
    {
        QFETCH(QString, typed);
        QFETCH(QString, answer);
        QFETCH(QString, textAfterTick);
        QFETCH(bool, tickedAfterTick);
        QFETCH(QString, then);
        QFETCH(bool, warned);
        QFETCH(QString, finalText);
        QFETCH(bool, finalTicked);
        TestFolder folder;
        RechargeDialog dialog(folder.store());
        dialog.show();
        QTest::keyClicks(amount(dialog), typed);
        tick(dialog, answer);
        QCOMPARE(amount(dialog)->text(), textAfterTick);
        QCOMPARE(offset(dialog)->isChecked(), tickedAfterTick);

        for (const QChar c : then) {
            if (c == QLatin1Char('\b'))
                QTest::keyClick(amount(dialog), Qt::Key_Backspace);
            else
                QTest::keyClicks(amount(dialog), QString(c));
        }
        const QStringList expected =
            warned ? QStringList(then.size(), kOffsetTyping) : QStringList();
        QCOMPARE(m_dialogs.takeMessages(), expected);
        QCOMPARE(amount(dialog)->text(), finalText);
        QCOMPARE(offset(dialog)->isChecked(), finalTicked);
    }

    void untickingRemovesTheMinus()
    {
        TestFolder folder;
        RechargeDialog dialog(folder.store());
        dialog.show();
        QTest::keyClicks(amount(dialog), QStringLiteral("45"));
        tick(dialog, QStringLiteral("OK"));
        QTest::mouseClick(offset(dialog), Qt::LeftButton);
        QVERIFY(!offset(dialog)->isChecked());
        QCOMPARE(amount(dialog)->text(), QStringLiteral("45"));
        QCOMPARE(m_dialogs.takeInputs().size(), 0);
    }

    void backspaceOverTheMinusInTheMiddle()
    {
        TestFolder folder;
        RechargeDialog dialog(folder.store());
        dialog.show();
        QTest::keyClicks(amount(dialog), QStringLiteral("45"));
        tick(dialog, QStringLiteral("OK"));
        amount(dialog)->setCursorPosition(1);
        QTest::keyClick(amount(dialog), Qt::Key_Backspace);
        QCOMPARE(amount(dialog)->text(), QStringLiteral("45"));
        QVERIFY(!offset(dialog)->isChecked());
    }

    void offsetRechargeThroughTheScreen()
    {
        TestFolder folder;
        RechargeDialog dialog(folder.store());
        const qint64 lily = showWithLily(folder, dialog, "30");
        QTest::keyClicks(amount(dialog), QStringLiteral("31"));
        tick(dialog, QStringLiteral("OK"));
        control<QPushButton>(dialog, "Command1")->click();
        QCOMPARE(m_dialogs.takeMessages(), QStringList{kNegative});
        QCOMPARE(control<QLabel>(dialog, "Label6")->text(), QString());

        QTest::keyClick(amount(dialog), Qt::Key_Backspace); // -31 becomes -3
        control<QPushButton>(dialog, "Command1")->click();
        QCOMPARE(m_dialogs.takeMessages(),
                 QStringList{QStringLiteral("会员 Lily 充值成功！本次充值 -3 元！")});
        QCOMPARE(control<QLabel>(dialog, "Label6")->text(), QStringLiteral("充值完成！余额：27元"));
        QCOMPARE(memberAt(folder.store(), lily).balance, Money::fromYuan(27));
        // The amount is emptied: a second press cannot take it off again.
        QCOMPARE(amount(dialog)->text(), QString());
        QVERIFY(!offset(dialog)->isChecked());
        control<QPushButton>(dialog, "Command1")->click();
        QCOMPARE(m_dialogs.takeMessages(), QStringList{kBadAmount});
        QCOMPARE(memberAt(folder.store(), lily).balance, Money::fromYuan(27));
    }

    // The box takes the largest amount with its fen; the "-" in front must
    // not push the last one out.
    void largestOffsetKeepsEveryCharacter()
    {
        TestFolder folder;
        RechargeDialog dialog(folder.store());
        const qint64 lily = showWithLily(folder, dialog, "2000000");
        QTest::keyClicks(amount(dialog), QStringLiteral("1234567.89"));
        tick(dialog, QStringLiteral("OK"));
        QCOMPARE(amount(dialog)->text(), QStringLiteral("-1234567.89"));
        control<QPushButton>(dialog, "Command1")->click();
        QCOMPARE(m_dialogs.takeMessages(),
                 QStringList{QStringLiteral("会员 Lily 充值成功！本次充值 -1234567.89 元！")});
        QCOMPARE(memberAt(folder.store(), lily).balance, Money::fromFen(76543211));

        // Emptied after the recharge; ticked and unticked again, the box
        // takes no more than the largest amount, and says why.
        QCOMPARE(amount(dialog)->text(), QString());
        QTest::keyClicks(amount(dialog), QStringLiteral("9999999.99"));
        tick(dialog, QStringLiteral("OK"));
        QCOMPARE(amount(dialog)->text(), QStringLiteral("-9999999.99"));
        QTest::mouseClick(offset(dialog), Qt::LeftButton);
        QCOMPARE(amount(dialog)->text(), QStringLiteral("9999999.99"));
        QCOMPARE(amount(dialog)->toolTip(), QString());
        QTest::keyClicks(amount(dialog), QStringLiteral("8"));
        QCOMPARE(amount(dialog)->text(), QStringLiteral("9999999.99"));
        QCOMPARE(amount(dialog)->toolTip(),
                 NumberText::amountProblemText(NumberText::AmountProblem::TooManyDecimals));
    }

    void pastedNegativeWithoutTheTickIsRefused()
    {
        TestFolder folder;
        RechargeDialog dialog(folder.store());
        const qint64 lily = showWithLily(folder, dialog, "30");
        amount(dialog)->insert(QStringLiteral("-5"));
        control<QPushButton>(dialog, "Command1")->click();
        QCOMPARE(m_dialogs.takeMessages(), QStringList{kBadAmount});
        QCOMPARE(memberAt(folder.store(), lily).balance, Money::fromYuan(30));
    }

    void failedLookupMovesFocus_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("name") << QStringLiteral("Nobody") << QString() << kNameNotFound
                              << QStringLiteral("Text1");
        QTest::newRow("phone") << QString() << QStringLiteral("13900000000") << kPhoneNotFound
                               << QStringLiteral("Text2");
        QTest::newRow("both") << QStringLiteral("Lily") << QStringLiteral("13900000000")
                              << kBothNotFound << QStringLiteral("Text2");
    }
    void failedLookupMovesFocus()
    {
        QFETCH(QString, name);
        QFETCH(QString, phone);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        TestFolder folder;
        addMember(folder.store(), QStringLiteral("Lily"), QStringLiteral("13800000001"));
        RechargeDialog dialog(folder.store());
        QVERIFY(showActive(dialog));
        QTest::keyClicks(control<QLineEdit>(dialog, "Text1"), name);
        QTest::keyClicks(control<QLineEdit>(dialog, "Text2"), phone);
        QTest::keyClicks(amount(dialog), QStringLiteral("5"));
        amount(dialog)->setFocus();
        control<QPushButton>(dialog, "Command1")->click();
        QCOMPARE(m_dialogs.takeMessages(), QStringList{message});
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    }
};

QTEST_MAIN(TestRechargeScreen)
#include "tst_rechargescreen.moc"
