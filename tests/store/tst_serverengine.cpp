// What the server engine does that a file does not need: several tills at
// once on one database, maintenance holding the database, a connection lost
// and opened again, and a database that is not this program's.
#include "rules/members/Registration.h"
#include "rules/money/Consumption.h"
#include "rules/money/Recharge.h"
#include "store/DatabaseErrorText.h"
#include "store/Ledger.h"
#include "store/Schema.h"
#include "store/postgres/PostgresEngine.h"
#include "support/Members.h"
#include "support/TestFolder.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <thread>

namespace {

const QString kLilyPhone = QStringLiteral("13800000001");
const QString kReferrerPhone = QStringLiteral("13800000002");

// A further till on the folder's database, opened.
std::unique_ptr<Database> anotherTill(const TestFolder &folder)
{
    std::unique_ptr<Database> till = folder.newStore();
    if (!till->open())
        qFatal("cannot open another till: %s", qPrintable(till->lastError()));
    return till;
}

Consumption::Outcome consume(Database &store, const QString &name, const QString &amount)
{
    return Consumption::confirm(store, {name, {}, Consumption::kBalance, amount}, {1, 0},
                                [] { return true; });
}

QString balanceOf(Database &store, qint64 id)
{
    return memberAt(store, id).balance.toString();
}

} // namespace

class TestServerEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { PELLOMAR_SERVER_ONLY(); }

    // A debit decided on a balance read before another till spent it is
    // refused by the statement itself, never written over the other's.
    void guardedDebitRefusesAStaleRead()
    {
        TestFolder folder;
        const qint64 lily = addMember(folder.store(), QStringLiteral("Lily"), kLilyPhone, {}, {},
                                      Money::fromYuan(50));
        auto other = anotherTill(folder);
        MemberTable stale(*other);
        QCOMPARE(stale.byId(lily)->balance, Money::fromYuan(50));
        QCOMPARE(consume(folder.store(), QStringLiteral("Lily"), QStringLiteral("40")).kind,
                 Consumption::Outcome::Kind::Done);
        Transaction tx(*other);
        QVERIFY(!stale.changeMoney(lily, -Money::fromYuan(40), Money::fromYuan(40), 1,
                                   MemberTable::Guard::NotBelowZero));
        tx.commit();
        QCOMPARE(balanceOf(folder.store(), lily), QStringLiteral("10"));
        QCOMPARE(consume(*other, QStringLiteral("Lily"), QStringLiteral("40")).message,
                 Consumption::kInsufficient);
    }

    // Two tills charging the same member and crediting the same referrer at
    // once: every charge and every commission is there, and the ledger
    // agrees with the members' figures.
    void concurrentConsumptionsLoseNothing()
    {
        TestFolder folder;
        folder.setCommission(1, 0);
        const qint64 referrer = addMember(folder.store(), QStringLiteral("Ref"), kReferrerPhone);
        const qint64 lily = addMember(folder.store(), QStringLiteral("Lily"), kLilyPhone,
                                      QStringLiteral("Ref"), kReferrerPhone, Money::fromYuan(100));
        constexpr int kEach = 15;
        const auto till = [&folder](int *done) {
            std::unique_ptr<Database> store = folder.newStore();
            if (!store->open())
                return;
            for (int i = 0; i < kEach; ++i)
                if (consume(*store, QStringLiteral("Lily"), QStringLiteral("2")).kind ==
                    Consumption::Outcome::Kind::Done)
                    ++*done;
        };
        int doneA = 0;
        int doneB = 0;
        std::thread a(till, &doneA);
        std::thread b(till, &doneB);
        a.join();
        b.join();
        QCOMPARE(doneA + doneB, 2 * kEach);
        const Member after = memberAt(folder.store(), lily);
        QCOMPARE(after.balance, Money::fromYuan(100 - 2 * 2 * kEach));
        QCOMPARE(after.consumptions, 2 * kEach);
        QCOMPARE(memberAt(folder.store(), referrer).balance, Money::fromYuan(2 * kEach));
        QCOMPARE(Ledger(folder.store()).reconcile().size(), 0);
    }

    // A deadlock or a serialization failure runs the whole action again from
    // its start; past the bound it is told in words, with nothing written.
    // The failures are the server's own, raised by a trigger on the ledger
    // the given number of times.
    void conflictsRunTheActionAgain_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("failures");
        QTest::newRow("deadlock once") << "40P01" << 1;
        QTest::newRow("serialization failures") << "40001" << Database::kAttempts - 1;
        QTest::newRow("past the bound") << "40P01" << Database::kAttempts;
    }
    void conflictsRunTheActionAgain()
    {
        QFETCH(QString, state);
        QFETCH(int, failures);
        TestFolder folder;
        folder.setCommission(1, 0);
        Database &store = folder.store();
        const qint64 referrer = addMember(store, QStringLiteral("Ref"), kReferrerPhone);
        const qint64 lily = addMember(store, QStringLiteral("Lily"), kLilyPhone,
                                      QStringLiteral("Ref"), kReferrerPhone, Money::fromYuan(100));
        const auto operations = [&store] {
            return store.scalar(QStringLiteral("SELECT count(*) FROM ") + Schema::kOperations)
                .toInt();
        };
        const int operationsBefore = operations();
        QSqlQuery q(store.database());
        // The database goes back to the pool of the tests: without these.
        const auto cleanup = qScopeGuard([&store] {
            QSqlQuery(store.database())
                .exec(QStringLiteral("DROP TRIGGER IF EXISTS t_conflict ON 账户流水; "
                                     "DROP FUNCTION IF EXISTS t_conflict(); "
                                     "DROP SEQUENCE IF EXISTS t_conflicts"));
        });
        QVERIFY(q.exec(QStringLiteral("CREATE SEQUENCE t_conflicts")));
        QVERIFY2(q.exec(QStringLiteral("CREATE FUNCTION t_conflict() RETURNS trigger LANGUAGE "
                                       "plpgsql AS $$ BEGIN IF nextval('t_conflicts') <= %1 THEN "
                                       "RAISE EXCEPTION 'injected' USING ERRCODE = '%2'; END IF; "
                                       "RETURN NEW; END $$")
                            .arg(failures)
                            .arg(state)),
                 qPrintable(q.lastError().text()));
        QVERIFY(q.exec(QStringLiteral("CREATE TRIGGER t_conflict BEFORE INSERT ON 账户流水 FOR "
                                      "EACH ROW EXECUTE FUNCTION t_conflict()")));
        const bool done = failures < Database::kAttempts;
        try {
            QCOMPARE(consume(store, QStringLiteral("Lily"), QStringLiteral("10")).kind,
                     Consumption::Outcome::Kind::Done);
            QVERIFY(done);
        } catch (const StoreError &e) {
            QVERIFY2(!done, qPrintable(e.text()));
            QCOMPARE(
                DatabaseErrorText::sentence(e.text()),
                QStringLiteral("其他收银台正在处理同一笔数据，本次操作没有记账，请稍后再试！"));
        }
        // Once or not at all.
        const Member after = memberAt(store, lily);
        QCOMPARE(after.balance, Money::fromYuan(done ? 90 : 100));
        QCOMPARE(after.consumptions, done ? 1 : 0);
        QCOMPARE(memberAt(store, referrer).balance > Money(), done);
        QCOMPARE(operations(), operationsBefore + (done ? 1 : 0));
        QCOMPARE(Ledger(store).reconcile().size(), 0);
    }

    // A till registering while another registers the same name (in other
    // letters' case) or phone waits for it and is then told the member is
    // there: one member, not two.
    void registrationRaceMakesOneMember_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("message");
        QTest::newRow("same name") << "LILY"
                                   << "13800000009" << Registration::kNameTaken;
        QTest::newRow("same phone") << "Rose" << kLilyPhone << Registration::kPhoneTaken;
    }
    void registrationRaceMakesOneMember()
    {
        QFETCH(QString, name);
        QFETCH(QString, phone);
        QFETCH(QString, message);
        TestFolder folder;
        Registration::Outcome second;
        {
            Transaction tx(folder.store());
            MemberTable first(folder.store());
            first.lockKeys({QStringLiteral("Lily"), kLilyPhone});
            first.insert(sampleMember(QStringLiteral("Lily"), kLilyPhone));
            std::thread other([&folder, &second, name, phone] {
                auto till = anotherTill(folder);
                second = Registration::add(
                    *till, {name, Registration::kMale, phone, {}, {}, QDate(2026, 12, 8)},
                    [] { return true; });
            });
            QThread::msleep(300); // the other till is waiting by now
            tx.commit();
            other.join();
        }
        QCOMPARE(second.message, message);
        QCOMPARE(MemberTable(folder.store()).count(), 1);
    }

    // While maintenance holds the database every action that writes is
    // refused in words, and goes through once it is done.
    void maintenanceRefusesWrites()
    {
        TestFolder folder;
        addMember(folder.store(), QStringLiteral("Lily"), kLilyPhone);
        auto maintenance = anotherTill(folder);
        maintenance->scalar(
            QStringLiteral("SELECT pg_advisory_lock(%1)").arg(PostgresEngine::kMaintenanceLock));
        const Recharge::Request request{QStringLiteral("Lily"), {}, QStringLiteral("5")};
        try {
            Recharge::recharge(folder.store(), request);
            QFAIL("a write went through during maintenance");
        } catch (const StoreError &e) {
            QCOMPARE(DatabaseErrorText::sentence(e.text()),
                     QStringLiteral("数据库正在维护，请稍后再试！"));
        }
        maintenance->scalar(
            QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(PostgresEngine::kMaintenanceLock));
        QVERIFY(Recharge::recharge(folder.store(), request).done);
    }

    // A value goes to the server as the store bound it and comes back of the
    // type the store reads: whole numbers beyond a double's digits, decimals
    // as their digits, false as false, NULL apart from the empty text, bytes
    // as bytes, and a ? or quote inside a literal left alone.
    void valuesTravelAsTheyAre_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("bigint") << QStringLiteral("SELECT CAST(? AS bigint) + 2")
                                << QVariant(qint64(9007199254740991))
                                << QVariant(qlonglong(9007199254740993));
        QTest::newRow("integer") << QStringLiteral("SELECT CAST(? AS integer) + 1") << QVariant(41)
                                 << QVariant(42);
        QTest::newRow("numeric") << QStringLiteral("SELECT CAST(? AS numeric(15,2)) * 3")
                                 << QVariant(QStringLiteral("1111111111111.11"))
                                 << QVariant(QStringLiteral("3333333333333.33"));
        QTest::newRow("false") << QStringLiteral("SELECT CAST(? AS bigint) > 5") << QVariant(3)
                               << QVariant(false);
        QTest::newRow("null") << QStringLiteral("SELECT CAST(? AS bigint)")
                              << QVariant(QMetaType::fromType<qint64>())
                              << QVariant(QMetaType::fromType<qlonglong>());
        QTest::newRow("empty text is no null") << QStringLiteral("SELECT CAST(? AS text) IS NULL")
                                               << QVariant(QStringLiteral("")) << QVariant(false);
        QTest::newRow("bytes") << QStringLiteral("SELECT CAST(? AS bytea)")
                               << QVariant(QByteArray("\0\377\1", 3))
                               << QVariant(QByteArray("\0\377\1", 3));
        QTest::newRow("? and quotes in literals")
            << QStringLiteral("SELECT '?' || CAST(? AS text) || '''?\"'")
            << QVariant(QStringLiteral("甲'乙?")) << QVariant(QStringLiteral("?甲'乙?'?\""));
    }
    void valuesTravelAsTheyAre()
    {
        QFETCH(QString, sql);
        QFETCH(QVariant, value);
        QFETCH(QVariant, expected);
        TestFolder folder;
        QSqlQuery &q = folder.store().exec(sql, {value});
        QVERIFY(q.next());
        const QVariant got = q.value(0);
        QCOMPARE(got.metaType(), expected.metaType());
        QCOMPARE(got.isNull(), expected.isNull());
        if (!expected.isNull())
            QCOMPARE(got, expected);
        q.finish();
    }

    // A connection the server cut fails the action that finds it cut, with
    // nothing written; the next action connects again by itself.
    void lostConnectionReopensAtTheNextAction()
    {
        TestFolder folder;
        const qint64 lily = addMember(folder.store(), QStringLiteral("Lily"), kLilyPhone);
        auto other = anotherTill(folder);
        other->scalar(QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM "
                                     "pg_stat_activity WHERE datname = current_database() "
                                     "AND pid <> pg_backend_pid()"));
        const Recharge::Request request{QStringLiteral("Lily"), {}, QStringLiteral("5")};
        try {
            Recharge::recharge(folder.store(), request);
            QFAIL("an action went through on a cut connection");
        } catch (const StoreError &e) {
            QCOMPARE(e.cause(), StoreError::Cause::ConnectionLost);
            QVERIFY(DatabaseErrorText::sentence(e.text()).startsWith(
                QStringLiteral("无法连接数据库服务器，请检查网络或联系管理员。")));
        }
        QCOMPARE(balanceOf(*other, lily), QStringLiteral("0"));
        QVERIFY(Recharge::recharge(folder.store(), request).done);
        QCOMPARE(balanceOf(*other, lily), QStringLiteral("5"));
    }

    // Only an empty database becomes this program's, and only this
    // program's database of exactly the current version is opened.
    void foreignDatabasesAreRefused_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("problem");
        QTest::newRow("other version") << "UPDATE 数据库信息 SET 版本 = 版本 - 1"
                                       << "the database is of version";
        QTest::newRow("other program") << "UPDATE 数据库信息 SET 应用标识 = 1"
                                       << "not a database of this program";
        QTest::newRow("no mark") << "DROP TABLE 数据库信息"
                                 << "not a database of this program";
    }
    void foreignDatabasesAreRefused()
    {
        QFETCH(QString, edit);
        QFETCH(QString, problem);
        TestFolder folder;
        QString error;
        QVERIFY(!Database::createServerDatabase(*folder.server(), QStringLiteral("x"), {}, &error));
        QVERIFY2(error.contains(QLatin1String("not empty")), qPrintable(error));
        QSqlQuery q(folder.store().database());
        QVERIFY2(q.exec(edit), qPrintable(q.lastError().text()));
        auto other = folder.newStore();
        QVERIFY(!other->open());
        QVERIFY2(other->lastError().startsWith(problem), qPrintable(other->lastError()));
    }
};

QTEST_GUILESS_MAIN(TestServerEngine)
#include "tst_serverengine.moc"
