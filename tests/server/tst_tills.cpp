// Eight tills of one shop charging, recharging, reversing and registering at
// once on one database, while tills are killed, their connections cut and
// the server restarted or replaced by its standby: afterwards the books
// balance, and every action a till reported done is stored, once.
//
// PELLOMAR_TILL_ACTIONS sets each till's number of actions (60 by default).
#include "Invariants.h"
#include "TillRun.h"

#include "base/StoreError.h"
#include "rules/admins/PasswordHash.h"
#include "rules/members/Registration.h"
#include "rules/money/Recharge.h"
#include "store/CommissionTable.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/ServerSettings.h"
#include "support/TestFolder.h"

#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int kTills = 8;

int actionsEach()
{
    const int n = qEnvironmentVariableIntValue("PELLOMAR_TILL_ACTIONS");
    return n > 0 ? n : 60;
}

bool pgcluster(const QStringList &args)
{
    return QProcess::execute(QStringLiteral(PELLOMAR_PGCLUSTER), args) == 0;
}

// A cluster of this test's own, stopped however the test ends.
struct Cluster
{
    QTemporaryDir state;
    bool started = false;
    ~Cluster()
    {
        if (started)
            pgcluster({QStringLiteral("stop"), state.path()});
    }
    bool start(int port)
    {
        started = true;
        return pgcluster({QStringLiteral("start"), state.path(), QString::number(port)});
    }
    bool standbyOf(const Cluster &primary, int port)
    {
        started = true;
        return pgcluster(
            {QStringLiteral("standby"), state.path(), primary.state.path(), QString::number(port)});
    }
    bool run(const QString &command) { return pgcluster({command, state.path()}); }
};

// A connection outside the program's store, to the server's own database:
// for making databases and cutting the tills off.
class Control
{
public:
    explicit Control(const ServerSettings &s) : m_name(QStringLiteral("control"))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        db.setHostName(s.hostList());
        db.setConnectOptions(s.connectOptions());
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(s.user);
    }
    ~Control() { QSqlDatabase::removeDatabase(m_name); }
    // Runs a statement, opening the connection again if the server dropped it.
    bool run(const QString &sql, const QVariantList &values = {})
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (!db.isOpen() && !db.open())
            return false;
        QSqlQuery q(db);
        // DROP and CREATE DATABASE cannot be prepared.
        const bool ran = values.isEmpty() ? q.exec(sql) : [&] {
            q.prepare(sql);
            for (const QVariant &v : values)
                q.addBindValue(v);
            return q.exec();
        }();
        if (ran)
            return true;
        qWarning("%s", qPrintable(q.lastError().text()));
        db.close();
        return false;
    }

private:
    QString m_name;
};

std::optional<ServerSettings> settingsIn(const QString &folder)
{
    QString error;
    std::optional<ServerSettings> s = ServerSettings::read(folder, &error);
    if (!error.isEmpty())
        qWarning("%s", qPrintable(error));
    return s;
}

void writeSettings(const ServerSettings &s, const QString &folder)
{
    QFile ini(folder + QLatin1Char('/') + ServerSettings::kFileName);
    QVERIFY(ini.open(QIODevice::WriteOnly));
    QStringList ports;
    for (int p : s.ports)
        ports << QString::number(p);
    ini.write(QStringLiteral("[server]\nhosts=%1\nports=%2\ndatabase=%3\nuser=%4\ntill=%5\n")
                  .arg(s.hosts.join(QLatin1Char(',')), ports.join(QLatin1Char(',')), s.database,
                       s.user, s.till)
                  .toUtf8());
}

std::unique_ptr<Database> storeIn(const QString &folder)
{
    if (const std::optional<ServerSettings> s = settingsIn(folder))
        return std::make_unique<Database>(*s);
    return std::make_unique<Database>(DataFiles(folder).liveDatabase());
}

// The shop the tills start from: a percentage commission and sixteen
// members with money, four of them the referrers of the other twelve, so
// that the tills keep meeting on the same rows.
void seedShop(const QString &folder)
{
    const std::unique_ptr<Database> store = storeIn(folder);
    QVERIFY2(store->open(), qPrintable(store->lastError()));
    QVERIFY(CommissionTable(*store).storeIfUnset({0, 10}));
    for (int i = 0; i < 16; ++i) {
        const QString name = QStringLiteral("会员%1").arg(i);
        const QString phone = QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0'));
        const QString referrer = i < 4 ? QString() : QStringLiteral("会员%1").arg(i % 4);
        const auto added = Registration::add(
            *store, {name, Registration::kMale, phone, referrer, {}, QDate::currentDate()},
            [] { return true; });
        QVERIFY2(added.registered, qPrintable(added.message));
        const auto recharged = Recharge::recharge(*store, {name, {}, QStringLiteral("200"), false});
        QVERIFY2(recharged.done, qPrintable(recharged.message));
    }
}

void checkBooks(const QString &folder, const TillRun &run, const QHash<QString, int> &before)
{
    const std::unique_ptr<Database> store = storeIn(folder);
    QVERIFY2(store->open(), qPrintable(store->lastError()));
    for (const QStringList &broken : {run.wrong(), Invariants::books(*store),
                                      Invariants::reported(*store, run.reported(), before)})
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
    // Enough happened for the books to mean something.
    QVERIFY(run.reported().operations.size() > run.total() / 3);
}

QHash<QString, int> entriesIn(const QString &folder)
{
    const std::unique_ptr<Database> store = storeIn(folder);
    if (!store->open())
        return {};
    return Invariants::entries(*store);
}

} // namespace

class TillsTest : public QObject
{
    Q_OBJECT

private:
    enum class Engine { File, Server, OwnServer };
    enum class Trouble { None, Kills, Cuts, Restart };

private Q_SLOTS:
    void initTestCase() { PasswordHash::useLowestCostForTesting(); }

    void severalTills_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<Trouble>("trouble");
        QTest::newRow("file") << Engine::File << Trouble::None;
        QTest::newRow("file, tills killed") << Engine::File << Trouble::Kills;
        QTest::newRow("server") << Engine::Server << Trouble::None;
        QTest::newRow("server, tills killed") << Engine::Server << Trouble::Kills;
        QTest::newRow("server, connections cut") << Engine::Server << Trouble::Cuts;
        QTest::newRow("server restarted") << Engine::OwnServer << Trouble::Restart;
    }

    void severalTills()
    {
        QFETCH(Engine, engine);
        QFETCH(Trouble, trouble);
        QTemporaryDir shop;
        Cluster own;
        std::optional<ServerSettings> server;
        if (engine == Engine::File) {
            QVERIFY(copyDeliveredDatabase(QStringLiteral("table.mdb"),
                                          DataFiles(shop.path()).liveDatabase()));
        } else {
            const QString fixture = qEnvironmentVariable("PELLOMAR_TEST_SERVER");
            if (engine == Engine::Server && fixture.isEmpty())
                QSKIP("no test server (PELLOMAR_TEST_SERVER)");
            if (engine == Engine::OwnServer)
                QVERIFY(own.start(5546));
            server = settingsIn(engine == Engine::OwnServer ? own.state.path() : fixture);
            QVERIFY(server);
            // A database of its own for each row.
            server->database =
                QStringLiteral("tills_%1")
                    .arg(QString::fromUtf8(QTest::currentDataTag()))
                    .replace(QRegularExpression(QStringLiteral("\\W+")), QStringLiteral("_"));
            Control control(*server);
            QVERIFY(control.run(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)")
                                    .arg(server->database)));
            QVERIFY(control.run(QStringLiteral("CREATE DATABASE \"%1\"").arg(server->database)));
            writeSettings(*server, shop.path());
            QString error;
            QVERIFY2(Database::createServerDatabase(*server,
                                                    PasswordHash::hash(QStringLiteral("pw")),
                                                    QStringLiteral("店主"), &error),
                     qPrintable(error));
        }
        seedShop(shop.path());
        if (QTest::currentTestFailed())
            return;
        const QHash<QString, int> before = entriesIn(shop.path());

        TillRun run(QStringLiteral(PELLOMAR_TILL_WORKER), shop.path(), actionsEach(),
                    QRandomGenerator::global()->generate64());
        run.start(kTills);
        std::unique_ptr<Control> control;
        if (server)
            control = std::make_unique<Control>(*server);
        // The troubles come at points of the run: a kill at every tenth of
        // it, a cut at every fifth, a restart at two fifths.
        const int marks = trouble == Trouble::Kills ? 10 : trouble == Trouble::Cuts ? 5 : 2;
        int next = 1;
        QElapsedTimer clock;
        clock.start();
        while (run.pump(20)) {
            QVERIFY2(clock.elapsed() < 120'000, "the tills never ended");
            if (trouble == Trouble::None || next >= marks ||
                run.actionsRun() * marks < run.total() * next)
                continue;
            ++next;
            switch (trouble) {
            case Trouble::Kills:
                run.killOne();
                break;
            case Trouble::Cuts:
                QVERIFY(control->run(QStringLiteral("SELECT pg_terminate_backend(pid) FROM "
                                                    "pg_stat_activity WHERE datname = ?"),
                                     {server->database}));
                break;
            case Trouble::Restart:
                QVERIFY(own.run(QStringLiteral("restart")));
                break;
            case Trouble::None:
                break;
            }
        }
        QCOMPARE(next, trouble == Trouble::None ? 1 : marks);
        if (trouble == Trouble::Cuts || trouble == Trouble::Restart)
            QVERIFY2(run.reported().failed.size() > 0, "the trouble went unnoticed");
        checkBooks(shop.path(), run, before);
    }

    // A primary with a synchronous standby; the primary dies a third of the
    // way through, the standby is promoted, and the tills go on with it.
    void standbyTakesOver()
    {
        Cluster primary;
        Cluster standby;
        QVERIFY(primary.start(5547));
        QVERIFY(standby.standbyOf(primary, 5548));
        const QString shop = standby.state.path(); // its ini names both servers
        const std::optional<ServerSettings> server = settingsIn(shop);
        QVERIFY(server);
        QString error;
        QVERIFY2(Database::createServerDatabase(*server, PasswordHash::hash(QStringLiteral("pw")),
                                                QStringLiteral("店主"), &error),
                 qPrintable(error));
        seedShop(shop);
        if (QTest::currentTestFailed())
            return;
        const QHash<QString, int> before = entriesIn(shop);

        TillRun run(QStringLiteral(PELLOMAR_TILL_WORKER), shop, actionsEach(),
                    QRandomGenerator::global()->generate64());
        run.start(kTills);
        bool failedOver = false;
        QElapsedTimer clock;
        clock.start();
        while (run.pump(20)) {
            QVERIFY2(clock.elapsed() < 120'000, "the tills never ended");
            if (!failedOver && run.actionsRun() * 3 >= run.total()) {
                failedOver = true;
                QVERIFY(primary.run(QStringLiteral("crash")));
                QVERIFY(standby.run(QStringLiteral("promote")));
            }
        }
        QVERIFY(failedOver);
        QVERIFY2(!run.reported().failed.isEmpty(), "the failover went unnoticed");
        checkBooks(shop, run, before);
        // And all of it on the standby, the primary being gone.
        Database promoted(*server);
        QVERIFY2(promoted.open(), qPrintable(promoted.lastError()));
        QCOMPARE(promoted.scalar(QStringLiteral("SELECT current_setting('port')")).toInt(), 5548);
    }
};

QTEST_GUILESS_MAIN(TillsTest)
#include "tst_tills.moc"
