// The ledger beside every action that moves money: reversal of a
// consumption on each payment path and commission mode, the refusals,
// reconciliation of a file edited by another tool, the upgrade of a file
// from before the ledger, statement filters, and an audit log without
// secrets.
#include "base/Session.h"
#include "rules/admins/AdminRules.h"
#include "rules/admins/Login.h"
#include "rules/members/MemberDelete.h"
#include "rules/members/MemberModify.h"
#include "rules/money/Consumption.h"
#include "rules/money/Recharge.h"
#include "rules/money/Reversal.h"
#include "rules/money/Statement.h"
#include "store/AdminTable.h"
#include "store/AuditLog.h"
#include "store/CashLog.h"
#include "store/Ledger.h"
#include "store/Schema.h"
#include "support/FixedClock.h"
#include "support/Members.h"
#include "support/SchemaFiles.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QSqlQuery>
#include <QtTest>

namespace {

const QString kRefPhone = QStringLiteral("13800000001");
const QString kBuyerPhone = QStringLiteral("13800000002");
const Session kAdmin{QStringLiteral("admin"), QStringLiteral("123456"), Role::Owner};

// Ref refers Buyer; Loner names nobody.
struct Shop
{
    TestFolder folder;
    qint64 ref = addMember(folder.store(), QStringLiteral("Ref"), kRefPhone, {}, {}, yuan("3"));
    qint64 buyer = addMember(folder.store(), QStringLiteral("Buyer"), kBuyerPhone,
                             QStringLiteral("Ref"), {}, yuan("500.5"));
    qint64 loner = addMember(folder.store(), QStringLiteral("Loner"), QStringLiteral("13800000003"),
                             {}, {}, yuan("80"));

    explicit Shop(const CommissionSetting &setting = {10, 0}) : setting(setting)
    {
        folder.store().setOperatorName(QStringLiteral("admin"));
    }
    CommissionSetting setting;
    Database &store() { return folder.store(); }
    Member at(qint64 id) { return memberAt(store(), id); }

    // Consumes and returns the number of the consumption entry.
    qint64 consume(const QString &name, const QString &payment, const char *amount)
    {
        const Consumption::Outcome o =
            Consumption::confirm(store(), {name, {}, payment, QString::fromLatin1(amount)}, setting,
                                 [] { return true; });
        if (o.kind != Consumption::Outcome::Kind::Done)
            qFatal("consumption refused: %s", qPrintable(o.message));
        return store()
            .scalar(QStringLiteral("SELECT max(流水号) FROM 账户流水 WHERE 类别 IN "
                                   "('余额消费', '现金消费')"))
            .toLongLong();
    }
    Reversal::Outcome reverse(qint64 entry, bool answer = true, QStringList *asked = nullptr)
    {
        return Reversal::reverse(store(), kAdmin, entry, kAdmin.password, [&](const QString &q) {
            if (asked)
                *asked << q;
            return answer;
        });
    }
    QString money(qint64 id)
    {
        const Member m = at(id);
        return QStringLiteral("%1/%2/%3")
            .arg(m.balance.toString(), m.consumed.toString())
            .arg(m.consumptions);
    }
    qint64 count(const QString &sql) { return store().scalar(sql).toLongLong(); }
};

} // namespace

class TestLedger : public QObject
{
    Q_OBJECT
private:
    FixedClock m_clock;

private Q_SLOTS:
    // A consumption and its reversal leave both members as they were, and
    // the ledger explains every step.
    void reversalRestores_data()
    {
        QTest::addColumn<qint64>("fixed");
        QTest::addColumn<qint64>("percent");
        QTest::addColumn<QString>("payment");
        QTest::addColumn<QString>("consumer");
        QTest::addColumn<bool>("deleteReferrer");
        QTest::addColumn<QString>("takenBack"); // commission taken back from Ref
        for (const QString &payment : {Consumption::kBalance, Consumption::kCash}) {
            const QByteArray p = payment == Consumption::kCash ? "cash" : "balance";
            QTest::newRow(p + ", fixed, referrer")
                << qint64(10) << qint64(0) << payment << QStringLiteral("Buyer") << false
                << QStringLiteral("10");
            QTest::newRow(p + ", percent, referrer")
                << qint64(0) << qint64(7) << payment << QStringLiteral("Buyer") << false
                << QStringLiteral("5.25");
            QTest::newRow(p + ", fixed, no referrer")
                << qint64(10) << qint64(0) << payment << QStringLiteral("Loner") << false
                << QStringLiteral("0");
            QTest::newRow(p + ", percent, no referrer")
                << qint64(0) << qint64(7) << payment << QStringLiteral("Loner") << false
                << QStringLiteral("0");
            QTest::newRow(p + ", fixed, referrer deleted")
                << qint64(10) << qint64(0) << payment << QStringLiteral("Buyer") << true
                << QStringLiteral("0");
        }
    }
    void reversalRestores()
    {
        QFETCH(qint64, fixed);
        QFETCH(qint64, percent);
        QFETCH(QString, payment);
        QFETCH(QString, consumer);
        QFETCH(bool, deleteReferrer);
        QFETCH(QString, takenBack);
        Shop shop({fixed, percent});
        const qint64 id = consumer == QLatin1String("Buyer") ? shop.buyer : shop.loner;
        const QString before = shop.money(id);
        const QString refBefore = shop.money(shop.ref);
        const qint64 cashBefore = CashLog(shop.store()).count();

        const qint64 entry = shop.consume(consumer, payment, "75");
        QVERIFY(shop.money(id) != before);
        if (deleteReferrer)
            QCOMPARE(MemberDelete::remove(shop.store(), QStringLiteral("Ref")).removed.size(), 1);
        const Reversal::Outcome o = shop.reverse(entry);
        QVERIFY2(o.done, qPrintable(o.message));

        QCOMPARE(shop.money(id), before);
        if (!deleteReferrer)
            QCOMPARE(shop.money(shop.ref), refBefore);
        const Ledger::Entry undone = Ledger(shop.store()).linkedTo(entry).constLast();
        QCOMPARE(undone.kind, Ledger::kReversedConsumption);
        QCOMPARE(undone.note, deleteReferrer ? Reversal::kReferrerDeletedNote : QString());
        QCOMPARE(shop.count(QStringLiteral("SELECT coalesce(sum(金额), 0) FROM 账户流水 "
                                           "WHERE 类别 = '撤销提成'")),
                 Money::fromStored(takenBack).fen());
        // A cash payment is taken out of the cash log again by a negative row.
        const bool cash = payment == Consumption::kCash;
        QCOMPARE(CashLog(shop.store()).count(), cashBefore + (cash ? 2 : 0));
        if (cash)
            QCOMPARE(shop.store()
                         .scalar(QStringLiteral("SELECT 名称 || ' ' || 数额 FROM 现金 "
                                                "ORDER BY rowid DESC LIMIT 1"))
                         .toString(),
                     QStringLiteral("撤销消费 -75"));
        QCOMPARE(Ledger(shop.store()).reconcile().size(), 0);
        // The audit log names the reversal.
        QCOMPARE(
            shop.count(QStringLiteral("SELECT count(*) FROM 操作日志 WHERE 操作 = '撤销消费'")),
            qint64(1));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("message");
        QTest::newRow("twice") << "twice" << Reversal::kAlreadyReversed;
        QTest::newRow("the reversal itself") << "reversal" << Reversal::kNotConsumption;
        QTest::newRow("a commission") << "commission" << Reversal::kNotConsumption;
        QTest::newRow("a recharge") << "recharge" << Reversal::kNotConsumption;
        QTest::newRow("consumer deleted") << "deleted" << Reversal::kConsumerDeleted;
        QTest::newRow("no such entry") << "missing" << Reversal::kNothingSelected;
        QTest::newRow("wrong password") << "password" << Reversal::kWrongPassword;
        QTest::newRow("a cashier, not his own") << "staff" << Reversal::kOwnRecentOnly;
    }
    void refusals()
    {
        QFETCH(QString, what);
        QFETCH(QString, message);
        Shop shop;
        const qint64 entry = shop.consume(QStringLiteral("Buyer"), Consumption::kBalance, "20");
        qint64 target = entry;
        Session session = kAdmin;
        QString typed = kAdmin.password;
        if (what == QLatin1String("twice") || what == QLatin1String("reversal")) {
            QVERIFY(shop.reverse(entry).done);
            if (what == QLatin1String("reversal"))
                target = shop.count(QStringLiteral("SELECT max(流水号) FROM 账户流水"));
        } else if (what == QLatin1String("commission")) {
            target = entry + 1;
            QCOMPARE(Ledger(shop.store()).entry(target)->kind, Ledger::kCommission);
        } else if (what == QLatin1String("recharge")) {
            QVERIFY(
                Recharge::recharge(shop.store(), {QStringLiteral("Loner"), {}, QStringLiteral("5")})
                    .done);
            target = shop.count(QStringLiteral("SELECT max(流水号) FROM 账户流水"));
        } else if (what == QLatin1String("deleted")) {
            MemberDelete::remove(shop.store(), QStringLiteral("Buyer"));
        } else if (what == QLatin1String("missing")) {
            target = 9999;
        } else if (what == QLatin1String("password")) {
            typed = QStringLiteral("12345");
        } else if (what == QLatin1String("staff")) {
            session.name = QStringLiteral("staff");
            session.role = Role::Cashier;
        }
        const QString ledgerBefore =
            shop.store()
                .scalar(QStringLiteral(
                    "SELECT count(*) || '/' || coalesce(sum(余额变动), 0) FROM 账户流水"))
                .toString();
        const QString buyerBefore =
            what == QLatin1String("deleted") ? QString() : shop.money(shop.buyer);
        const Reversal::Outcome o = Reversal::reverse(shop.store(), session, target, typed,
                                                      [](const QString &) { return true; });
        QVERIFY(!o.done);
        QCOMPARE(o.message, message);
        QCOMPARE(shop.store()
                     .scalar(QStringLiteral(
                         "SELECT count(*) || '/' || coalesce(sum(余额变动), 0) FROM 账户流水"))
                     .toString(),
                 ledgerBefore);
        if (!buyerBefore.isEmpty())
            QCOMPARE(shop.money(shop.buyer), buyerBefore);
    }

    // Ref has spent his commission: taking it back leaves him below zero,
    // which happens only when the operator says so.
    void negativeReferrer_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("continue") << true;
        QTest::newRow("cancel") << false;
    }
    void negativeReferrer()
    {
        QFETCH(bool, answer);
        Shop shop;
        const qint64 entry = shop.consume(QStringLiteral("Buyer"), Consumption::kBalance, "50");
        QVERIFY(Recharge::recharge(shop.store(),
                                   {QStringLiteral("Ref"), {}, QStringLiteral("-12"), true})
                    .done); // Ref: 3 + 10 - 12 = 1
        const QString buyerBefore = shop.money(shop.buyer);
        QStringList asked;
        const Reversal::Outcome o = shop.reverse(entry, answer, &asked);
        QCOMPARE(asked, QStringList{QStringLiteral(
                            "推荐人余额不足以扣回提成，扣回后余额为 -9 元，是否继续？")});
        QCOMPARE(o.done, answer);
        QCOMPARE(shop.at(shop.ref).balance, answer ? yuan("-9") : yuan("1"));
        if (!answer) {
            QCOMPARE(o.message, Reversal::kCancelled);
            QCOMPARE(shop.money(shop.buyer), buyerBefore);
        }
        QCOMPARE(Ledger(shop.store()).reconcile().size(), 0);
    }

    // Another tool changed the file: reconciliation lists exactly the
    // members whose rows no longer add up, with the differences.
    void reconciliationFindsEdits_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("cells"); // balance diff | consumed diff | count diff
        QTest::newRow("balance") << "UPDATE 会员登记 SET 余额 = 99.99 WHERE 会员名 = 'Loner'"
                                 << "19.99|0|0";
        QTest::newRow("consumption total")
            << "UPDATE 会员登记 SET 消费金额 = 消费金额 - 0.5 WHERE 会员名 = 'Loner'"
            << "0|-0.5|0";
        QTest::newRow("count") << "UPDATE 会员登记 SET 被推荐人消费次数 = 7 WHERE 会员名 = 'Loner'"
                               << "0|0|7";
        QTest::newRow("unreadable balance")
            << "UPDATE 会员登记 SET 余额 = 'abc' WHERE 会员名 = 'Loner'"
            << "-80|0|0";
        QTest::newRow("member added behind the program's back")
            << "INSERT INTO 会员登记 (会员名, 手机号, 余额) VALUES ('Loner', '13900000000', 5)"
            << "5|0|0";
    }
    void reconciliationFindsEdits()
    {
        QFETCH(QString, edit);
        QFETCH(QString, cells);
        if (edit.contains(QLatin1String("'abc'")))
            PELLOMAR_FILE_ONLY("a server's amount column holds only numbers");
        Shop shop;
        shop.consume(QStringLiteral("Buyer"), Consumption::kCash, "30");
        QCOMPARE(Ledger(shop.store()).reconcile().size(), 0);
        shop.store().exec(edit);
        const QList<Ledger::Difference> found = Ledger(shop.store()).reconcile();
        QCOMPARE(found.size(), 1);
        const Ledger::Difference &d = found.first();
        QCOMPARE(d.name, QStringLiteral("Loner"));
        QCOMPARE(QStringList({(d.stored.balance - d.ledger.balance).toString(),
                              (d.stored.consumed - d.ledger.consumed).toString(),
                              QString::number(d.stored.consumptions - d.ledger.consumptions)})
                     .join(QLatin1Char('|')),
                 cells);
    }

    // A file of every version from before the ledger, with amounts in the
    // forms older files hold: opened, it is upgraded, has one opening entry
    // per member and reconciles to zero differences.
    void olderFileUpgrades_data()
    {
        QTest::addColumn<int>("version");
        const int firstWithLedger = 3;
        for (int version = 1; version < firstWithLedger; ++version)
            QTest::addRow("version %d", version) << version;
    }
    void olderFileUpgrades()
    {
        QFETCH(int, version);
        PELLOMAR_FILE_ONLY("older versions are files");
        TestFolder folder(false);
        const QString path = folder.path() + QStringLiteral("/old.mdb");
        QCOMPARE(writeDatabaseOfVersion(path, version), QString());
        QCOMPARE(runOnFile(
                     path,
                     {QStringLiteral(
                          "INSERT INTO 会员登记 (会员名, 手机号, 消费金额, 被推荐人消费次数, 余额) "
                          "VALUES ('A', '13800000001', '.15', 2, '20.00'), "
                          "('B', '13800000002', 70.1, 1, 0.29), ('C', '13800000003', 0, 0, 0)"),
                      QStringLiteral("DELETE FROM 会员登记 WHERE 会员名 = 'B'"),
                      QStringLiteral("INSERT INTO 会员登记 (会员名, 手机号, 余额) "
                                     "VALUES ('D', '13800000004', 1234567.89)")}),
                 QString());
        Database store(path);
        QVERIFY2(store.open(), qPrintable(store.lastError()));
        QCOMPARE(Schema::versionOf(store.database()), Schema::kVersion);
        QCOMPARE(Ledger(store).reconcile().size(), 0);
        QCOMPARE(store
                     .scalar(QStringLiteral("SELECT group_concat(会员名 || ':' || 余额变动 || ':' "
                                            "|| 消费变动, ' ') FROM 账户流水 WHERE 类别 = '期初' "
                                            "AND 会员名 IN ('A', 'C', 'D')"))
                     .toString(),
                 QStringLiteral("A:2000:15 C:0:0 D:123456789:0"));
        const qint64 members = MemberTable(store).count();
        QCOMPARE(store.scalar(QStringLiteral("SELECT count(*) FROM 账户流水")).toLongLong(),
                 members);
        // A member registered after the upgrade gets an account of his own.
        addMember(store, QStringLiteral("E"), QStringLiteral("13800000005"));
        QCOMPARE(store
                     .scalar(QStringLiteral("SELECT count(DISTINCT 会员号) FROM 会员账户 "
                                            "WHERE 会员行 IS NOT NULL"))
                     .toLongLong(),
                 members + 1);
    }

    // A row another program added has no account: its first entry opens
    // one, and later entries go to the same account.
    void memberAddedElsewhereGetsAnAccount()
    {
        TestFolder folder;
        Database &store = folder.store();
        store
            .exec(QStringLiteral("INSERT INTO 会员登记 (会员名, 手机号, 余额) "
                                 "VALUES ('Outsider', '13800000008', 10)"))
            .finish();
        const qint64 id =
            store.scalar(QStringLiteral("SELECT rowid FROM 会员登记 WHERE 会员名 = 'Outsider'"))
                .toLongLong();
        Member m = memberAt(store, id);
        Ledger ledger(store);
        const Money yuan = Money::fromYuan(1);
        const qint64 first = ledger.add(m, Ledger::kRecharge, yuan, {yuan, {}, 0});
        const qint64 second = ledger.add(m, Ledger::kRecharge, yuan, {yuan, {}, 0});
        QVERIFY(first > 0 && second > first);
        const qint64 account = ledger.entry(first)->account;
        QCOMPARE(ledger.entry(second)->account, account);
        QCOMPARE(ledger.memberOf(account), std::optional<qint64>(id));
    }

    // A deleted member's account is closed; a member who later gets his row
    // number starts a new account and inherits nothing.
    void deletedMemberLeavesNothingBehind()
    {
        Shop shop;
        shop.consume(QStringLiteral("Loner"), Consumption::kBalance, "30");
        MemberDelete::remove(shop.store(), QStringLiteral("Loner"));
        const qint64 again =
            addMember(shop.store(), QStringLiteral("New"), QStringLiteral("13800000009"));
        if (!TestServer::cluster())
            QCOMPARE(again, shop.loner); // SQLite gives the last row number out again
        QCOMPARE(Ledger(shop.store()).reconcile().size(), 0);
        const qint64 account = Ledger(shop.store()).ensureAccount(again);
        QCOMPARE(Ledger(shop.store()).statement(account, {}, {}).size(), 0);
        QCOMPARE(
            shop.store()
                .scalar(QStringLiteral("SELECT 余额变动 FROM 账户流水 WHERE 类别 = '删除会员'"))
                .toLongLong(),
            qint64(-5000));
    }

    void statementFilters_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("totals");
        QTest::newRow("all") << QDate() << QDate() << QString()
                             << "共 4 条，余额变动 480.5 元，消费变动 20 元，次数变动 1";
        QTest::newRow("one day") << QDate(2026, 12, 8) << QDate(2026, 12, 8) << QString()
                                 << "共 1 条，余额变动 -20 元，消费变动 20 元，次数变动 1";
        QTest::newRow("one kind") << QDate() << QDate() << Ledger::kRecharge
                                  << "共 1 条，余额变动 1 元，消费变动 0 元，次数变动 0";
        QTest::newRow("before everything") << QDate(2020, 1, 1) << QDate(2026, 12, 6) << QString()
                                           << "共 0 条，余额变动 0 元，消费变动 0 元，次数变动 0";
    }
    void statementFilters()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, kind);
        QFETCH(QString, totals);
        Shop shop; // opening entries on 2026-12-07
        m_clock.set(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        shop.consume(QStringLiteral("Buyer"), Consumption::kBalance, "20");
        m_clock.set(QDateTime(QDate(2026, 12, 9), QTime(9, 0)));
        QVERIFY(Recharge::recharge(shop.store(), {QStringLiteral("Buyer"), {}, QStringLiteral("1")})
                    .done);
        QVERIFY(Recharge::recharge(shop.store(),
                                   {QStringLiteral("Buyer"), {}, QStringLiteral("-1"), true})
                    .done);
        m_clock.set(QDateTime(QDate(2026, 12, 7), QTime(20, 5, 9)));
        Ledger ledger(shop.store());
        const QList<Ledger::Entry> rows =
            ledger.statement(ledger.ensureAccount(shop.buyer), from, to, kind);
        QCOMPARE(Statement::totalsText(Statement::totals(rows)), totals);
        for (qsizetype i = 1; i < rows.size(); ++i)
            QVERIFY(rows.at(i - 1).number > rows.at(i).number); // newest first
    }

    // The statement read a screen at a time lists exactly the entries of the
    // whole read, in its order, whatever the page size, and its totals are
    // those of the whole read; the referrer's commissions between them are
    // another account's and never show.
    void statementPages_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("rows");
        const QDate open;
        QTest::newRow("all, one row a page") << open << open << QString() << 1;
        QTest::newRow("all, 7 a page") << open << open << QString() << 7;
        QTest::newRow("all kinds by name, 50 a page") << open << open << Statement::kAllKinds << 50;
        QTest::newRow("one day") << QDate(2026, 12, 10) << QDate(2026, 12, 10) << QString() << 4;
        QTest::newRow("from a day on") << QDate(2026, 12, 11) << open << QString() << 5;
        QTest::newRow("up to a day") << open << QDate(2026, 12, 9) << QString() << 3;
        QTest::newRow("one kind") << open << open << Ledger::kCashConsumption << 2;
        QTest::newRow("one kind, two days")
            << QDate(2026, 12, 9) << QDate(2026, 12, 10) << Ledger::kBalanceConsumption << 2;
        QTest::newRow("nothing") << QDate(2027, 1, 1) << open << QString() << 3;
    }
    void statementPages()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, kind);
        QFETCH(int, rows);
        Shop shop; // opening entries on 2026-12-07
        for (int i = 0; i < 24; ++i) {
            m_clock.set(QDateTime(QDate(2026, 12, 8).addDays(i / 5), QTime(9, i)));
            if (i % 3 == 2)
                QVERIFY(Recharge::recharge(shop.store(),
                                           {QStringLiteral("Buyer"), {}, QStringLiteral("7")})
                            .done);
            else
                shop.consume(QStringLiteral("Buyer"),
                             i % 3 ? Consumption::kCash : Consumption::kBalance, "3");
        }
        const qint64 account = Ledger(shop.store()).ensureAccount(shop.buyer);
        const QList<Ledger::Entry> whole =
            Ledger(shop.store())
                .statement(account, from, to, kind == Statement::kAllKinds ? QString() : kind);

        const Statement::FirstScreen first =
            Statement::firstScreen(shop.store(), account, from, to, kind, rows);
        const Statement::Totals expected = Statement::totals(whole);
        QCOMPARE(Statement::totalsText(first.totals), Statement::totalsText(expected));
        QList<qint64> paged, wanted;
        Statement::Page page = first.page;
        for (;;) {
            QVERIFY(page.entries.size() <= rows);
            for (const Ledger::Entry &e : page.entries) {
                QCOMPARE(e.account, account);
                paged << e.number;
            }
            QVERIFY(paged.size() <= whole.size()); // no page comes twice
            if (!page.more)
                break;
            QCOMPARE(page.entries.size(), rows);
            page = Statement::nextPage(shop.store(), account, from, to, kind,
                                       page.entries.constLast().number, rows);
        }
        for (const Ledger::Entry &e : whole)
            wanted << e.number;
        QCOMPARE(paged, wanted);
    }

    // A reversed entry says so in its kind, and it and its reversal name
    // each other, on whichever page each of them comes; a commission not
    // reversed names the consumption that earned it, in the buyer's account.
    // Each row: its kind cell > the kind cell of the entry it links to
    // ("elsewhere" when that entry is in another account).
    void statementMarksReversals_data()
    {
        QTest::addColumn<bool>("referrer");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("expected");
        for (const int rows : {1, 2, 50}) {
            const QByteArray size = " by " + QByteArray::number(rows);
            QTest::newRow("buyer" + size) << false << rows
                                          << QStringLiteral("撤销消费>余额消费（已撤销）|余额消费>|"
                                                            "余额消费（已撤销）>撤销消费|期初>");
            QTest::newRow("referrer" + size)
                << true << rows
                << QStringLiteral("撤销提成>推荐提成（已撤销）|推荐提成>elsewhere|"
                                  "推荐提成（已撤销）>撤销提成|期初>");
        }
    }
    void statementMarksReversals()
    {
        QFETCH(bool, referrer);
        QFETCH(int, rows);
        QFETCH(QString, expected);
        Shop shop;
        const qint64 reversed = shop.consume(QStringLiteral("Buyer"), Consumption::kBalance, "20");
        shop.consume(QStringLiteral("Buyer"), Consumption::kBalance, "30");
        QVERIFY(shop.reverse(reversed).done);
        const qint64 account = Ledger(shop.store()).ensureAccount(referrer ? shop.ref : shop.buyer);

        Statement::Page page = Statement::firstScreen(shop.store(), account, {}, {}, {}, rows).page;
        QList<Ledger::Entry> entries = page.entries;
        Statement::Reversals reversals = page.reversals;
        while (page.more) {
            page = Statement::nextPage(shop.store(), account, {}, {}, {},
                                       page.entries.constLast().number, rows);
            entries += page.entries;
            reversals.insert(page.reversals);
        }
        QHash<qint64, QString> kindOf;
        for (const Ledger::Entry &e : entries)
            kindOf.insert(e.number, Statement::cells(e, reversals).at(Statement::kKindColumn));
        QStringList shown;
        for (const Ledger::Entry &e : entries) {
            const QStringList cells = Statement::cells(e, reversals);
            const qint64 linked = Statement::linkedEntry(e, reversals);
            QCOMPARE(cells.at(Statement::kLinkedColumn),
                     linked ? QString::number(linked) : QString());
            shown << cells.at(Statement::kKindColumn) + QLatin1Char('>') +
                         (linked ? kindOf.value(linked, QStringLiteral("elsewhere")) : QString());
        }
        QCOMPARE(shown.join(QLatin1Char('|')), expected);
    }

    // No password, hash or password length reaches the audit log, or any
    // byte of the file through it; the actions themselves are there.
    void auditLogHoldsNoSecret()
    {
        Shop shop;
        Database &store = shop.store();
        const QString first = QStringLiteral("Qz7#first-secret");
        const QString second = QStringLiteral("Wx9#second-secret");
        QCOMPARE(Login::check(store, QStringLiteral("admin"), first), Login::Result::Invalid);
        QCOMPARE(Login::check(store, QStringLiteral("admin"), QStringLiteral("123456")),
                 Login::Result::Ok);
        QVERIFY(AdminRules::registerAccount(store, {true, QStringLiteral("clerk"), first, first,
                                                    QStringLiteral("day shift")})
                    .written);
        Session clerk{QStringLiteral("clerk"), first};
        const Admin row = AdminTable(store).byName(QStringLiteral("clerk")).first();
        QVERIFY(AdminRules::modify(
                    store, clerk, row,
                    {true, QStringLiteral("clerk"), second, second, QStringLiteral("night shift")},
                    first)
                    .written);
        QVERIFY(AdminRules::remove(store, row, second).written);
        QCOMPARE(
            MemberModify::save(
                store,
                {shop.loner, true, QStringLiteral("女"), QStringLiteral("13800000008"), {}, {}})
                .kind,
            MemberModify::Outcome::Kind::Saved);
        MemberDelete::remove(store, QStringLiteral("Loner"));
        QCOMPARE(
            joinedRows(store, QStringLiteral("SELECT 操作 FROM 操作日志 ORDER BY 序号"), u','),
            QStringLiteral("登录失败,登录,注册管理员,修改管理员,删除管理员,修改会员,删除会员"));
        QCOMPARE(store.scalar(QStringLiteral("SELECT 内容 FROM 操作日志 WHERE 操作 = '修改会员'"))
                     .toString(),
                 QStringLiteral("会员 Loner，性别：男 → 女；手机号：13800000003 → 13800000008") +
                     // On a server the log names the till.
                     (store.tillName().isEmpty()
                          ? QString()
                          : QStringLiteral("（收银台：%1）").arg(store.tillName())));
        const QString everything = joinedRows(
            store, QStringLiteral("SELECT 时间 || 管理员 || 操作 || 内容 FROM 操作日志"), u'|');
        for (const QString &secret : {first, second}) {
            QVERIFY(!everything.contains(secret));
            QVERIFY(!everything.contains(QString::number(secret.size())));
        }
        QVERIFY(!everything.contains(QStringLiteral("$argon2")));
        store.close();
        QFile file(shop.folder.files().liveDatabase());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        for (const QString &secret : {first, second}) {
            QVERIFY(!bytes.contains(secret.toUtf8()));
            QVERIFY(!bytes.contains(
                QByteArray(reinterpret_cast<const char *>(secret.utf16()), secret.size() * 2)));
        }
    }
};

QTEST_GUILESS_MAIN(TestLedger)
#include "tst_ledger.moc"
