// The store: binding, letter case, whole-or-nothing actions, and files that
// cannot serve as a database.
#include "base/StoreError.h"
#include "store/AdminTable.h"
#include "store/CashLog.h"
#include "store/MemberStore.h"
#include "store/MemberTable.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

namespace {

Member member(const QString &name, const QString &phone)
{
    Member m;
    m.name = name;
    m.sex = QStringLiteral("男");
    m.phone = phone;
    m.registered = QDate(2026, 12, 7);
    return m;
}

} // namespace

class TestStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void valuesAreBoundNeverSpliced_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("quote") << QStringLiteral("O'Brien");
        QTest::newRow("double quote") << QStringLiteral("say \"hi\"");
        QTest::newRow("injection") << QStringLiteral("x' OR '1'='1");
        QTest::newRow("percent") << QStringLiteral("100%");
        QTest::newRow("underscore") << QStringLiteral("a_b");
        QTest::newRow("emoji") << QStringLiteral("张三😀");
        QTest::newRow("right to left") << QStringLiteral("مرحبا");
        QTest::newRow("blanks kept") << QStringLiteral("  lee  ");
    }
    void valuesAreBoundNeverSpliced()
    {
        QFETCH(QString, name);
        TestFolder folder;
        MemberTable members(folder.store());
        members.insert(member(name, QStringLiteral("13800000001")));
        members.insert(member(QStringLiteral("other"), QStringLiteral("13800000002")));
        members.insert(member(QStringLiteral("a1b"), QStringLiteral("13800000003")));
        members.insert(member(QStringLiteral("1000"), QStringLiteral("13800000004")));

        const auto found = members.firstByName(name);
        QVERIFY(found);
        QCOMPARE(found->name, name);
        QCOMPARE(members.allByName(name).size(), 1);
        QCOMPARE(members.count(), 4);
        QCOMPARE(members.removeByName(name), 1);
        QCOMPARE(members.count(), 3);
    }

    void lookupsIgnoreAsciiLetterCaseOnly_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("found");
        QTest::newRow("same") << QStringLiteral("Lily") << QStringLiteral("Lily") << true;
        QTest::newRow("upper") << QStringLiteral("Lily") << QStringLiteral("LILY") << true;
        QTest::newRow("lower") << QStringLiteral("Lily") << QStringLiteral("lily") << true;
        QTest::newRow("trailing blank")
            << QStringLiteral("Lily") << QStringLiteral("Lily ") << false;
        QTest::newRow("prefix") << QStringLiteral("Lily") << QStringLiteral("Lil") << false;
        QTest::newRow("chinese") << QStringLiteral("李雷") << QStringLiteral("李雷") << true;
    }
    void lookupsIgnoreAsciiLetterCaseOnly()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, found);
        TestFolder folder;
        MemberTable members(folder.store());
        members.insert(member(stored, QStringLiteral("13800000001")));
        QCOMPARE(members.firstByName(typed).has_value(), found);
        QCOMPARE(AdminTable(folder.store()).exists(QStringLiteral("ADMIN")), true);
    }

    void emptyTextsAreStoredAsEmptyNotNull()
    {
        TestFolder folder;
        MemberTable members(folder.store());
        Member m = member(QStringLiteral("a"), QStringLiteral("13800000001"));
        m.referrer = QString();
        m.referrerPhone = QString();
        const qint64 id = members.insert(m);
        QCOMPARE(
            folder.store()
                .scalar(QStringLiteral("SELECT typeof(推荐人) || typeof(推荐人手机) FROM 会员登记 "
                                       "WHERE rowid = ?"),
                        {id})
                .toString(),
            QStringLiteral("texttext"));
    }

    void moneyRoundTripsExactly()
    {
        TestFolder folder;
        MemberTable members(folder.store());
        Member m = member(QStringLiteral("a"), QStringLiteral("13800000001"));
        m.balance = Money::fromFen(1234567);
        m.consumed = Money::fromFen(10);
        const qint64 id = members.insert(m);
        const auto back = members.byId(id);
        QVERIFY(back);
        QCOMPARE(back->balance.fen(), 1234567);
        QCOMPARE(back->consumed.fen(), 10);
        QCOMPARE(back->registered, QDate(2026, 12, 7));
    }

    void anActionThatFailsHalfwayLeavesNoTrace()
    {
        TestFolder folder;
        MemberStore &store = folder.store();
        MemberTable members(store);
        const qint64 id =
            members.insert(member(QStringLiteral("a"), QStringLiteral("13800000001")));
        // Any insert into the cash log fails, as a full disk would.
        store.exec(QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON 现金 "
                                  "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        bool thrown = false;
        try {
            Transaction tx(store);
            members.setConsumption(id, Money::fromYuan(20), Money::fromYuan(-20), 1);
            CashLog(store).add(QDateTime::currentDateTime(), QStringLiteral("20"));
            tx.commit();
        } catch (const StoreError &e) {
            thrown = true;
            QVERIFY(e.text().contains(QStringLiteral("disk full")));
        }
        QVERIFY(thrown);
        const auto after = members.byId(id);
        QCOMPARE(after->consumed.fen(), 0);
        QCOMPARE(after->balance.fen(), 0);
        QCOMPARE(after->consumptions, 0);
        QCOMPARE(store.commitCount(), 0u);

        // The store is usable after the rollback.
        Transaction tx(store);
        members.setBalance(id, Money::fromYuan(5));
        tx.commit();
        QCOMPARE(members.byId(id)->balance.fen(), 500);
        QCOMPARE(store.commitCount(), 1u);
    }

    // An inner transaction is a savepoint: its rollback undoes only its own
    // work, and the outer one still decides about the rest. Afterwards the
    // store is back in whole transactions: an action that is not committed
    // leaves no trace.
    void nestedTransactions_data()
    {
        QTest::addColumn<bool>("innerCommits");
        QTest::addColumn<bool>("outerCommits");
        QTest::addColumn<QStringList>("kept");
        const QStringList all = {QStringLiteral("before"), QStringLiteral("inner"),
                                 QStringLiteral("after")};
        QTest::newRow("inner rolled back, outer committed")
            << false << true << QStringList{QStringLiteral("before"), QStringLiteral("after")};
        QTest::newRow("inner rolled back, outer rolled back") << false << false << QStringList();
        QTest::newRow("both committed") << true << true << all;
        QTest::newRow("inner committed, outer rolled back") << true << false << QStringList();
    }
    void nestedTransactions()
    {
        QFETCH(bool, innerCommits);
        QFETCH(bool, outerCommits);
        QFETCH(QStringList, kept);
        TestFolder folder;
        MemberStore &store = folder.store();
        MemberTable members(store);
        {
            Transaction outer(store);
            members.insert(member(QStringLiteral("before"), QStringLiteral("1")));
            {
                Transaction inner(store);
                members.insert(member(QStringLiteral("inner"), QStringLiteral("2")));
                if (innerCommits)
                    inner.commit();
            }
            members.insert(member(QStringLiteral("after"), QStringLiteral("3")));
            if (outerCommits)
                outer.commit();
        }
        QStringList names;
        for (const Member &m : members.page(0, 10))
            names << m.name;
        QCOMPARE(names, kept);
        QCOMPARE(store.commitCount(), outerCommits ? 1u : 0u);

        {
            Transaction later(store);
            members.insert(member(QStringLiteral("uncommitted"), QStringLiteral("4")));
        }
        QCOMPARE(members.count(), kept.size());
        Transaction last(store);
        members.insert(member(QStringLiteral("last"), QStringLiteral("5")));
        last.commit();
        QCOMPARE(members.count(), kept.size() + 1);
    }

    void unreadableAmountsAreNeverTakenAsZero_data()
    {
        QTest::addColumn<QString>("column");
        QTest::newRow("balance") << QStringLiteral("余额");
        QTest::newRow("consumption total") << QStringLiteral("消费金额");
    }
    void unreadableAmountsAreNeverTakenAsZero()
    {
        QFETCH(QString, column);
        TestFolder folder;
        MemberTable members(folder.store());
        const qint64 id =
            members.insert(member(QStringLiteral("a"), QStringLiteral("13800000001")));
        folder.store().exec(
            QStringLiteral("UPDATE 会员登记 SET %1 = 'lots' WHERE rowid = ?").arg(column), {id});
        QVERIFY_THROWS_EXCEPTION(StoreError, members.firstByName(QStringLiteral("a")));
        QVERIFY_THROWS_EXCEPTION(StoreError, members.byId(id));
        QCOMPARE(
            folder.store()
                .scalar(QStringLiteral("SELECT %1 FROM 会员登记 WHERE rowid = ?").arg(column), {id})
                .toString(),
            QStringLiteral("lots"));
    }

    void updatesOfAVanishedRowFail()
    {
        TestFolder folder;
        MemberTable members(folder.store());
        QVERIFY_THROWS_EXCEPTION(StoreError, members.setBalance(4242, Money::fromYuan(1)));
    }

    void unusableFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("sqlite"); // content is SQL for an SQLite file
        QTest::newRow("text file") << QByteArray("hello, this is not a database") << false;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("other sqlite") << QByteArray("CREATE TABLE t(x)") << true;
    }
    void unusableFilesAreRefused()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, sqlite);
        TestFolder folder(false);
        const QString path = folder.path() + QStringLiteral("/bad.mdb");
        if (sqlite) {
            const QString c = QStringLiteral("mk");
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), c);
                db.setDatabaseName(path);
                QVERIFY(db.open());
                QVERIFY(QSqlQuery(db).exec(QString::fromUtf8(content)));
                db.close();
            }
            QSqlDatabase::removeDatabase(c);
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QByteArray before = [&] {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        MemberStore store(path);
        QVERIFY(!store.open());
        QVERIFY(!store.isOpen());
        QVERIFY(!store.lastError().isEmpty());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    void aMissingFileIsNeverCreated()
    {
        TestFolder folder(false);
        const QString path = folder.path() + QStringLiteral("/none.mdb");
        MemberStore store(path);
        QVERIFY(!store.open());
        QVERIFY(!QFile::exists(path));
    }

    void reopenAfterClose()
    {
        TestFolder folder;
        MemberStore &store = folder.store();
        MemberTable(store).insert(member(QStringLiteral("a"), QStringLiteral("13800000001")));
        store.close();
        QVERIFY(!store.isOpen());
        QVERIFY_THROWS_EXCEPTION(StoreError, MemberTable(store).count());
        QVERIFY(store.reopenIfClosed());
        QVERIFY(store.isOpen());
        QCOMPARE(MemberTable(store).count(), 1);
        QVERIFY(store.reopenIfClosed());
    }

    void pathsWithUnusualCharactersOpen()
    {
        TestFolder folder(false);
        const QString dir = folder.path() + QStringLiteral("/店 #1 ?100%");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(
            copyDeliveredDatabase(QStringLiteral("table.mdb"), dir + QStringLiteral("/table.mdb")));
        MemberStore store(dir + QStringLiteral("/table.mdb"));
        QVERIFY2(store.open(), qPrintable(store.lastError()));
        QCOMPARE(MemberTable(store).count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
