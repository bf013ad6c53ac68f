// Start-up checks, the login screen and the session it stores.
#include "program/LoginDialog.h"
#include "program/Startup.h"
#include "rules/admins/Login.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

private Q_SLOTS:
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void missingFiles_data()
    {
        QTest::addColumn<QStringList>("remove");
        QTest::addColumn<QString>("message");
        QTest::newRow("all present") << QStringList() << QString();
        QTest::newRow("table missing")
            << QStringList{QStringLiteral("table.mdb")} << Startup::kMissingDataFile;
        QTest::newRow("zero missing")
            << QStringList{QStringLiteral("zero.mdb")} << Startup::kMissingDataFile;
        QTest::newRow("both missing")
            << QStringList{QStringLiteral("table.mdb"), QStringLiteral("zero.mdb")}
            << Startup::kMissingDataFile;
    }
    void missingFiles()
    {
        QFETCH(QStringList, remove);
        QFETCH(QString, message);
        ProgramFolder folder(false);
        for (const QString &f : remove)
            QVERIFY(QFile::remove(folder.path() + QLatin1Char('/') + f));
        QCOMPARE(Startup::missingFileMessage(folder.files()), message);
    }

    void aFolderNamedLikeTheDatabaseDoesNotCount()
    {
        ProgramFolder folder(false);
        QVERIFY(QFile::remove(folder.files().liveDatabase()));
        QVERIFY(QDir().mkdir(folder.files().liveDatabase()));
        QCOMPARE(Startup::missingFileMessage(folder.files()), Startup::kMissingDataFile);
    }

    void aDamagedDatabaseIsReportedAndLeftAlone()
    {
        ProgramFolder folder(false);
        const QString path = folder.files().liveDatabase();
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write("garbage that is not a database");
        }
        MemberStore store(path);
        QCOMPARE(Startup::openStore(store), Startup::kUnusableDatabase);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("garbage that is not a database"));
    }

    void login_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message"); // empty: logged in
        QTest::newRow("right") << QStringLiteral("admin") << QStringLiteral("123456") << QString();
        QTest::newRow("empty name") << QString() << QStringLiteral("123456") << Login::kEmptyName;
        QTest::newRow("blank name")
            << QStringLiteral("   ") << QStringLiteral("123456") << Login::kInvalid;
        QTest::newRow("blanks around")
            << QStringLiteral(" admin ") << QStringLiteral(" 123456 ") << QString();
        QTest::newRow("name case")
            << QStringLiteral("Admin") << QStringLiteral("123456") << QString();
        QTest::newRow("wrong password")
            << QStringLiteral("admin") << QStringLiteral("12345") << Login::kInvalid;
        QTest::newRow("empty password") << QStringLiteral("admin") << QString() << Login::kInvalid;
        QTest::newRow("unknown") << QStringLiteral("bob") << QStringLiteral("123456")
                                 << Login::kInvalid;
        QTest::newRow("quote") << QStringLiteral("admin' --") << QStringLiteral("x")
                               << Login::kInvalid;
    }
    void login()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, message);
        ProgramFolder folder;
        LoginDialog dialog(folder.context());
        QSignalSpy loggedIn(&dialog, &LoginDialog::loggedIn);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto *text1 = dialog.findChild<QLineEdit *>(QStringLiteral("Text1"));
        auto *text2 = dialog.findChild<QLineEdit *>(QStringLiteral("Text2"));
        QVERIFY(text1->hasFocus());
        QCOMPARE(text2->echoMode(), QLineEdit::Password);
        QTest::keyClicks(text1, name);
        QTest::keyClicks(text2, password);
        QTest::keyClick(text2, Qt::Key_Return); // Enter presses 登陆(&S)
        if (message.isEmpty()) {
            QCOMPARE(m_dialogs.takeMessages(), QStringList());
            QCOMPARE(loggedIn.count(), 1);
            // The session holds the texts exactly as typed.
            QCOMPARE(folder.context().session.name, name);
            QCOMPARE(folder.context().session.password, password);
            QVERIFY(!dialog.isVisible());
        } else {
            QCOMPARE(m_dialogs.takeMessages(), QStringList{message});
            QCOMPARE(loggedIn.count(), 0);
            QVERIFY(dialog.isVisible());
            QCOMPARE(text1->text(), name);
            QCOMPARE(folder.context().session.name, QString());
            if (message == Login::kEmptyName)
                QVERIFY(text1->hasFocus());
        }
    }

    void exitAndCloseBoxEndTheProgram()
    {
        ProgramFolder folder;
        {
            LoginDialog dialog(folder.context());
            QSignalSpy exit(&dialog, &LoginDialog::exitRequested);
            dialog.show();
            QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("Command2")),
                              Qt::LeftButton);
            QCOMPARE(exit.count(), 1);
        }
        LoginDialog dialog(folder.context());
        QSignalSpy exit(&dialog, &LoginDialog::exitRequested);
        dialog.show();
        dialog.close();
        QCOMPARE(exit.count(), 1);
    }

    // Enter presses the button that has the focus; in the boxes it presses
    // 登陆(&S).
    void enterOnTheExitButtonEnds()
    {
        ProgramFolder folder;
        LoginDialog dialog(folder.context());
        QSignalSpy loggedIn(&dialog, &LoginDialog::loggedIn);
        QSignalSpy exit(&dialog, &LoginDialog::exitRequested);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto *text2 = dialog.findChild<QLineEdit *>(QStringLiteral("Text2"));
        QTest::keyClicks(dialog.findChild<QLineEdit *>(QStringLiteral("Text1")),
                         QStringLiteral("admin"));
        QTest::keyClicks(text2, QStringLiteral("123456"));
        auto *command2 = dialog.findChild<QPushButton *>(QStringLiteral("Command2"));
        command2->setFocus(Qt::TabFocusReason);
        QTest::keyClick(command2, Qt::Key_Return);
        QCOMPARE(loggedIn.count(), 0);
        QCOMPARE(exit.count(), 1);

        // Back in a box, Enter logs in again.
        text2->setFocus(Qt::TabFocusReason);
        QTest::keyClick(text2, Qt::Key_Return);
        QCOMPARE(loggedIn.count(), 1);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
