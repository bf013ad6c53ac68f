// The confirmation screen for deleting an administrator account.
#include "AdminTesting.h"
#include "screens/admins/AdminDeleteDialog.h"
#include "store/AdminTable.h"
#include "support/Controls.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestDeleteScreen : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

private Q_SLOTS:
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void confirm_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("session's password") << QStringLiteral("123456") << false;
        QTest::newRow("account's password") << QStringLiteral("bobpw") << true;
    }
    void confirm()
    {
        QFETCH(QString, typed);
        QFETCH(bool, deleted);
        ProgramFolder folder;
        AdminTesting::registerAccount(folder.store(), QStringLiteral("bob"),
                                      QStringLiteral("bobpw"));
        folder.setSession(QStringLiteral("admin"), QStringLiteral("123456"));
        const Admin row = AdminTable(folder.store()).byName(QStringLiteral("bob")).first();
        AdminDeleteDialog dialog(folder.store(), folder.context().end, row);
        dialog.show();
        QCOMPARE(control<QLineEdit>(dialog, "Text1")->text(), QStringLiteral("bob"));
        QVERIFY(control<QLineEdit>(dialog, "Text1")->isReadOnly());
        QCOMPARE(control<QLineEdit>(dialog, "Text2")->echoMode(), QLineEdit::Password);
        // The screen says that the program ends before it does.
        QCOMPARE(control<QLabel>(dialog, "Label3")->text(), AdminDeleteDialog::kProgramEnds);
        QVERIFY(control<QLabel>(dialog, "Label3")->isVisible());

        QTest::keyClicks(control<QLineEdit>(dialog, "Text2"), typed);
        QTest::mouseClick(control<QPushButton>(dialog, "Command1"), Qt::LeftButton);
        const QList<Dialogs::Message> shown = m_dialogs.takeMessageDetails();
        QCOMPARE(shown.size(), 1);
        if (deleted) {
            QCOMPARE(shown.first().text, AdminRules::kDeleted);
            QCOMPARE(shown.first().title, Dialogs::kAppTitle);
            QCOMPARE(shown.first().icon, Dialogs::Icon::None);
            QCOMPARE(folder.endRequests(), 1);
            QVERIFY(!dialog.isVisible());
            QVERIFY(folder.store().reopenIfClosed());
        } else {
            QCOMPARE(shown.first().text, AdminRules::kWrongDeletePassword);
            QCOMPARE(shown.first().title, QStringLiteral("删除警告"));
            QCOMPARE(shown.first().icon, Dialogs::Icon::Error);
            QCOMPARE(folder.endRequests(), 0);
            QVERIFY(dialog.isVisible());
        }
        QCOMPARE(AdminTable(folder.store()).exists(QStringLiteral("bob")), !deleted);
        QVERIFY(AdminTable(folder.store()).exists(QStringLiteral("admin")));
    }
};

QTEST_MAIN(TestDeleteScreen)
#include "tst_admindelete.moc"
