// One consumption: the checks in order, the lookups, balance and cash
// payment, the referrer credited exactly once, and all-or-nothing writes.
#include "base/NumberText.h"
#include "base/StoreError.h"
#include "rules/money/Commission.h"
#include "rules/money/Consumption.h"
#include "store/CashLog.h"
#include "store/CommissionTable.h"
#include "support/FixedClock.h"
#include "support/Members.h"
#include "support/TestFolder.h"

#include <QSqlQuery>
#include <QtTest>

using namespace Consumption;

Q_DECLARE_METATYPE(Consumption::Outcome::Kind)
Q_DECLARE_METATYPE(Consumption::Focus)

namespace {

const QString kXPhone = QStringLiteral("13800000001");
const QString kLilyPhone = QStringLiteral("13800000002");
const QString kDanPhone = QStringLiteral("13800000003");

// X refers Lily by name and phone; Dan names nobody.
struct Shop
{
    TestFolder folder;
    qint64 x = addMember(folder.store(), QStringLiteral("X"), kXPhone, {}, {}, yuan("1"));
    qint64 lily = addMember(folder.store(), QStringLiteral("Lily"), kLilyPhone, QStringLiteral("X"),
                            kXPhone, yuan("100.1"));
    qint64 dan = addMember(folder.store(), QStringLiteral("Dan"), kDanPhone, {}, {}, yuan("50"));

    Database &store() { return folder.store(); }
    Member at(qint64 id) { return memberAt(store(), id); }
    qint64 cashRows() { return CashLog(store()).count(); }
    // Every member's three consumption fields, to show that nothing changed.
    QString snapshot()
    {
        QString s;
        MemberTable(store()).forEach([&s](const Member &m) {
            s += QStringLiteral("%1:%2/%3/%4 ")
                     .arg(m.name, m.consumed.toString(), m.balance.toString())
                     .arg(m.consumptions);
            return true;
        });
        return s + QString::number(CashLog(store()).count());
    }
};

const CommissionSetting kFixed10{10, 0};
const CommissionSetting kPercent5{0, 5};

Outcome run(Shop &shop, const Request &r, const CommissionSetting &setting = kFixed10,
            bool answer = false)
{
    return confirm(shop.store(), r, setting, [answer] { return answer; });
}

} // namespace

class TestConsumption : public QObject
{
    Q_OBJECT
private:
    FixedClock m_clock; // 2026-12-07 20:05:09

private Q_SLOTS:
    void refusalsInOrder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("payment");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<qint64>("fixed");
        QTest::addColumn<qint64>("percent");
        QTest::addColumn<Outcome::Kind>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Focus>("focus");

        const auto refused = Outcome::Kind::Refused;
        const auto closes = Outcome::Kind::CloseScreen;
        const QString lily = QStringLiteral("Lily");
        const QString none;
        const QString b = kBalance;
        const qint64 t = 10, z = 0;
        QTest::newRow("no amount, nothing else")
            << none << none << b << none << t << z << refused << kNoAmount << Focus::Unchanged;
        QTest::newRow("amount 0") << lily << none << b << QStringLiteral("0") << t << z << refused
                                  << kNoAmount << Focus::Unchanged;
        QTest::newRow("letters read as 0") << lily << none << b << QStringLiteral("abc") << t << z
                                           << refused << kNoAmount << Focus::Unchanged;
        QTest::newRow("12abc") << lily << none << b << QStringLiteral("12abc") << t << z << refused
                               << kNotNumber << Focus::Unchanged;
        QTest::newRow("no name, no phone") << none << none << b << QStringLiteral("5") << t << z
                                           << refused << kNoKey << Focus::Unchanged;
        QTest::newRow("10-digit phone with a name")
            << lily << QStringLiteral("1380000000") << b << QStringLiteral("5") << t << z << refused
            << kBadPhone << Focus::Phone;
        QTest::newRow("bad phone before pasted -5")
            << none << QStringLiteral("1380000000") << b << QStringLiteral("-5") << t << z
            << refused << kBadPhone << Focus::Phone;
        QTest::newRow("pasted -5") << lily << none << b << QStringLiteral("-5") << t << z << refused
                                   << kNotNumber << Focus::Unchanged;
        QTest::newRow("three decimals")
            << lily << none << b << QStringLiteral("1.234") << t << z << refused
            << NumberText::amountProblemText(NumberText::AmountProblem::TooManyDecimals)
            << Focus::Unchanged;
        QTest::newRow("ten million")
            << lily << none << QString(kCash) << QStringLiteral("10000000") << t << z << refused
            << NumberText::amountProblemText(NumberText::AmountProblem::TooLarge)
            << Focus::Unchanged;
        QTest::newRow("0.00 reads as no amount") << lily << none << b << QStringLiteral("0.00") << t
                                                 << z << refused << kNoAmount << Focus::Unchanged;
        QTest::newRow("pasted 1e3") << lily << none << b << QStringLiteral("1e3") << t << z
                                    << refused << kNotNumber << Focus::Unchanged;
        QTest::newRow("amount checks before the mode")
            << lily << none << b << QStringLiteral("-5") << z << z << refused << kNotNumber
            << Focus::Unchanged;
        QTest::newRow("zero setting") << lily << none << b << QStringLiteral("5") << z << z
                                      << closes << Commission::kNoMode << Focus::Unchanged;
        QTest::newRow("both modes set")
            << lily << none << b << QStringLiteral("5") << t << qint64(5) << closes
            << Commission::kOverlap << Focus::Unchanged;
        QTest::newRow("mode before the lookup")
            << QStringLiteral("Nobody") << none << b << QStringLiteral("5") << z << z << closes
            << Commission::kNoMode << Focus::Unchanged;
        QTest::newRow("unknown name")
            << QStringLiteral("Nobody") << none << b << QStringLiteral("5") << t << z << refused
            << kNotRegistered << Focus::Unchanged;
        QTest::newRow("unknown name, cash")
            << QStringLiteral("Nobody") << none << QString(kCash) << QStringLiteral("5") << t << z
            << refused << kNotRegistered << Focus::Unchanged;
        QTest::newRow("name and phone of different members")
            << lily << kDanPhone << b << QStringLiteral("5") << t << z << refused << kNotRegistered
            << Focus::Unchanged;
        QTest::newRow("balance 100.1, amount 101")
            << lily << none << b << QStringLiteral("101") << t << z << refused << kInsufficient
            << Focus::Unchanged;
        QTest::newRow("unknown payment kind")
            << lily << none << QStringLiteral("刷卡") << QStringLiteral("5") << t << z
            << Outcome::Kind::Ignored << QString() << Focus::Unchanged;
    }
    void refusalsInOrder()
    {
        QFETCH(QString, name);
        QFETCH(QString, phone);
        QFETCH(QString, payment);
        QFETCH(QString, amount);
        QFETCH(qint64, fixed);
        QFETCH(qint64, percent);
        QFETCH(Outcome::Kind, kind);
        QFETCH(QString, message);
        QFETCH(Focus, focus);
        Shop shop;
        const QString before = shop.snapshot();
        const quint64 commits = shop.store().commitCount();
        const Outcome o = run(shop, {name, phone, payment, amount}, {fixed, percent});
        QCOMPARE(o.kind, kind);
        QCOMPARE(o.message, message);
        QCOMPARE(o.focus, focus);
        QVERIFY(!o.freshAmount);
        QCOMPARE(shop.snapshot(), before);
        QCOMPARE(shop.store().commitCount(), commits);
    }

    void balancePayment_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("balance");
        QTest::addColumn<qint64>("consumedFen");
        QTest::newRow("100.1 less 30 is exactly 70.1")
            << QStringLiteral("Lily") << QString() << QStringLiteral("30")
            << QStringLiteral("操作完成\n消费 30元，余额 70.1元\n推荐人 X 获得提成 10 元")
            << QStringLiteral("70.1") << qint64(3000);
        QTest::newRow("name with blanks around")
            << QStringLiteral("  lily ") << QString() << QStringLiteral("1")
            << QStringLiteral("操作完成\n消费 1元，余额 99.1元\n推荐人 X 获得提成 10 元")
            << QStringLiteral("99.1") << qint64(100);
        QTest::newRow("by phone, leading zeros")
            << QString() << kLilyPhone << QStringLiteral("007")
            << QStringLiteral("操作完成\n消费 7元，余额 93.1元\n推荐人 X 获得提成 10 元")
            << QStringLiteral("93.1") << qint64(700);
        QTest::newRow("jiao and fen, shortest form")
            << QStringLiteral("Lily") << QString() << QStringLiteral("100.10")
            << QStringLiteral("操作完成\n消费 100.1元，余额 0元\n推荐人 X 获得提成 10 元")
            << QStringLiteral("0") << qint64(10010);
        QTest::newRow("one fen")
            << QStringLiteral("Lily") << QString() << QStringLiteral(".01")
            << QStringLiteral("操作完成\n消费 0.01元，余额 100.09元\n推荐人 X 获得提成 10 元")
            << QStringLiteral("100.09") << qint64(1);
        QTest::newRow("by both") << QStringLiteral("Lily") << kLilyPhone << QStringLiteral("100")
                                 << QStringLiteral(
                                        "操作完成\n消费 100元，余额 0.1元\n推荐人 X 获得提成 10 元")
                                 << QStringLiteral("0.1") << qint64(10000);
    }
    void balancePayment()
    {
        QFETCH(QString, name);
        QFETCH(QString, phone);
        QFETCH(QString, amount);
        QFETCH(QString, result);
        QFETCH(QString, balance);
        QFETCH(qint64, consumedFen);
        Shop shop;
        const quint64 commits = shop.store().commitCount();
        const Outcome o = run(shop, {name, phone, kBalance, amount});
        QCOMPARE(o.kind, Outcome::Kind::Done);
        QCOMPARE(o.result, result);
        QVERIFY(o.freshAmount);
        QCOMPARE(o.message, QString());
        const Member lily = shop.at(shop.lily);
        QCOMPARE(lily.balance.toString(), balance);
        QCOMPARE(lily.consumed, Money::fromFen(consumedFen));
        QCOMPARE(lily.consumptions, 1);
        QCOMPARE(shop.cashRows(), 0);
        QCOMPARE(shop.store().commitCount(), commits + 1);
    }

    void amountEqualToTheBalanceIsAccepted()
    {
        Shop shop;
        const Outcome o = run(shop, {QStringLiteral("Dan"), {}, kBalance, QStringLiteral("50")});
        QCOMPARE(o.result, QStringLiteral("操作完成\n消费 50元，余额 0元"));
        QCOMPARE(shop.at(shop.dan).balance, Money());
        QCOMPARE(run(shop, {QStringLiteral("Dan"), {}, kBalance, QStringLiteral("1")}).message,
                 kInsufficient);
        QCOMPARE(shop.at(shop.dan).consumptions, 1);
    }

    void cashPaymentLeavesOneCashRow()
    {
        Shop shop;
        const Outcome o = run(shop, {QStringLiteral("Dan"), {}, kCash, QStringLiteral("70")});
        QCOMPARE(o.kind, Outcome::Kind::Done);
        QCOMPARE(o.result, QStringLiteral("操作完成，现金消费：70元"));
        const Member dan = shop.at(shop.dan);
        QCOMPARE(dan.balance, Money::fromYuan(50)); // no balance test, no debit
        QCOMPARE(dan.consumed, Money::fromYuan(70));
        QCOMPARE(dan.consumptions, 1);
        QSqlQuery &q = shop.store().exec(QStringLiteral("SELECT 日期, 名称, 数额 FROM 现金"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("2026-12-07 20:05:09"));
        QCOMPARE(q.value(1).toString(), QStringLiteral("现金消费"));
        QCOMPARE(q.value(2).toString(), QStringLiteral("70"));
        QVERIFY(!q.next());
        q.finish();
    }

    // Lily names X by name and by phone: X earns once on every path.
    void referrerCreditedOnce_data()
    {
        QTest::addColumn<QString>("payment");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<bool>("percent");
        QTest::addColumn<QString>("xBalance");
        const QString cash = kCash;
        const QString bal = kBalance;
        const QString lily = QStringLiteral("Lily");
        for (const bool pct : {false, true}) {
            const QString after = pct ? QStringLiteral("6") : QStringLiteral("11");
            const char *mode = pct ? "5%" : "fixed 10";
            for (const QString &payment : {cash, bal}) {
                const QByteArray tag = (payment == cash ? "cash" : "balance");
                QTest::addRow("%s by name, %s", tag.constData(), mode)
                    << payment << lily << QString() << pct << after;
                QTest::addRow("%s by phone, %s", tag.constData(), mode)
                    << payment << QString() << kLilyPhone << pct << after;
                QTest::addRow("%s by both, %s", tag.constData(), mode)
                    << payment << lily << kLilyPhone << pct << after;
            }
        }
    }
    void referrerCreditedOnce()
    {
        QFETCH(QString, payment);
        QFETCH(QString, name);
        QFETCH(QString, phone);
        QFETCH(bool, percent);
        QFETCH(QString, xBalance);
        Shop shop;
        const Outcome o = run(shop, {name, phone, payment, QStringLiteral("100")},
                              percent ? kPercent5 : kFixed10);
        QCOMPARE(o.kind, Outcome::Kind::Done);
        QCOMPARE(shop.at(shop.x).balance.toString(), xBalance);
        QCOMPARE(shop.at(shop.dan).balance, Money::fromYuan(50));
    }

    // The fixed commission stays whole yuan on any amount; the percentage
    // rounds half away from zero to the fen.
    void commissionOnJiaoAndFen_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<bool>("percent");
        QTest::addColumn<QString>("xBalance");
        QTest::newRow("fixed on 0.5") << QStringLiteral("0.5") << false << QStringLiteral("11");
        QTest::newRow("5% of 0.15 is 0.0075")
            << QStringLiteral("0.15") << true << QStringLiteral("1.01");
        QTest::newRow("5% of 10.10 is 0.505")
            << QStringLiteral("10.10") << true << QStringLiteral("1.51");
        QTest::newRow("5% of 0.09 is 0.0045")
            << QStringLiteral("0.09") << true << QStringLiteral("1");
    }
    void commissionOnJiaoAndFen()
    {
        QFETCH(QString, amount);
        QFETCH(bool, percent);
        QFETCH(QString, xBalance);
        Shop shop;
        const Outcome o =
            run(shop, {QStringLiteral("Lily"), {}, kCash, amount}, percent ? kPercent5 : kFixed10);
        QCOMPARE(o.kind, Outcome::Kind::Done);
        QCOMPARE(shop.at(shop.x).balance.toString(), xBalance);
        QCOMPARE(shop.at(shop.lily).consumed, Money::fromStored(amount));
    }

    void referrerFoundByPhoneWhenTheNameIsGone()
    {
        Shop shop;
        const qint64 amy =
            addMember(shop.store(), QStringLiteral("Amy"), QStringLiteral("13800000004"),
                      QStringLiteral("Deleted"), kXPhone, yuan("10"));
        run(shop, {QStringLiteral("Amy"), {}, kBalance, QStringLiteral("3")}, kPercent5);
        QCOMPARE(shop.at(shop.x).balance.toString(), QStringLiteral("1.15"));
        QCOMPARE(shop.at(amy).balance, Money::fromYuan(7));
    }

    void nobodyCreditedWithoutAReferrer()
    {
        Shop shop;
        run(shop, {QStringLiteral("Dan"), {}, kBalance, QStringLiteral("5")});
        QCOMPARE(shop.at(shop.x).balance, Money::fromYuan(1));
        QCOMPARE(shop.at(shop.lily).balance.toString(), QStringLiteral("100.1"));
        QCOMPARE(shop.at(shop.dan).consumptions, 1);
    }

    // A row that names its own member (an older file, or a correction) earns
    // that member nothing on his own consumption.
    void selfReferrerEarnsNothing_data()
    {
        QTest::addColumn<QString>("referrer");
        QTest::addColumn<QString>("referrerPhone");
        QTest::newRow("by name") << QStringLiteral("Sam") << QString();
        QTest::newRow("by phone") << QString() << QStringLiteral("13800000005");
    }
    void selfReferrerEarnsNothing()
    {
        QFETCH(QString, referrer);
        QFETCH(QString, referrerPhone);
        Shop shop;
        const qint64 sam =
            addMember(shop.store(), QStringLiteral("Sam"), QStringLiteral("13800000005"), referrer,
                      referrerPhone, yuan("20"));
        run(shop, {QStringLiteral("Sam"), {}, kBalance, QStringLiteral("15")});
        QCOMPARE(shop.at(sam).balance, Money::fromYuan(5));
        QCOMPARE(shop.at(sam).consumptions, 1);
    }

    // A member with an empty name is found by a name box of blanks only.
    void emptyKeyGuard_data()
    {
        QTest::addColumn<QString>("payment");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("freshAmount");
        QTest::addColumn<bool>("written");
        const QString p = QStringLiteral("13800000009");
        QTest::newRow("balance by name")
            << QString(kBalance) << QString() << false << kNobody << false << false;
        QTest::newRow("balance by both")
            << QString(kBalance) << p << false << kNoMatch << false << false;
        QTest::newRow("cash by name, not confirmed")
            << QString(kCash) << QString() << false << QString() << true << false;
        QTest::newRow("cash by both, not confirmed")
            << QString(kCash) << p << false << QString() << false << false;
        QTest::newRow("cash by name, confirmed")
            << QString(kCash) << QString() << true << QString() << true << true;
    }
    void emptyKeyGuard()
    {
        QFETCH(QString, payment);
        QFETCH(QString, phone);
        QFETCH(bool, answer);
        QFETCH(QString, message);
        QFETCH(bool, freshAmount);
        QFETCH(bool, written);
        Shop shop;
        const qint64 blank =
            addMember(shop.store(), QString(), QStringLiteral("13800000009"), {}, {}, yuan("50"));
        const Outcome o = run(shop, {QStringLiteral("   "), phone, payment, QStringLiteral("5")},
                              kFixed10, answer);
        QCOMPARE(o.message, message);
        QCOMPARE(o.kind, written ? Outcome::Kind::Done : Outcome::Kind::Refused);
        QCOMPARE(o.focus, written ? Focus::Unchanged : Focus::Name);
        QCOMPARE(o.freshAmount, freshAmount);
        QCOMPARE(shop.at(blank).consumptions, written ? 1 : 0);
        QCOMPARE(shop.cashRows(), written ? 1 : 0);
    }

    // A write that fails part-way leaves every row as it was.
    void failingWriteLeavesNothing_data()
    {
        QTest::addColumn<QString>("payment");
        QTest::addColumn<QString>("trigger");
        QTest::newRow("cash log fails")
            << QString(kCash) << QStringLiteral("BEFORE INSERT ON 现金");
        QTest::newRow("referrer credit fails, balance")
            << QString(kBalance)
            << QStringLiteral("BEFORE UPDATE ON 会员登记 WHEN old.会员名 = 'X'");
        QTest::newRow("referrer credit fails, cash")
            << QString(kCash) << QStringLiteral("BEFORE UPDATE ON 会员登记 WHEN old.会员名 = 'X'");
    }
    void failingWriteLeavesNothing()
    {
        QFETCH(QString, payment);
        QFETCH(QString, trigger);
        PELLOMAR_FILE_ONLY("the failing write is a trigger of the file's own dialect");
        Shop shop;
        shop.store().exec(QStringLiteral("CREATE TRIGGER fail %1 BEGIN SELECT RAISE(ABORT, 'disk "
                                         "full'); END")
                              .arg(trigger));
        const QString before = shop.snapshot();
        bool thrown = false;
        try {
            run(shop, {QStringLiteral("Lily"), {}, payment, QStringLiteral("20")});
        } catch (const StoreError &) {
            thrown = true;
        }
        QVERIFY(thrown);
        QCOMPARE(shop.snapshot(), before);

        shop.store().exec(QStringLiteral("DROP TRIGGER fail"));
        QCOMPARE(run(shop, {QStringLiteral("Lily"), {}, payment, QStringLiteral("20")}).kind,
                 Outcome::Kind::Done);
        QCOMPARE(shop.at(shop.x).balance, Money::fromYuan(11));
    }
};

QTEST_GUILESS_MAIN(TestConsumption)
#include "tst_consumption.moc"
