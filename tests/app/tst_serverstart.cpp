// The program on a database server: which store the data folder chooses, and
// what the till shows of the server.
#include "program/MainWindow.h"
#include "program/Program.h"
#include "program/Startup.h"
#include "rules/backup/AutoBackups.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/ServerIni.h"
#include "support/TestServer.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestServerStart : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

    ServerSettings m_database;

private Q_SLOTS:
    void initTestCase() { m_database = TestServer::freshDatabase(); }
    void cleanupTestCase() { TestServer::drop(m_database); }
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    // A folder with pellomar-server.ini and no database file: the server
    // when it answers, the reason otherwise, and never the file checks.
    void startsOnTheServer_data()
    {
        QTest::addColumn<QString>("ini"); // "": a database of the test cluster
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message"); // the first line of the one message
        QTest::addColumn<int>("archives");    // the day's generations in backup/auto/
        const QString here = QStringLiteral("hosts={host}\nports={port}\ndatabase={database}\n"
                                            "user={user}\n");
        QTest::newRow("reachable") << QString() << 0 << QString() << 1;
        QTest::newRow("no generations")
            << here + QStringLiteral("autobackup=no\n") << 0 << QString() << 0;
        QTest::newRow("nobody listens")
            << QStringLiteral("hosts={nobody}\nports=5599\ndatabase=pellomar\nuser=pellomar\n") << 1
            << Startup::kServerUnreachable << 0;
        QTest::newRow("no such database")
            << QStringLiteral("hosts={host}\nports={port}\ndatabase=nosuch\nuser=pellomar\n") << 1
            << Startup::kServerUnreachable << 0;
        QTest::newRow("no host") << QStringLiteral("database=pellomar\n") << 1
                                 << Startup::kServerSettingsUnusable << 0;
        QTest::newRow("bad port") << QStringLiteral(
                                         "hosts={nobody}\nports=many\ndatabase=pellomar\n")
                                  << 1 << Startup::kServerSettingsUnusable << 0;
        QTest::newRow("bad autobackup") << here + QStringLiteral("autobackup=sometimes\n") << 1
                                        << Startup::kServerSettingsUnusable << 0;
    }
    void startsOnTheServer()
    {
        QFETCH(QString, ini);
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(int, archives);
        QTemporaryDir folder;
        QTemporaryDir nobody; // a socket folder where no server listens
        if (ini.isEmpty()) {
            QVERIFY(writeServerIni(folder.path(), m_database));
        } else {
            QFile file(QDir(folder.path()).filePath(ServerSettings::kFileName));
            QVERIFY(file.open(QIODevice::WriteOnly));
            ini.replace(QStringLiteral("{nobody}"), nobody.path())
                .replace(QStringLiteral("{host}"), m_database.hosts.first())
                .replace(QStringLiteral("{port}"), QString::number(m_database.ports.value(0)))
                .replace(QStringLiteral("{database}"), m_database.database)
                .replace(QStringLiteral("{user}"), m_database.user);
            file.write(QStringLiteral("[server]\n").append(ini).toUtf8());
        }
        bool loginShown = false;
        QCOMPARE(
            runProgram(folder.path(),
                       [&](QWidget *login) {
                           loginShown = true;
                           login->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
                       }),
            code);
        QCOMPARE(loginShown, message.isEmpty());
        const QStringList messages = m_dialogs.takeMessages();
        QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            const QStringList lines = messages.first().split(QLatin1Char('\n'));
            QCOMPARE(lines.first(), message);
            QVERIFY2(lines.size() > 1 && !lines.at(1).isEmpty(), "the reason follows");
        }
        // Nothing of the file engine appeared in the folder; the first start
        // of the day archived the server's database, and the archive was
        // read back without a warning.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
                 QStringList{ServerSettings::kFileName});
        const QDir autos(AutoBackups::folderOf(DataFiles(folder.path())));
        QCOMPARE(autos.entryList({QStringLiteral("*-auto.dump")}, QDir::Files).size(), archives);
        QCOMPARE(autos.entryList({QStringLiteral("*.manifest")}, QDir::Files).size(), archives);
    }

    // The fifth panel names the server and the till; a file shows none.
    void statusBarNamesTheServer_data()
    {
        QTest::addColumn<bool>("onServer");
        QTest::newRow("server") << true;
        QTest::newRow("file") << false;
    }
    void statusBarNamesTheServer()
    {
        QFETCH(bool, onServer);
        ProgramFolder folder;
        if (onServer)
            folder.context().server = m_database;
        MainWindow window(folder.context());
        const auto *panel = window.findChild<QLabel *>(QStringLiteral("Panel5"));
        QCOMPARE(panel != nullptr, onServer);
        if (onServer) {
            QVERIFY(panel->text().contains(m_database.describe()));
            QVERIFY(panel->text().contains(QStringLiteral("收银台：test")));
        }
    }
};

QTEST_MAIN(TestServerStart)
#include "tst_serverstart.moc"
