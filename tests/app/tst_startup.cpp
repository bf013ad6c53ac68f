// Start-up checks, the login screen and the session it stores.
#include "program/InstanceLock.h"
#include "program/LoginDialog.h"
#include "program/Program.h"
#include "program/Startup.h"
#include "rules/admins/Login.h"
#include "rules/admins/LoginThrottle.h"
#include "rules/admins/PasswordHash.h"
#include "store/AdminTable.h"
#include "store/DatabaseErrorText.h"
#include "support/FaultVfs.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs check as an ordinary user (the superuser may write anything), on
// files handed to that user; returns what it returned.
int asOrdinaryUser(const QStringList &paths, const std::function<int()> &check)
{
    if (::getuid() != 0)
        return check();
    constexpr uid_t kNobody = 65534;
    for (const QString &path : paths)
        if (::chown(QFile::encodeName(path).constData(), kNobody, kNobody) != 0)
            return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            std::_Exit(100);
        std::_Exit(check());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

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
        Database store(path);
        QCOMPARE(Startup::openStore(store), Startup::kUnusableDatabase);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("garbage that is not a database"));
    }

    // A read-only table.mdb, or a folder where SQLite cannot put its
    // journal, is found at start-up rather than at the first write.
    void unwritableDataFiles_data()
    {
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<QString>("named"); // "" when accepted
        QTest::newRow("writable") << 0600 << 0700 << QString();
        QTest::newRow("read-only table.mdb") << 0400 << 0700 << QStringLiteral("table.mdb");
        QTest::newRow("read-only folder") << 0600 << 0500 << QStringLiteral("folder");
    }
    void unwritableDataFiles()
    {
        QFETCH(int, fileMode);
        QFETCH(int, folderMode);
        QFETCH(QString, named);
        TestFolder folder(false);
        const DataFiles f = folder.files();
        const QString expected =
            named.isEmpty()
                ? QString()
                : Startup::kReadOnly + QLatin1Char('\n') +
                      QDir::toNativeSeparators(named == QLatin1String("folder") ? f.folder()
                                                                                : f.liveDatabase());
        QVERIFY(::chmod(QFile::encodeName(f.liveDatabase()).constData(), mode_t(fileMode)) == 0);
        QVERIFY(::chmod(QFile::encodeName(f.folder()).constData(), mode_t(folderMode)) == 0);
        const int code = asOrdinaryUser({f.folder(), f.liveDatabase(), f.blankTemplate()}, [&] {
            return Startup::unwritableMessage(f) == expected ? 0 : 1;
        });
        ::chmod(QFile::encodeName(f.folder()).constData(), 0700);
        QCOMPARE(code, 0);
    }

    // A disk that is full or fails while the file is opened (and upgraded)
    // is told as such, not as a damaged file.
    void aFailingDiskAtStartIsToldAsSuch_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("engineText");
        QTest::newRow("full") << int(FaultVfs::Error::Full)
                              << QStringLiteral("database or disk is full");
        QTest::newRow("EIO") << int(FaultVfs::Error::Io) << QStringLiteral("disk I/O error");
    }
    void aFailingDiskAtStartIsToldAsSuch()
    {
        QFETCH(int, error);
        QFETCH(QString, engineText);
        ProgramFolder folder(false);
        FaultVfs vfs;
        vfs.failAt(FaultVfs::Op::Write, FaultVfs::File::Any, 1, FaultVfs::Error(error), true);
        Database store(folder.files().liveDatabase());
        QCOMPARE(Startup::openStore(store), DatabaseErrorText::sentence(engineText));
    }

    // Whatever a killed or crashed program left in the lock file, the next
    // start goes on; in a folder it cannot write it says so, not that the
    // program runs already.
    void aLeftLockFileNeverStopsAStart_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("readOnlyFolder");
        const pid_t child = ::fork(); // a number no process has once it is reaped
        if (child == 0)
            std::_Exit(0);
        ::waitpid(child, nullptr, 0);
        const QByteArray dead = QByteArray::number(qint64(child));
        QTest::newRow("empty, killed as it was made") << QByteArray() << false;
        QTest::newRow("half a number") << dead.left(1) << false;
        QTest::newRow("not text") << QByteArray("\0\xff\xfe\x01garbage", 11) << false;
        QTest::newRow("a killed program's note")
            << dead + QByteArrayLiteral("\nPellomar\nshop-pc\n") << false;
        // After a restart, a number another running process happens to have now.
        QTest::newRow("a number in use")
            << QByteArray::number(qint64(::getppid())) + QByteArrayLiteral("\nPellomar\n\n")
            << false;
        QTest::newRow("empty, in a folder it cannot write") << QByteArray() << true;
    }
    void aLeftLockFileNeverStopsAStart()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, readOnlyFolder);
        ProgramFolder folder(false);
        const DataFiles f = folder.files();
        const QString lock = QDir(f.folder()).filePath(InstanceLock::fileName());
        {
            QFile file(lock);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(content), content.size());
        }
        if (!readOnlyFolder) {
            bool loginShown = false;
            QCOMPARE(
                runProgram(f.folder(),
                           [&](QWidget *login) {
                               loginShown = true;
                               login->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
                           }),
                0);
            QVERIFY(loginShown);
            QCOMPARE(m_dialogs.takeMessages(), QStringList());
            m_dialogs.takeTasks(); // the day's first generation
            return;
        }
        QVERIFY(::chmod(QFile::encodeName(f.folder()).constData(), 0500) == 0);
        const int code =
            asOrdinaryUser({f.folder(), f.liveDatabase(), f.blankTemplate(), lock}, [&] {
                const int ended = runProgram(f.folder(), [](QWidget *) {});
                return ended == 1 && m_dialogs.takeMessages() ==
                                         QStringList{Startup::kReadOnly + QLatin1Char('\n') +
                                                     QDir::toNativeSeparators(f.folder())}
                           ? 0
                           : 1;
            });
        ::chmod(QFile::encodeName(f.folder()).constData(), 0700);
        QCOMPARE(code, 0);
    }

    // A login with a name nobody has still verifies one password hash, one
    // with the cost new hashes get, so it takes as long as a wrong password.
    void everyLoginVerifiesAHash_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("registered");
        QTest::newRow("registered") << QStringLiteral("Admin") << true;
        QTest::newRow("unknown") << QStringLiteral("bob") << false;
        QTest::newRow("blank") << QStringLiteral("  ") << false;
    }
    void everyLoginVerifiesAHash()
    {
        QFETCH(QString, name);
        QFETCH(bool, registered);
        TestFolder folder;
        QStringList verified;
        const Login::Result result =
            Login::check(folder.store(), name, QStringLiteral("wrong"),
                         [&](const QString &hash, const QString &password) {
                             verified << hash;
                             return PasswordHash::verify(hash, password);
                         });
        QCOMPARE(result, Login::Result::Invalid);
        const QString expected = registered
                                     ? AdminTable(folder.store()).byName(name).first().passwordHash
                                     : PasswordHash::unknownUserHash();
        QCOMPARE(verified, QStringList{expected});
        // The same algorithm and cost as a new hash.
        const auto parameters = [](const QString &hash) {
            return hash.section(QLatin1Char('$'), 1, 3);
        };
        QCOMPARE(parameters(PasswordHash::unknownUserHash()),
                 parameters(PasswordHash::hash(QStringLiteral("x"))));
    }

    // After three wrong logins in a row each attempt waits a second longer;
    // a right one ends it. "x" wrong, "o" right, "-" empty name.
    void wrongLoginsSlowDown_data()
    {
        QTest::addColumn<QString>("attempts");
        QTest::addColumn<QList<int>>("waits"); // seconds before each attempt
        QTest::newRow("three free") << QStringLiteral("xxx") << QList<int>{0, 0, 0};
        QTest::newRow("then one more each")
            << QStringLiteral("xxxxxo") << QList<int>{0, 0, 0, 1, 2, 3};
        QTest::newRow("right resets")
            << QStringLiteral("xxxxoxxxx") << QList<int>{0, 0, 0, 1, 2, 0, 0, 0, 1};
        QTest::newRow("empty name not counted")
            << QStringLiteral("xx-x-x") << QList<int>{0, 0, 0, 0, 1, 1};
    }
    void wrongLoginsSlowDown()
    {
        QFETCH(QString, attempts);
        QFETCH(QList<int>, waits);
        LoginThrottle throttle;
        QList<int> seen;
        for (const QChar c : attempts) {
            seen << int(std::chrono::duration_cast<std::chrono::seconds>(throttle.delay()).count());
            throttle.record(c == QLatin1Char('o')   ? Login::Result::Ok
                            : c == QLatin1Char('-') ? Login::Result::EmptyName
                                                    : Login::Result::Invalid);
        }
        QCOMPARE(seen, waits);
    }

    // The login screen waits before it checks, and a new start forgets.
    void loginScreenWaits()
    {
        ProgramFolder folder;
        QList<qint64> waits;
        auto attempt = [&](LoginDialog &dialog, const QString &password) {
            dialog.findChild<QLineEdit *>(QStringLiteral("Text1"))
                ->setText(QStringLiteral("admin"));
            dialog.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(password);
            QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("Command1")),
                              Qt::LeftButton);
        };
        auto recordWaits = [&](std::chrono::milliseconds wait, std::function<void()> then) {
            waits << wait.count();
            then();
        };
        {
            LoginDialog dialog(folder.context());
            dialog.setWaiter(recordWaits);
            for (int i = 0; i < 5; ++i)
                attempt(dialog, QStringLiteral("wrong"));
            QCOMPARE(m_dialogs.takeMessages(), QStringList(5, Login::kInvalid));
            QCOMPARE(waits, (QList<qint64>{1000, 2000}));
            QSignalSpy loggedIn(&dialog, &LoginDialog::loggedIn);
            attempt(dialog, QStringLiteral("123456"));
            QCOMPARE(loggedIn.count(), 1);
            QCOMPARE(waits.last(), 3000);
        }
        waits.clear();
        LoginDialog again(folder.context());
        again.setWaiter(recordWaits);
        attempt(again, QStringLiteral("wrong"));
        QCOMPARE(m_dialogs.takeMessages(), QStringList{Login::kInvalid});
        QCOMPARE(waits, QList<qint64>());
    }

    // Failures of the database engine are told in words, with the engine's
    // text as the last line.
    void databaseFailuresInWords_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("words");
        QTest::newRow("read-only")
            << QStringLiteral("attempt to write a readonly database Unable to fetch row")
            << QStringLiteral("只读");
        QTest::newRow("locked") << QStringLiteral("database is locked Unable to fetch row")
                                << QStringLiteral("被其他程序占用");
        QTest::newRow("disk") << QStringLiteral("disk I/O error")
                              << QStringLiteral("读写磁盘时出错");
        QTest::newRow("full") << QStringLiteral("database or disk is full")
                              << QStringLiteral("磁盘空间已满");
        QTest::newRow("malformed")
            << QStringLiteral("database disk image is malformed") << QStringLiteral("已损坏");
        QTest::newRow("not a database")
            << QStringLiteral("file is not a database") << QStringLiteral("已损坏");
        QTest::newRow("cannot open")
            << QStringLiteral("unable to open database file") << QStringLiteral("无法打开数据文件");
        QTest::newRow("anything else")
            << QStringLiteral("no such savepoint") << QStringLiteral("数据库发生错误");
    }
    void databaseFailuresInWords()
    {
        QFETCH(QString, engine);
        QFETCH(QString, words);
        Dialogs::databaseFailure(nullptr, engine);
        const QStringList lines =
            m_dialogs.takeMessages().join(QLatin1Char('\n')).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.first(), QStringLiteral("数据库操作失败，本次操作未做任何更改。"));
        QVERIFY2(lines.at(1).contains(words), qPrintable(lines.at(1)));
        QCOMPARE(lines.last(), QStringLiteral("详细信息：") + engine);
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
