// Recharge and balance offset: the checks in order, the three lookups, the
// negative-balance refusal, the messages, and a failing write.
#include "base/NumberText.h"
#include "base/StoreError.h"
#include "rules/money/Recharge.h"
#include "support/Members.h"
#include "support/TestFolder.h"

#include <QtTest>

using namespace Recharge;

Q_DECLARE_METATYPE(Recharge::Focus)

namespace {

const QString kLilyPhone = QStringLiteral("13800000001");
const QString kDanPhone = QStringLiteral("13800000002");

} // namespace

class TestRecharge : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void refusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<bool>("offset");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Focus>("focus");
        const QString lily = QStringLiteral("Lily");
        const QString none;
        const auto same = Focus::Unchanged;
        QTest::newRow("no name, no phone") << none << none << none << false << kNoKey << same;
        QTest::newRow("no amount") << lily << none << none << false << kBadAmount << same;
        QTest::newRow("0") << lily << none << QStringLiteral("0") << false << kBadAmount << same;
        QTest::newRow("00") << lily << none << QStringLiteral("00") << false << kBadAmount << same;
        QTest::newRow("offset -0")
            << lily << none << QStringLiteral("-0") << true << kBadAmount << same;
        QTest::newRow("letters") << lily << none << QStringLiteral("abc") << false << kBadAmount
                                 << same;
        QTest::newRow("three decimals")
            << lily << none << QStringLiteral("2.505") << false
            << NumberText::amountProblemText(NumberText::AmountProblem::TooManyDecimals) << same;
        QTest::newRow("offset of ten million")
            << lily << none << QStringLiteral("-10000000") << true
            << NumberText::amountProblemText(NumberText::AmountProblem::TooLarge) << same;
        QTest::newRow("offset -0.00")
            << lily << none << QStringLiteral("-0.00") << true << kBadAmount << same;
        QTest::newRow("pasted 1e3")
            << lily << none << QStringLiteral("1e3") << false << kBadAmount << same;
        QTest::newRow("negative without the offset tick")
            << lily << none << QStringLiteral("-5") << false << kBadAmount << same;
        QTest::newRow("a lone minus")
            << lily << none << QStringLiteral("-") << true << kBadAmount << same;
        QTest::newRow("amount checked before the lookup")
            << QStringLiteral("Nobody") << none << QStringLiteral("0") << false << kBadAmount
            << same;
        QTest::newRow("unknown name") << QStringLiteral("Nobody") << none << QStringLiteral("5")
                                      << false << kNameNotFound << Focus::Name;
        QTest::newRow("blank name") << QStringLiteral("   ") << none << QStringLiteral("5") << false
                                    << kNameNotFound << Focus::Name;
        QTest::newRow("unknown phone")
            << none << QStringLiteral("13900000000") << QStringLiteral("5") << false
            << kPhoneNotFound << Focus::Phone;
        QTest::newRow("name and phone of different members")
            << lily << kDanPhone << QStringLiteral("5") << false << kBothNotFound << Focus::Phone;
        QTest::newRow("offset below zero")
            << lily << none << QStringLiteral("-31") << true << kNegative << same;
    }
    void refusals()
    {
        QFETCH(QString, name);
        QFETCH(QString, phone);
        QFETCH(QString, amount);
        QFETCH(bool, offset);
        QFETCH(QString, message);
        QFETCH(Focus, focus);
        TestFolder folder;
        const qint64 lily =
            addMember(folder.store(), QStringLiteral("Lily"), kLilyPhone, {}, {}, yuan("30"));
        addMember(folder.store(), QStringLiteral("Dan"), kDanPhone);
        const quint64 commits = folder.store().commitCount();
        const Outcome o = recharge(folder.store(), {name, phone, amount, offset});
        QVERIFY(!o.done);
        QCOMPARE(o.message, message);
        QCOMPARE(o.focus, focus);
        QCOMPARE(o.status, QString());
        QCOMPARE(memberAt(folder.store(), lily).balance, Money::fromYuan(30));
        QCOMPARE(folder.store().commitCount(), commits);
    }

    void recharges_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<bool>("offset");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("after");
        const QString lily = QStringLiteral("Lily");
        QTest::newRow("by name, trimmed in the message")
            << QStringLiteral("12.5") << QStringLiteral(" Lily ") << QString()
            << QStringLiteral("10") << false
            << QStringLiteral("会员 Lily 充值成功！本次充值 10 元！") << QStringLiteral("22.5");
        QTest::newRow("007 recharges 7")
            << QStringLiteral("0") << lily << QString() << QStringLiteral("007") << false
            << QStringLiteral("会员 Lily 充值成功！本次充值 7 元！") << QStringLiteral("7");
        QTest::newRow("by phone") << QStringLiteral("0.15") << QString() << kLilyPhone
                                  << QStringLiteral("9999999") << false
                                  << QStringLiteral(
                                         "手机号 13800000001 用户充值成功！本次充值 9999999 元！")
                                  << QStringLiteral("9999999.15");
        QTest::newRow("by both")
            << QStringLiteral("1") << lily << kLilyPhone << QStringLiteral("1") << false
            << QStringLiteral("会员名 Lily 手机号 13800000001 的用户充值成功！本次充值 1 元！")
            << QStringLiteral("2");
        QTest::newRow("offset 30 on 30 leaves 0")
            << QStringLiteral("30") << lily << QString() << QStringLiteral("-30") << true
            << QStringLiteral("会员 Lily 充值成功！本次充值 -30 元！") << QStringLiteral("0");
        QTest::newRow("offset on a fraction")
            << QStringLiteral("50.5") << lily << QString() << QStringLiteral("-50") << true
            << QStringLiteral("会员 Lily 充值成功！本次充值 -50 元！") << QStringLiteral("0.5");
        QTest::newRow("jiao, shortest form")
            << QStringLiteral("0") << lily << QString() << QStringLiteral("50.50") << false
            << QStringLiteral("会员 Lily 充值成功！本次充值 50.5 元！") << QStringLiteral("50.5");
        QTest::newRow("largest amount")
            << QStringLiteral("0") << lily << QString() << QStringLiteral("9999999.99") << false
            << QStringLiteral("会员 Lily 充值成功！本次充值 9999999.99 元！")
            << QStringLiteral("9999999.99");
        QTest::newRow("offset of fen")
            << QStringLiteral("50.5") << lily << QString() << QStringLiteral("-0.05") << true
            << QStringLiteral("会员 Lily 充值成功！本次充值 -0.05 元！") << QStringLiteral("50.45");
        QTest::newRow("tick without minus is a recharge")
            << QStringLiteral("1") << lily << QString() << QStringLiteral("5") << true
            << QStringLiteral("会员 Lily 充值成功！本次充值 5 元！") << QStringLiteral("6");
    }
    void recharges()
    {
        QFETCH(QString, before);
        QFETCH(QString, name);
        QFETCH(QString, phone);
        QFETCH(QString, amount);
        QFETCH(bool, offset);
        QFETCH(QString, message);
        QFETCH(QString, after);
        TestFolder folder;
        const qint64 lily = addMember(folder.store(), QStringLiteral("Lily"), kLilyPhone, {}, {},
                                      Money::fromStored(before));
        const qint64 dan = addMember(folder.store(), QStringLiteral("Dan"), kDanPhone);
        const Outcome o = recharge(folder.store(), {name, phone, amount, offset});
        QVERIFY(o.done);
        QCOMPARE(o.message, message);
        QCOMPARE(o.status, QStringLiteral("充值完成！余额：") + after + QStringLiteral("元"));
        const Member m = memberAt(folder.store(), lily);
        QCOMPARE(m.balance.toString(), after);
        QCOMPARE(m.consumed, Money());
        QCOMPARE(m.consumptions, 0);
        QCOMPARE(memberAt(folder.store(), dan).balance, Money());
    }

    void pressingTwiceRechargesTwice()
    {
        TestFolder folder;
        const qint64 lily = addMember(folder.store(), QStringLiteral("Lily"), kLilyPhone);
        const Request r{QStringLiteral("Lily"), {}, QStringLiteral("20"), false};
        recharge(folder.store(), r);
        QCOMPARE(recharge(folder.store(), r).status, QStringLiteral("充值完成！余额：40元"));
        QCOMPARE(memberAt(folder.store(), lily).balance, Money::fromYuan(40));
    }

    void emptyBalanceCountsAsZero()
    {
        PELLOMAR_FILE_ONLY("a server's amount column holds only numbers");
        TestFolder folder;
        const qint64 lily = addMember(folder.store(), QStringLiteral("Lily"), kLilyPhone);
        folder.store().exec(QStringLiteral("UPDATE 会员登记 SET 余额 = '' WHERE rowid = ?"),
                            {lily});
        QCOMPARE(recharge(folder.store(), {QStringLiteral("Lily"), {}, QStringLiteral("5"), false})
                     .status,
                 QStringLiteral("充值完成！余额：5元"));
    }

    void firstOfTwoWithTheSamePhone()
    {
        TestFolder folder;
        const qint64 first = addMember(folder.store(), QStringLiteral("A"), kLilyPhone);
        const qint64 second = addMember(folder.store(), QStringLiteral("B"), kLilyPhone);
        recharge(folder.store(), {{}, kLilyPhone, QStringLiteral("5"), false});
        QCOMPARE(memberAt(folder.store(), first).balance, Money::fromYuan(5));
        QCOMPARE(memberAt(folder.store(), second).balance, Money());
    }

    void failingWriteLeavesTheBalance()
    {
        PELLOMAR_FILE_ONLY("the failing write is a trigger of the file's own dialect");
        TestFolder folder;
        const qint64 lily =
            addMember(folder.store(), QStringLiteral("Lily"), kLilyPhone, {}, {}, yuan("3"));
        folder.store().exec(QStringLiteral("CREATE TRIGGER fail BEFORE UPDATE ON 会员登记 "
                                           "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        bool thrown = false;
        try {
            recharge(folder.store(), {QStringLiteral("Lily"), {}, QStringLiteral("5"), false});
        } catch (const StoreError &) {
            thrown = true;
        }
        QVERIFY(thrown);
        QCOMPARE(memberAt(folder.store(), lily).balance, Money::fromYuan(3));
    }
};

QTEST_GUILESS_MAIN(TestRecharge)
#include "tst_recharge.moc"
