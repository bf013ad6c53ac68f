// The store: binding, letter case, whole-or-nothing actions, and files that
// cannot serve as a database.
#include "base/StoreError.h"
#include "store/AdminTable.h"
#include "store/CashLog.h"
#include "store/Database.h"
#include "store/MemberTable.h"
#include "support/Members.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

namespace {

Member member(const QString &name, const QString &phone)
{
    return MemberRow(name, phone).registered(QDate(2026, 12, 7));
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
        Database &store = folder.store();
        MemberTable members(store);
        const qint64 id =
            members.insert(member(QStringLiteral("a"), QStringLiteral("13800000001")));
        // Any insert into the cash log fails, as a full disk would.
        store.exec(QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON 现金 "
                                  "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        bool thrown = false;
        try {
            Transaction tx(store);
            members.changeMoney(id, Money::fromYuan(-20), Money::fromYuan(20), 1,
                                MemberTable::Guard::None);
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
        members.changeMoney(id, Money::fromYuan(5), {}, 0, MemberTable::Guard::None);
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
        Database &store = folder.store();
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
        QTest::addColumn<QString>("stored"); // an SQL literal
        QTest::newRow("balance") << QStringLiteral("余额") << QStringLiteral("'lots'");
        QTest::newRow("consumption total")
            << QStringLiteral("消费金额") << QStringLiteral("'lots'");
        QTest::newRow("balance beyond the largest real")
            << QStringLiteral("余额") << QStringLiteral("1e300");
        QTest::newRow("consumption total beyond the largest integer")
            << QStringLiteral("消费金额") << QStringLiteral("10000000000001");
    }
    void unreadableAmountsAreNeverTakenAsZero()
    {
        QFETCH(QString, column);
        QFETCH(QString, stored);
        TestFolder folder;
        MemberTable members(folder.store());
        const qint64 id =
            members.insert(member(QStringLiteral("a"), QStringLiteral("13800000001")));
        folder.store().exec(
            QStringLiteral("UPDATE 会员登记 SET %1 = %2 WHERE rowid = ?").arg(column, stored),
            {id});
        const QVariant before = folder.store().scalar(
            QStringLiteral("SELECT %1 FROM 会员登记 WHERE rowid = ?").arg(column), {id});
        QVERIFY_THROWS_EXCEPTION(StoreError, members.firstByName(QStringLiteral("a")));
        QVERIFY_THROWS_EXCEPTION(StoreError, members.byId(id));
        QVERIFY_THROWS_EXCEPTION(StoreError, members.forEach([](const Member &) { return true; }));
        QVERIFY_THROWS_EXCEPTION(StoreError,
                                 members.forEachStored([](const StoredMember &) { return true; }));
        QCOMPARE(folder.store().scalar(
                     QStringLiteral("SELECT %1 FROM 会员登记 WHERE rowid = ?").arg(column), {id}),
                 before);
    }

    // The whole-table read (the export's) takes its own way to the rows; every
    // stored value must come out of it as a lookup of one member reads it.
    void aWholeTableReadsAsALookupDoes_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("expression"); // of the stored value
        const auto row = [](const char *name, const QString &column, const QVariant &stored,
                            const QString &expression = QStringLiteral("?")) {
            QTest::newRow(name) << column << stored << expression;
        };
        const QString date = QStringLiteral("注册时间");
        const QString name = QStringLiteral("会员名");
        for (const char *text :
             {"2024-02-29", "2023-02-29", "2024-13-01", "2024-1-05", "20240105",
              "2024-01-05T10:00:00", "0000-01-01", "2024-01-0x", "", " 2024-01-05"})
            row(text, date, QString::fromLatin1(text));
        row("full-width digits", date, QStringLiteral("２０２４-01-05"));
        row("NUL inside a name", name, QStringLiteral("张") + QChar(0) + QStringLiteral("三"));
        // Written by SQL: a bound text loses its leading byte order mark.
        row("byte order mark first", name, QStringLiteral("张三"),
            QStringLiteral("char(65279) || ?"));
        row("long name", name, QString(300, u'名'));
        row("ASCII runs between wider characters", name,
            QStringLiteral("abcdefghi张三abcdefgh😀abcdefg\u00e9"));
        // Values of other types in text columns read as their text.
        row("integer phone", QStringLiteral("手机号"), qlonglong(13800000001));
        row("real phone", QStringLiteral("手机号"), 1.5);
        row("blob name", name, QByteArrayLiteral("张三"));
        row("integer balance", QStringLiteral("余额"), qlonglong(7));
        row("real balance", QStringLiteral("余额"), 7.25);
        row("text balance", QStringLiteral("余额"), QStringLiteral("7.5"));
    }
    void aWholeTableReadsAsALookupDoes()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, stored);
        QFETCH(QString, expression);
        TestFolder folder;
        MemberTable members(folder.store());
        const qint64 id = members.insert(member(QStringLiteral("a"), QStringLiteral("1")));
        members.insert(member(QStringLiteral("b"), QStringLiteral("2")));
        folder.store().exec(
            QStringLiteral("UPDATE 会员登记 SET %1 = %2 WHERE rowid = ?").arg(column, expression),
            {stored, id});
        const auto fields = [](const Member &m) {
            return QVariantList{
                m.id,       m.name,          m.sex,          m.phone,         m.consumed.fen(),
                m.referrer, m.referrerPhone, m.consumptions, m.balance.fen(), m.registered};
        };
        // Every row, so that a text read after a longer one shows reuse.
        QList<QVariantList> read;
        members.forEach([&](const Member &m) {
            read << fields(m);
            return true;
        });
        QCOMPARE(read,
                 (QList<QVariantList>{fields(*members.byId(id)), fields(*members.byId(id + 1))}));
        // A stored date reads as Qt's own reading of an ISO date would.
        if (column == QStringLiteral("注册时间"))
            QCOMPARE(read.first().at(9),
                     QVariant(QDate::fromString(stored.toString(), Qt::ISODate)));
        int visited = 0;
        members.forEach([&](const Member &) { return ++visited < 1; });
        QCOMPARE(visited, 1);
    }

    void updatesOfAVanishedRowFail()
    {
        TestFolder folder;
        MemberTable members(folder.store());
        QVERIFY(!members.changeMoney(4242, Money::fromYuan(1), {}, 0, MemberTable::Guard::None));
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
        Database store(path);
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
        Database store(path);
        QVERIFY(!store.open());
        QVERIFY(!QFile::exists(path));
    }

    void reopenAfterClose()
    {
        TestFolder folder;
        Database &store = folder.store();
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
        Database store(dir + QStringLiteral("/table.mdb"));
        QVERIFY2(store.open(), qPrintable(store.lastError()));
        QCOMPARE(MemberTable(store).count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
