// The msignin screen: its controls, key filters, date, focus after a refusal
// and closing after a registration.
#include "rules/members/Registration.h"
#include "screens/members/RegistrationDialog.h"
#include "support/Controls.h"
#include "support/FixedClock.h"
#include "support/Members.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class TestRegistrationScreen : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;
    FixedClock m_clock;

    static void fill(RegistrationDialog &d, const QString &name, const QString &phone,
                     const QString &referrer = {}, const QString &referrerPhone = {})
    {
        // keyClicks types Latin-1 only; other names are entered as an input method would.
        if (name.toLatin1() == name.toUtf8())
            QTest::keyClicks(control<QLineEdit>(d, "Text1"), name);
        else
            control<QLineEdit>(d, "Text1")->insert(name);
        QTest::mouseClick(control<QRadioButton>(d, "Option2"), Qt::LeftButton);
        QTest::keyClicks(control<QLineEdit>(d, "Text2"), phone);
        QTest::keyClicks(control<QLineEdit>(d, "Text3"), referrer);
        QTest::keyClicks(control<QLineEdit>(d, "Text4"), referrerPhone);
    }

private Q_SLOTS:
    void init() { m_clock.set(QDateTime(QDate(2026, 12, 7), QTime(23, 59, 50))); }
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void opensEmptyWithTodaysDate()
    {
        TestFolder folder;
        RegistrationDialog dialog(folder.store());
        QCOMPARE(control<QLabel>(dialog, "Label6")->text(), QStringLiteral("时间"));
        dialog.show();
        QCOMPARE(control<QLabel>(dialog, "Label6")->text(), QStringLiteral("2026/12/7"));
        QVERIFY(!control<QRadioButton>(dialog, "Option1")->isChecked());
        QVERIFY(!control<QRadioButton>(dialog, "Option2")->isChecked());
        for (const char *name : {"Text1", "Text2", "Text3", "Text4"})
            QVERIFY2(control<QLineEdit>(dialog, name)->text().isEmpty(), name);
    }

    void keyFiltersAndLimits_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("name takes anything, 10 at most")
            << QStringLiteral("Text1") << QStringLiteral("O'Neil -1234")
            << QStringLiteral("O'Neil -12");
        QTest::newRow("phone digits only")
            << QStringLiteral("Text2") << QStringLiteral("13a8-0 0.1") << QStringLiteral("138001");
        QTest::newRow("phone 11 at most")
            << QStringLiteral("Text2") << QStringLiteral("1234567890123")
            << QStringLiteral("12345678901");
        QTest::newRow("referrer 10 at most")
            << QStringLiteral("Text3") << QStringLiteral("abcdefghijkl")
            << QStringLiteral("abcdefghij");
        QTest::newRow("referrer phone digits only")
            << QStringLiteral("Text4") << QStringLiteral("+86 139x") << QStringLiteral("86139");
    }
    void keyFiltersAndLimits()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        TestFolder folder;
        RegistrationDialog dialog(folder.store());
        dialog.show();
        auto *edit = dialog.findChild<QLineEdit *>(box);
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), kept);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), kept.chopped(1));
    }

    void registersWithTheActivationDateAndCloses()
    {
        TestFolder folder;
        RegistrationDialog dialog(folder.store());
        dialog.show();
        m_clock.set(
            m_clock.now().addSecs(20)); // past midnight: the date shown at activation is kept
        fill(dialog, QStringLiteral("李雷"), QStringLiteral("13800000001"));
        m_dialogs.answer(QStringLiteral("ok"));
        QTest::mouseClick(control<QPushButton>(dialog, "Command1"), Qt::LeftButton);

        const QList<Dialogs::Input> inputs = m_dialogs.takeInputs();
        QCOMPARE(inputs.size(), 1);
        QCOMPARE(inputs[0].title, Registration::kConfirmTitle);
        QCOMPARE(inputs[0].prompt, Registration::kConfirmPrompt);
        const QList<Dialogs::Message> shown = m_dialogs.takeMessageDetails();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("会员名： 李雷 添加成功!"));
        QCOMPARE(shown[0].title, Dialogs::kAppTitle);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        const auto m = MemberTable(folder.store()).firstByName(QStringLiteral("李雷"));
        QVERIFY(m);
        QCOMPARE(m->sex, QStringLiteral("女"));
        QCOMPARE(m->registered, QDate(2026, 12, 7));
    }

    void refusalKeepsInputAndMovesFocus_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("name taken") << QStringLiteral("lily") << QStringLiteral("13900000000")
                                    << Registration::kNameTaken << QStringLiteral("Text1");
        QTest::newRow("phone taken") << QStringLiteral("Wang") << QStringLiteral("13800000001")
                                     << Registration::kPhoneTaken << QStringLiteral("Text2");
        QTest::newRow("bad phone") << QStringLiteral("Wang") << QStringLiteral("1380")
                                   << Registration::kBadPhone << QStringLiteral("Text4");
    }
    void refusalKeepsInputAndMovesFocus()
    {
        QFETCH(QString, name);
        QFETCH(QString, phone);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        TestFolder folder;
        addMember(folder.store(), QStringLiteral("Lily"), QStringLiteral("13800000001"));
        RegistrationDialog dialog(folder.store());
        QVERIFY(showActive(dialog));
        fill(dialog, name, phone, QStringLiteral("Lily"), QStringLiteral("13800000001"));
        // click() presses Command1 without taking the focus from Text4; only
        // the name and phone refusals move it.
        control<QLineEdit>(dialog, "Text4")->setFocus();
        control<QPushButton>(dialog, "Command1")->click();
        QCOMPARE(m_dialogs.takeMessages(), QStringList{message});
        QVERIFY(dialog.isVisible());
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(control<QLineEdit>(dialog, "Text1")->text(), name);
        QCOMPARE(control<QLineEdit>(dialog, "Text2")->text(), phone);
        QVERIFY(control<QRadioButton>(dialog, "Option2")->isChecked());
        QCOMPARE(MemberTable(folder.store()).count(), 1);
    }

    void databaseFailureIsReportedNotSuccess()
    {
        TestFolder folder;
        RegistrationDialog dialog(folder.store());
        dialog.show();
        fill(dialog, QStringLiteral("Wang"), QStringLiteral("13800000001"), QStringLiteral("Lily"),
             QStringLiteral("13800000002"));
        folder.store().close();
        QTest::mouseClick(control<QPushButton>(dialog, "Command1"), Qt::LeftButton);
        const QList<Dialogs::Message> shown = m_dialogs.takeMessageDetails();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, Dialogs::Icon::Error);
        QVERIFY(dialog.isVisible());
    }

    // 连续登记: off by default; ticked, a registration empties the form for
    // the next member instead of closing. Each account keeps its own choice.
    void continuousRegistration()
    {
        TestFolder folder;
        folder.store().setOperatorName(QStringLiteral("clerk"));
        {
            RegistrationDialog first(folder.store());
            first.show();
            auto *tick = control<QCheckBox>(first, "Check1");
            QVERIFY(!tick->isChecked());
            QTest::keyClick(tick, Qt::Key_Space);
        }
        RegistrationDialog dialog(folder.store());
        QVERIFY(showActive(dialog));
        QVERIFY(control<QCheckBox>(dialog, "Check1")->isChecked());
        for (const QString &name : {QStringLiteral("Wang"), QStringLiteral("Zhao")}) {
            fill(dialog, name,
                 name == QLatin1String("Wang") ? QStringLiteral("13900000001")
                                               : QStringLiteral("13900000002"));
            m_dialogs.answer(QStringLiteral("ok"));
            QTest::mouseClick(control<QPushButton>(dialog, "Command1"), Qt::LeftButton);
            m_dialogs.takeInputs();
            QCOMPARE(m_dialogs.takeMessages(),
                     QStringList{QStringLiteral("会员名： %1 添加成功!").arg(name)});
            QVERIFY(dialog.isVisible());
            for (const char *box : {"Text1", "Text2", "Text3", "Text4"})
                QCOMPARE(control<QLineEdit>(dialog, box)->text(), QString());
            QVERIFY(!control<QRadioButton>(dialog, "Option2")->isChecked());
            QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(dialog, "Text1"));
        }
        QCOMPARE(MemberTable(folder.store()).firstByName(QStringLiteral("Zhao"))->phone,
                 QStringLiteral("13900000002"));

        // Another account starts with the box off.
        folder.store().setOperatorName(QStringLiteral("owner"));
        RegistrationDialog other(folder.store());
        other.show();
        QVERIFY(!control<QCheckBox>(other, "Check1")->isChecked());
    }

    void exitClosesWithoutWriting()
    {
        TestFolder folder;
        RegistrationDialog dialog(folder.store());
        dialog.show();
        fill(dialog, QStringLiteral("Wang"), QStringLiteral("13800000001"), QStringLiteral("Lily"),
             QStringLiteral("13800000002"));
        QTest::mouseClick(control<QPushButton>(dialog, "Command2"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(MemberTable(folder.store()).count(), 0);
    }
};

QTEST_MAIN(TestRegistrationScreen)
#include "tst_registrationscreen.moc"
