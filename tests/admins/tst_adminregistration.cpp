// The administrator registration screen.
#include "AdminTesting.h"
#include "screens/admins/AdminRegistrationDialog.h"
#include "store/AdminTable.h"
#include "support/Controls.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestRegistrationScreen : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

    struct Boxes
    {
        QLineEdit *id, *password, *repeat, *remark;
        QCheckBox *check;
        QPushButton *command1;
    };
    static Boxes boxes(QDialog &d)
    {
        return {control<QLineEdit>(d, "Text1"),  control<QLineEdit>(d, "Text2"),
                control<QLineEdit>(d, "Text3"),  control<QLineEdit>(d, "Text4"),
                control<QCheckBox>(d, "Check1"), control<QPushButton>(d, "Command1")};
    }
    static void fill(const Boxes &b, const QString &id, const QString &password,
                     const QString &repeat, bool check = true)
    {
        QTest::keyClicks(b.id, id);
        QTest::keyClicks(b.password, password);
        QTest::keyClicks(b.repeat, repeat);
        b.remark->insert(QStringLiteral("收银")); // keyClicks types Latin-1 only
        if (check)
            QTest::mouseClick(b.check, Qt::LeftButton);
    }

private Q_SLOTS:
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void controls()
    {
        TestFolder folder;
        AdminRegistrationDialog dialog(folder.store());
        const Boxes b = boxes(dialog);
        QCOMPARE(b.id->maxLength(), 10);
        QCOMPARE(b.password->maxLength(), 20);
        QCOMPARE(b.repeat->maxLength(), 20);
        QCOMPARE(b.password->echoMode(), QLineEdit::Password);
        QCOMPARE(b.repeat->echoMode(), QLineEdit::Password);
        QVERIFY(!b.password->testAttribute(Qt::WA_InputMethodEnabled));
        QCOMPARE(b.remark->echoMode(), QLineEdit::Normal);
        QVERIFY(!b.check->isChecked());
        QCOMPARE(b.check->text(), QStringLiteral("我明白忘记密码就取不回来的风险，同意注册账号！"));
        QTest::keyClicks(b.id, QStringLiteral("abcdefghijk"));
        QCOMPARE(b.id->text(), QStringLiteral("abcdefghij"));
    }

    void registersAndCloses()
    {
        TestFolder folder;
        AdminRegistrationDialog dialog(folder.store());
        QVERIFY(showActive(dialog));
        const Boxes b = boxes(dialog);
        fill(b, QStringLiteral("lily"), QStringLiteral("Pa55 word"), QStringLiteral("Pa55 word"));
        QTest::mouseClick(b.command1, Qt::LeftButton);
        QCOMPARE(m_dialogs.takeMessages(),
                 QStringList{QStringLiteral("管理员账号： lily 添加成功!")});
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(AdminTable(folder.store()).byName(QStringLiteral("lily")).first().remark,
                 QStringLiteral("收银"));
    }

    void refusalsKeepTheScreen_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<bool>("check");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("passwordsKept");
        QTest::newRow("unchecked")
            << QStringLiteral("lily") << QStringLiteral("a") << QStringLiteral("a") << false
            << AdminRules::kNotAcknowledged << QString() << true;
        QTest::newRow("different")
            << QStringLiteral("lily") << QStringLiteral("a") << QStringLiteral("b") << true
            << AdminRules::kPasswordsDiffer << QStringLiteral("Text2") << false;
        QTest::newRow("admin again")
            << QStringLiteral("Admin") << QStringLiteral("a") << QStringLiteral("a") << true
            << AdminRules::kIdTaken << QStringLiteral("Text1") << true;
    }
    void refusalsKeepTheScreen()
    {
        QFETCH(QString, id);
        QFETCH(QString, password);
        QFETCH(QString, repeat);
        QFETCH(bool, check);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(bool, passwordsKept);
        TestFolder folder;
        AdminRegistrationDialog dialog(folder.store());
        QVERIFY(showActive(dialog));
        const Boxes b = boxes(dialog);
        fill(b, id, password, repeat, check);
        QTest::mouseClick(b.command1, Qt::LeftButton);
        const QList<Dialogs::Message> shown = m_dialogs.takeMessageDetails();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, message);
        QCOMPARE(shown.first().title, Dialogs::kAppTitle);
        QCOMPARE(shown.first().icon, Dialogs::Icon::None);
        QVERIFY(dialog.isVisible());
        QCOMPARE(b.id->text(), id);
        QCOMPARE(b.remark->text(), QStringLiteral("收银"));
        QCOMPARE(b.password->text(), passwordsKept ? password : QString());
        QCOMPARE(b.repeat->text(), passwordsKept ? repeat : QString());
        if (!focus.isEmpty())
            QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(folder.store().scalar(QStringLiteral("SELECT count(*) FROM 管理员登记")).toInt(),
                 1);
    }
};

QTEST_MAIN(TestRegistrationScreen)
#include "tst_adminregistration.moc"
