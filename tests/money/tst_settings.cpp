// The one-time commission mode: validation, storing once, the screen's states.
#include "rules/money/CommissionSettings.h"
#include "screens/money/SettingsDialog.h"
#include "store/AdminTable.h"
#include "store/CommissionTable.h"
#include "support/Controls.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace CommissionSettings;

class TestSettings : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

private Q_SLOTS:
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void save_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("fixed");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("message");
        QTest::addColumn<qint64>("storedFixed"); // -1: nothing stored
        QTest::addColumn<qint64>("storedPercent");
        QTest::newRow("no mode") << int(Mode::None) << QStringLiteral("10") << QString() << kNoMode
                                 << qint64(-1) << qint64(-1);
        QTest::newRow("fixed empty") << int(Mode::Fixed) << QString() << QString()
                                     << kFixedNotNumber << qint64(-1) << qint64(-1);
        QTest::newRow("percent letters") << int(Mode::Percent) << QString() << QStringLiteral("ab")
                                         << kPercentNotNumber << qint64(-1) << qint64(-1);
        QTest::newRow("fixed zero refused") << int(Mode::Fixed) << QStringLiteral("0") << QString()
                                            << kNotPositive << qint64(-1) << qint64(-1);
        QTest::newRow("percent zero refused")
            << int(Mode::Percent) << QString() << QStringLiteral("00") << kNotPositive << qint64(-1)
            << qint64(-1);
        QTest::newRow("fixed rounds to zero")
            << int(Mode::Fixed) << QStringLiteral("0.4") << QString() << kNotPositive << qint64(-1)
            << qint64(-1);
        QTest::newRow("negative pasted") << int(Mode::Fixed) << QStringLiteral("-5") << QString()
                                         << kNotPositive << qint64(-1) << qint64(-1);
        QTest::newRow("fixed 10") << int(Mode::Fixed) << QStringLiteral("10") << QString() << kSaved
                                  << qint64(10) << qint64(0);
        QTest::newRow("percent 15") << int(Mode::Percent) << QString() << QStringLiteral("15")
                                    << kSaved << qint64(0) << qint64(15);
        QTest::newRow("2.5 stored as 2") << int(Mode::Fixed) << QStringLiteral("2.5") << QString()
                                         << kSaved << qint64(2) << qint64(0);
        QTest::newRow("3.5 stored as 4") << int(Mode::Fixed) << QStringLiteral("3.5") << QString()
                                         << kSaved << qint64(4) << qint64(0);
        QTest::newRow("other box ignored")
            << int(Mode::Percent) << QStringLiteral("7") << QStringLiteral("5") << kSaved
            << qint64(0) << qint64(5);
    }
    void save()
    {
        QFETCH(int, mode);
        QFETCH(QString, fixed);
        QFETCH(QString, percent);
        QFETCH(QString, message);
        QFETCH(qint64, storedFixed);
        QFETCH(qint64, storedPercent);
        TestFolder folder;
        const Outcome outcome =
            CommissionSettings::save(folder.store(), Mode(mode), fixed, percent);
        QCOMPARE(outcome.message, message);
        const auto stored = CommissionTable(folder.store()).load();
        QCOMPARE(stored.has_value(), storedFixed >= 0);
        if (stored) {
            QCOMPARE(stored->fixedYuan, storedFixed);
            QCOMPARE(stored->percent, storedPercent);
        }
    }

    void aSecondSaveWritesNothing()
    {
        TestFolder folder;
        QCOMPARE(
            CommissionSettings::save(folder.store(), Mode::Fixed, QStringLiteral("10"), {}).kind,
            Outcome::Kind::Saved);
        QCOMPARE(
            CommissionSettings::save(folder.store(), Mode::Percent, {}, QStringLiteral("5")).kind,
            Outcome::Kind::AlreadySet);
        QCOMPARE(folder.store().scalar(QStringLiteral("SELECT count(*) FROM 提成基数")).toInt(), 1);
        QCOMPARE(CommissionTable(folder.store()).load()->fixedYuan, 10);
    }

    void screenSavesThenLocks()
    {
        TestFolder folder;
        SettingsDialog dialog(folder.store());
        dialog.show();
        auto *option2 = control<QRadioButton>(dialog, "Option2");
        auto *text1 = control<QLineEdit>(dialog, "Text1");
        auto *text2 = control<QLineEdit>(dialog, "Text2");
        auto *command1 = control<QPushButton>(dialog, "Command1");
        QVERIFY(text1->isEnabled() && text2->isEnabled() && command1->isEnabled());

        QTest::keyClicks(text1, QStringLiteral("12"));
        QTest::mouseClick(option2, Qt::LeftButton);
        QCOMPARE(text1->text(), QString()); // switching modes empties the other box
        QVERIFY(!text1->isEnabled());
        QTest::keyClicks(text2, QStringLiteral("1a5.x")); // the digit filter keeps 15
        QCOMPARE(text2->text(), QStringLiteral("15"));
        QTest::mouseClick(command1, Qt::LeftButton);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{kSaved});
        QVERIFY(!command1->isEnabled() && !text2->isEnabled() && !option2->isEnabled());

        SettingsDialog again(folder.store());
        QVERIFY(control<QRadioButton>(again, "Option2")->isChecked());
        QVERIFY(!control<QRadioButton>(again, "Option1")->isChecked());
        QCOMPARE(control<QLineEdit>(again, "Text2")->text(), QStringLiteral("15"));
        QCOMPARE(control<QLineEdit>(again, "Text1")->text(), QString());
        for (const char *name : {"Option1", "Option2", "Text1", "Text2", "Command1"})
            QVERIFY2(!control<QWidget>(again, name)->isEnabled(), name);
        QVERIFY(control<QWidget>(again, "Command2")->isEnabled());
    }

    void screenRefusesZeroAndKeepsFocus()
    {
        TestFolder folder;
        SettingsDialog dialog(folder.store());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto *text1 = control<QLineEdit>(dialog, "Text1");
        QTest::mouseClick(control<QRadioButton>(dialog, "Option1"), Qt::LeftButton);
        QTest::keyClicks(text1, QStringLiteral("0"));
        QTest::mouseClick(control<QPushButton>(dialog, "Command1"), Qt::LeftButton);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{kNotPositive});
        QVERIFY(text1->hasFocus());
        QVERIFY(!CommissionTable(folder.store()).isSet());
        QVERIFY(control<QPushButton>(dialog, "Command1")->isEnabled());
    }

    // The setting cannot be changed once stored: only a click on 确定设置
    // stores it, never the Enter key in a box.
    void enterDoesNotStore()
    {
        TestFolder folder;
        SettingsDialog dialog(folder.store());
        QVERIFY(showActive(dialog));
        auto *text1 = control<QLineEdit>(dialog, "Text1");
        QTest::mouseClick(control<QRadioButton>(dialog, "Option1"), Qt::LeftButton);
        text1->setFocus();
        QTest::keyClicks(text1, QStringLiteral("50"));
        QTest::keyClick(text1, Qt::Key_Return);
        QTest::keyClick(text1, Qt::Key_Enter);
        QCOMPARE(m_dialogs.takeMessages(), QStringList());
        QVERIFY(!CommissionTable(folder.store()).isSet());
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
