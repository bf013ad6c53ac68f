// The referral commission: the mode a setting gives, finding the referrer,
// and the exact amount credited.
#include "rules/money/Commission.h"
#include "support/Members.h"
#include "support/TestFolder.h"

#include <QtTest>

using namespace Commission;

namespace {
const QString kXPhone = QStringLiteral("13800000001");
}

class TestCommission : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void derive_data()
    {
        QTest::addColumn<qint64>("fixed");
        QTest::addColumn<qint64>("percent");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<bool>("isFixed");
        QTest::addColumn<qint64>("value");
        QTest::newRow("fixed 10") << qint64(10) << qint64(0) << QString() << true << qint64(10);
        QTest::newRow("percent 5") << qint64(0) << qint64(5) << QString() << false << qint64(5);
        QTest::newRow("zero row of an older file")
            << qint64(0) << qint64(0) << kNoMode << false << qint64(0);
        QTest::newRow("both set") << qint64(10) << qint64(5) << kOverlap << false << qint64(0);
        QTest::newRow("negative counts as unset")
            << qint64(-5) << qint64(0) << kNoMode << false << qint64(0);
        QTest::newRow("negative beside a percent")
            << qint64(-5) << qint64(3) << QString() << false << qint64(3);
    }
    void derive()
    {
        QFETCH(qint64, fixed);
        QFETCH(qint64, percent);
        QFETCH(QString, refusal);
        QFETCH(bool, isFixed);
        QFETCH(qint64, value);
        const Derived d = Commission::derive({fixed, percent});
        QCOMPARE(d.refusal, refusal);
        QCOMPARE(d.rate.has_value(), refusal.isEmpty());
        if (d.rate) {
            QCOMPARE(d.rate->kind == Rate::Kind::Fixed, isFixed);
            QCOMPARE(d.rate->value, value);
        }
    }

    void rateOnAmount_data()
    {
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("earned");
        QTest::newRow("fixed ignores the amount")
            << true << qint64(10) << QStringLiteral("3") << QStringLiteral("10");
        QTest::newRow("5% of 3") << false << qint64(5) << QStringLiteral("3")
                                 << QStringLiteral("0.15");
        QTest::newRow("5% of 200")
            << false << qint64(5) << QStringLiteral("200") << QStringLiteral("10");
        QTest::newRow("33% of 1") << false << qint64(33) << QStringLiteral("1")
                                  << QStringLiteral("0.33");
        QTest::newRow("half a fen rounds up")
            << false << qint64(5) << QStringLiteral("0.3") << QStringLiteral("0.02");
        QTest::newRow("99% of 9999999")
            << false << qint64(99) << QStringLiteral("9999999") << QStringLiteral("9899999.01");
    }
    void rateOnAmount()
    {
        QFETCH(bool, fixed);
        QFETCH(qint64, value);
        QFETCH(QString, amount);
        QFETCH(QString, earned);
        const Rate rate{fixed ? Rate::Kind::Fixed : Rate::Kind::Percent, value};
        QCOMPARE(rate.on(Money::fromStored(amount)).toString(), earned);
    }

    // The consumer C names referrer/referrerPhone; X (phone kXPhone) and Y
    // exist. The referrer is the same whether looked up or locked with C.
    void referrerNamed_data()
    {
        QTest::addColumn<QString>("referrer");
        QTest::addColumn<QString>("referrerPhone");
        QTest::addColumn<QString>("found"); // empty: nobody
        QTest::newRow("by name") << QStringLiteral("X") << QString() << QStringLiteral("X");
        QTest::newRow("name before phone") << QStringLiteral("Y") << kXPhone << QStringLiteral("Y");
        QTest::newRow("name ignores letter case")
            << QStringLiteral("y") << QString() << QStringLiteral("Y");
        QTest::newRow("phone when the name is empty")
            << QString() << kXPhone << QStringLiteral("X");
        QTest::newRow("phone when the name finds nobody (deleted)")
            << QStringLiteral("Gone") << kXPhone << QStringLiteral("X");
        QTest::newRow("name is not trimmed") << QStringLiteral(" Y") << QString() << QString();
        QTest::newRow("phone is trimmed")
            << QString() << QStringLiteral(" 13800000001 ") << QStringLiteral("X");
        QTest::newRow("deleted, no phone") << QStringLiteral("Gone") << QString() << QString();
        QTest::newRow("nothing named") << QString() << QString() << QString();
        QTest::newRow("blank phone finds nobody")
            << QString() << QStringLiteral("   ") << QString();
    }
    void referrerNamed()
    {
        QFETCH(QString, referrer);
        QFETCH(QString, referrerPhone);
        QFETCH(QString, found);
        TestFolder folder;
        addMember(folder.store(), QStringLiteral("X"), kXPhone);
        addMember(folder.store(), QStringLiteral("Y"), QStringLiteral("13800000002"));
        addMember(folder.store(), QString(), QString()); // an empty row of an older file
        const qint64 c = addMember(folder.store(), QStringLiteral("C"),
                                   QStringLiteral("13800000003"), referrer, referrerPhone);
        MemberTable members(folder.store());
        const std::optional<Member> m = members.referrerNamed(referrer, referrerPhone);
        QCOMPARE(m ? m->name : QString(), found);
        QCOMPARE(m.has_value(), !found.isEmpty());

        Transaction tx(folder.store());
        QStringList locked;
        for (const Member &row : members.lockWithReferrer(c, referrer, referrerPhone))
            locked << row.name;
        const QStringList expected = found.isEmpty() ? QStringList() : QStringList{found};
        QCOMPARE(locked, expected + QStringList{QStringLiteral("C")});
        if (m) {
            QVERIFY(Commission::stillNamed(*m, referrer, referrerPhone));
            Member renamed = *m;
            renamed.name = QStringLiteral("Z");
            renamed.phone = QStringLiteral("13900000009");
            QVERIFY(!Commission::stillNamed(renamed, referrer, referrerPhone));
        }
    }

    void creditIsExact_data()
    {
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("after");
        QTest::newRow("fixed 10 onto 12345.67")
            << true << qint64(10) << QStringLiteral("12345.67") << QStringLiteral("30")
            << QStringLiteral("12355.67");
        QTest::newRow("5% of 200 onto 10") << false << qint64(5) << QStringLiteral("10")
                                           << QStringLiteral("200") << QStringLiteral("20");
        QTest::newRow("5% of 3 onto 0") << false << qint64(5) << QStringLiteral("0")
                                        << QStringLiteral("3") << QStringLiteral("0.15");
        QTest::newRow("onto a negative balance") << true << qint64(10) << QStringLiteral("-2.5")
                                                 << QStringLiteral("1") << QStringLiteral("7.5");
    }
    void creditIsExact()
    {
        QFETCH(bool, fixed);
        QFETCH(qint64, value);
        QFETCH(QString, before);
        QFETCH(QString, amount);
        QFETCH(QString, after);
        TestFolder folder;
        const qint64 x = addMember(folder.store(), QStringLiteral("X"), kXPhone, {}, {},
                                   Money::fromStored(before));
        const qint64 c = addMember(folder.store(), QStringLiteral("C"),
                                   QStringLiteral("13800000002"), QStringLiteral("X"), kXPhone);
        MemberTable members(folder.store());
        const Rate rate{fixed ? Rate::Kind::Fixed : Rate::Kind::Percent, value};
        const auto credit = Commission::credit(members, rate, memberAt(folder.store(), c),
                                               Money::fromStored(amount));
        QVERIFY(credit);
        QCOMPARE(credit->referrer.id, x);
        QCOMPARE(credit->referrer.balance.toString(), after);
        QCOMPARE(memberAt(folder.store(), x).balance.toString(), after);
        // The stored value reads back the same outside this program's reader
        // (a server's decimal column shows its two places).
        const QString stored =
            folder.store()
                .scalar(QStringLiteral("SELECT 余额 * 100 FROM 会员登记 WHERE rowid = ?"), {x})
                .toString();
        QCOMPARE(stored.section(QLatin1Char('.'), 0, 0),
                 QString::number(Money::fromStored(after).fen()));
    }
};

QTEST_GUILESS_MAIN(TestCommission)
#include "tst_commission.moc"
