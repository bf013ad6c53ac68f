// The export screen: who may export, the password check, the result.
#include "Fixtures.h"
#include "base/Clock.h"
#include "program/MainWindow.h"
#include "rules/export/MemberExport.h"
#include "screens/maintenance/ExportDialog.h"
#include "support/Controls.h"
#include "support/Members.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestDaochu : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

    static void exportWith(QDialog &dialog, const QString &password)
    {
        QLineEdit *text3 = control<QLineEdit>(dialog, "Text3");
        text3->clear();
        QTest::keyClicks(text3, password);
        QTest::mouseClick(control<QPushButton>(dialog, "Command1"), Qt::LeftButton);
    }

private Q_SLOTS:
    void init()
    {
        Clock::setSourceForTesting([] { return QDateTime(QDate(2026, 12, 7), QTime(20, 5, 9)); });
    }
    void cleanup()
    {
        Clock::setSourceForTesting({});
        VERIFY_DIALOGS_DONE(m_dialogs);
    }

    void onlyOwners_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("a cashier") << QStringLiteral("clerk");
        QTest::newRow("a name without an account") << QStringLiteral("nobody");
    }
    void onlyOwners()
    {
        QFETCH(QString, name);
        ProgramFolder folder;
        folder.setSession(name, QStringLiteral("pw"));
        folder.setCommission(10, 0);
        MainWindow window(folder.context());
        int shown = 0;
        window.setScreenRunner([&](QDialog &) { ++shown; });
        // The menu entry is disabled and opens nothing.
        QAction *entry = window.findChild<QAction *>(QStringLiteral("会员资料导出"));
        QVERIFY(!entry->isEnabled());
        entry->trigger();
        QCOMPARE(shown, 0);
        // The screen itself refuses all the same, over the window it was
        // opened from, not at the unshown screen's corner.
        ExportDialog d(folder.store(), folder.files(), folder.session(), &window);
        QVERIFY(!control<QPushButton>(d, "Command1")->isEnabled());
        QCOMPARE(d.exec(), int(QDialog::Rejected)); // returns at once
        const QList<Dialogs::Message> refusal = m_dialogs.takeMessageDetails();
        QCOMPARE(refusal.size(), 1);
        QCOMPARE(refusal.first().text, MemberExport::kNotAllowed);
        QCOMPARE(refusal.first().parent, &window);
        QVERIFY(!QFile::exists(folder.files().exportWorkbook()));
    }

    void refusedScreenClosesWhenShown()
    {
        ProgramFolder folder;
        folder.setSession(QStringLiteral("clerk"), QStringLiteral("pw"));
        ExportDialog dialog(folder.store(), folder.files(), folder.session());
        m_dialogs.takeMessages();
        QVERIFY(dialog.refused());
        dialog.show();
        QTRY_VERIFY(!dialog.isVisible());
    }

    void wrongPasswordThenExportTwice()
    {
        ProgramFolder folder;
        folder.setSession(QStringLiteral("admin"), QStringLiteral("Pw1"));
        ExportDialog dialog(folder.store(), folder.files(), folder.session());
        dialog.show();
        QCOMPARE(control<QLineEdit>(dialog, "Text1")->text(), QStringLiteral("admin"));
        QVERIFY(!anyBoxHolds(dialog, QStringLiteral("Pw1")));
        QCOMPARE(control<QLineEdit>(dialog, "Text3")->echoMode(), QLineEdit::Password);
        QCOMPARE(control<QLineEdit>(dialog, "Text3")->maxLength(), 20);

        exportWith(dialog, QStringLiteral("pw1"));
        QCOMPARE(m_dialogs.takeMessages(), QStringList{MemberExport::kWrongPassword});
        QVERIFY(!QFile::exists(folder.files().exportWorkbook()));
        QVERIFY(dialog.isVisible());

        exportWith(dialog, QStringLiteral("Pw1"));
        // The message says where the workbook went.
        const QString exported = QStringLiteral("数据已导出！ 2026/12/7\n导出文件：") +
                                 QDir::toNativeSeparators(folder.files().exportWorkbook());
        QCOMPARE(m_dialogs.takeMessages(), QStringList{exported});
        QVERIFY(!dialog.isVisible());
        const QByteArray first = bytesOf(folder.files().exportWorkbook());
        QVERIFY(first.startsWith("\xD0\xCF\x11\xE0")); // a compound file

        ExportDialog again(folder.store(), folder.files(), folder.session());
        exportWith(again, QStringLiteral("Pw1"));
        QCOMPARE(m_dialogs.takeMessages(), QStringList{exported});
        QCOMPARE(QDir(folder.path())
                     .entryList(QDir::Files | QDir::Hidden)
                     .filter(QStringLiteral(".xls")),
                 QStringList{QStringLiteral("会员数据导出.xls")});
    }

    // Texts longer than a cell holds are cut; the message says how many.
    void cutTextsAreCounted()
    {
        TestFolder folder;
        folder.setSession(QStringLiteral("admin"), QStringLiteral("pw"));
        addMember(folder.store(), QString(40000, QChar(0x4E2D)));
        addMember(folder.store(), QString(32767, QLatin1Char('a')));
        addMember(folder.store(), QString(32768, QLatin1Char('b')));
        ExportDialog dialog(folder.store(), folder.files(), folder.session());
        dialog.show();
        exportWith(dialog, QStringLiteral("pw"));
        QCOMPARE(
            m_dialogs.takeMessages(),
            QStringList{QStringLiteral("数据已导出！ 2026/12/7\n其中 2 个单元格的文字超过 Excel "
                                       "单元格的上限 32767 个字符，只导出了前 32767 个字符。"
                                       "\n导出文件：") +
                        QDir::toNativeSeparators(folder.files().exportWorkbook())});
        QVERIFY(!dialog.isVisible());
    }

    void failureIsReportedAndTheScreenStays()
    {
        ProgramFolder folder;
        folder.setSession(QStringLiteral("admin"), QStringLiteral("pw"));
        QVERIFY(QDir().mkpath(folder.files().exportWorkbook() + QStringLiteral("/locked")));
        ExportDialog dialog(folder.store(), folder.files(), folder.session());
        dialog.show();
        exportWith(dialog, QStringLiteral("pw"));
        const QList<Dialogs::Message> messages = m_dialogs.takeMessageDetails();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().text.startsWith(MemberExport::kFailed + QLatin1Char('\n')));
        QCOMPARE(messages.first().icon, Dialogs::Icon::Error);
        QVERIFY(dialog.isVisible());
        QVERIFY(folder.store().isOpen());
    }

    void exitWritesNothing()
    {
        ProgramFolder folder;
        folder.setSession(QStringLiteral("admin"), QStringLiteral("pw"));
        ExportDialog dialog(folder.store(), folder.files(), folder.session());
        dialog.show();
        QTest::keyClicks(control<QLineEdit>(dialog, "Text3"), QStringLiteral("pw"));
        QTest::mouseClick(control<QPushButton>(dialog, "Command2"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QVERIFY(!QFile::exists(folder.files().exportWorkbook()));
    }
};

QTEST_MAIN(TestDaochu)
#include "tst_exportscreen.moc"
