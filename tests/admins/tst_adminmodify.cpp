// The screen where the logged-in administrator changes his own password and
// remark.
#include "AdminTesting.h"
#include "rules/export/MemberExport.h"
#include "screens/admins/AdminModifyDialog.h"
#include "screens/maintenance/ExportDialog.h"
#include "store/AdminTable.h"
#include "support/Controls.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestModifyScreen : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

    struct Fixture
    {
        ProgramFolder folder;
        Admin row;
        Fixture()
        {
            AdminTesting::registerAccount(folder.store(), QStringLiteral("bob"),
                                          QStringLiteral("oldpw"), QStringLiteral("早班"));
            folder.setSession(QStringLiteral("bob"), QStringLiteral("oldpw"));
            row = AdminTable(folder.store()).byName(QStringLiteral("bob")).first();
            row.passwordHash.clear(); // as the list hands it over
        }
    };

    static void fill(QDialog &d, const QString &old, const QString &password, const QString &repeat)
    {
        QTest::keyClicks(control<QLineEdit>(d, "Text5"), old);
        QTest::keyClicks(control<QLineEdit>(d, "Text2"), password);
        QTest::keyClicks(control<QLineEdit>(d, "Text3"), repeat);
        QTest::mouseClick(control<QCheckBox>(d, "Check1"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(d, "Command1"), Qt::LeftButton);
    }

private Q_SLOTS:
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void startsWithTheAccount()
    {
        Fixture f;
        AdminModifyDialog dialog(f.folder.store(), f.folder.context().session, f.row);
        QCOMPARE(control<QLineEdit>(dialog, "Text1")->text(), QStringLiteral("bob"));
        QVERIFY(!control<QLineEdit>(dialog, "Text1")->isEnabled());
        QCOMPARE(control<QLineEdit>(dialog, "Text4")->text(), QStringLiteral("早班"));
        for (const char *name : {"Text5", "Text2", "Text3"}) {
            QCOMPARE(control<QLineEdit>(dialog, name)->text(), QString());
            QCOMPARE(control<QLineEdit>(dialog, name)->echoMode(), QLineEdit::Password);
        }
        QVERIFY(!control<QCheckBox>(dialog, "Check1")->isChecked());
    }

    void wrongOldPasswordKeepsTheFields()
    {
        Fixture f;
        AdminModifyDialog dialog(f.folder.store(), f.folder.context().session, f.row);
        QVERIFY(showActive(dialog));
        fill(dialog, QStringLiteral("OLDPW"), QStringLiteral("n1"), QStringLiteral("n1"));
        const QList<Dialogs::Message> shown = m_dialogs.takeMessageDetails();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, AdminRules::kWrongOldPassword);
        QCOMPARE(shown.first().icon, Dialogs::Icon::Error);
        QVERIFY(dialog.isVisible());
        QCOMPARE(control<QLineEdit>(dialog, "Text5")->text(), QStringLiteral("OLDPW"));
        QCOMPARE(control<QLineEdit>(dialog, "Text2")->text(), QStringLiteral("n1"));
        QCOMPARE(control<QLineEdit>(dialog, "Text3")->text(), QStringLiteral("n1"));
        QCOMPARE(f.folder.context().session.password, QStringLiteral("oldpw"));
    }

    void differentNewPasswordsAreEmptied()
    {
        Fixture f;
        AdminModifyDialog dialog(f.folder.store(), f.folder.context().session, f.row);
        QVERIFY(showActive(dialog));
        fill(dialog, QStringLiteral("oldpw"), QStringLiteral("n1"), QStringLiteral("n2"));
        QCOMPARE(m_dialogs.takeMessages(), QStringList{AdminRules::kPasswordsDiffer});
        QCOMPARE(control<QLineEdit>(dialog, "Text2")->text(), QString());
        QCOMPARE(control<QLineEdit>(dialog, "Text3")->text(), QString());
        QCOMPARE(control<QLineEdit>(dialog, "Text5")->text(), QStringLiteral("oldpw"));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text2"));
    }

    void savesAndReplacesTheSessionPassword()
    {
        Fixture f;
        AdminModifyDialog dialog(f.folder.store(), f.folder.context().session, f.row);
        QVERIFY(showActive(dialog));
        QLineEdit *remark = control<QLineEdit>(dialog, "Text4");
        remark->clear();
        remark->insert(QStringLiteral("晚班")); // keyClicks types Latin-1 only
        fill(dialog, QStringLiteral("oldpw"), QStringLiteral("newpw "), QStringLiteral("newpw "));
        QCOMPARE(m_dialogs.takeMessages(),
                 QStringList{QStringLiteral("管理员账号： bob 资料修改成功!")});
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        const Session &session = f.folder.context().session;
        QCOMPARE(session.password, QStringLiteral("newpw "));
        QCOMPARE(AdminTable(f.folder.store()).byName(QStringLiteral("bob")).first().remark,
                 QStringLiteral("晚班"));
    }

    // The new password is held to the length the other password boxes take,
    // so the export screen still accepts it when typed the same way.
    void newPasswordFitsTheExportPasswordBox()
    {
        ProgramFolder folder;
        folder.setSession(QStringLiteral("admin"), QStringLiteral("123456"));
        Admin row = AdminTable(folder.store()).byName(QStringLiteral("admin")).first();
        row.passwordHash.clear();
        const QString typed = QStringLiteral("abcdefghij0123456789XYZ!?");
        AdminModifyDialog dialog(folder.store(), folder.context().session, row);
        QVERIFY(showActive(dialog));
        fill(dialog, QStringLiteral("123456"), typed, typed);
        QCOMPARE(m_dialogs.takeMessages(),
                 QStringList{QStringLiteral("管理员账号： admin 资料修改成功!")});

        ExportDialog daochu(folder.store(), folder.files(), folder.context().session);
        daochu.show();
        QTest::keyClicks(control<QLineEdit>(daochu, "Text3"), typed);
        QTest::mouseClick(control<QPushButton>(daochu, "Command1"), Qt::LeftButton);
        const QStringList messages = m_dialogs.takeMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().startsWith(MemberExport::kExported),
                 qPrintable(messages.first()));
    }
};

QTEST_MAIN(TestModifyScreen)
#include "tst_adminmodify.moc"
