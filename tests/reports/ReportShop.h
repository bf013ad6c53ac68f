#pragma once

#include "base/Session.h"
#include "rules/members/MemberDelete.h"
#include "rules/money/Consumption.h"
#include "rules/money/Recharge.h"
#include "rules/money/Reversal.h"
#include "store/CashLog.h"
#include "support/FixedClock.h"
#include "support/Members.h"
#include "support/TestFolder.h"

// A shop whose ledger the reports are checked against, worked out by hand.
// Referrers RefA, RefB and RefC (deleted on 12-07); referees A1, A2, A3
// (deleted), A4 (by phone, never consumed) of RefA, B1 of RefB, C1 of RefC.
// Two administrators (admin, clerk), commissions of 10 yuan fixed and of 7 %.
//
//   #1 11-30 10:00 admin  A1 余额 100 fixed   RefA +10
//   #2 12-01 09:00 admin  A1 现金  50 fixed   RefA +10
//   #3 12-07 09:15 admin  A1 余额 200 7 %     RefA +14
//   #4 12-07 10:30 clerk  A2 现金  80 7 %     RefA +5.60
//   #5 12-07 11:00 clerk  B1 余额  40 7 %     RefB +2.80
//      12-07 14:00 admin  reverses #1         RefA -10
//   #7 12-07 15:00 admin  C1 现金  30 fixed   RefC +10
//      12-07 16:00 admin  recharges A2 500; 16:10 clerk offsets A2 -20
//  #10 12-07 17:00 admin  A3 余额  60 7 %     RefA +4.20
//      12-07 18:00 A3 deleted; 18:30 RefC deleted; 19:00 admin reverses #7
//      (nothing taken back); 20:00 a cash row of 5 typed by another tool
//   #9 12-08 09:00 admin  reverses #2         RefA -10
struct ReportShop
{
    FixedClock clock{QDateTime(QDate(2026, 11, 1), QTime(8, 0))};
    TestFolder folder;
    const Session admin{QStringLiteral("admin"), QStringLiteral("123456"), Role::Owner};
    qint64 refA = 0, refB = 0, refC = 0, a1 = 0, a2 = 0, a3 = 0, a4 = 0, b1 = 0, c1 = 0;
    qint64 refAAccount = 0, refCAccount = 0;

    Database &store() { return folder.store(); }

    void at(int month, int day, int hour, int minute, const char *who = "admin")
    {
        clock.set(QDateTime(QDate(2026, month, day), QTime(hour, minute)));
        store().setOperatorName(QString::fromLatin1(who));
    }
    qint64 consume(const char *name, bool cash, const char *amount, bool percent)
    {
        const CommissionSetting setting =
            percent ? CommissionSetting{0, 7} : CommissionSetting{10, 0};
        const Consumption::Outcome o =
            Consumption::confirm(store(),
                                 {QString::fromLatin1(name),
                                  {},
                                  cash ? Consumption::kCash : Consumption::kBalance,
                                  QString::fromLatin1(amount)},
                                 setting, [] { return true; });
        if (o.kind != Consumption::Outcome::Kind::Done)
            qFatal("consumption refused: %s", qPrintable(o.message));
        return store()
            .scalar(QStringLiteral("SELECT max(流水号) FROM 账户流水 WHERE 类别 IN "
                                   "('余额消费', '现金消费')"))
            .toLongLong();
    }
    void reverse(qint64 entry)
    {
        if (!Reversal::reverse(store(), admin, entry, admin.password, [](const QString &) {
                 return true;
             }).done)
            qFatal("reversal refused");
    }
    qint64 accountOf(qint64 id)
    {
        return store()
            .scalar(QStringLiteral("SELECT 会员号 FROM 会员账户 WHERE 会员行 = ?"), {id})
            .toLongLong();
    }

    ReportShop()
    {
        const QString phoneA = QStringLiteral("13900000001");
        at(11, 1, 8, 0);
        refA = MemberRow(QStringLiteral("RefA"), phoneA).addTo(store());
        refB = MemberRow(QStringLiteral("RefB"), QStringLiteral("13900000002")).addTo(store());
        refC = MemberRow(QStringLiteral("RefC"), QStringLiteral("13900000003")).addTo(store());
        a1 = MemberRow(QStringLiteral("A1"), QStringLiteral("13900000011"))
                 .referredBy(QStringLiteral("RefA"))
                 .balance(yuan("1000"))
                 .addTo(store());
        a2 = MemberRow(QStringLiteral("A2"), QStringLiteral("13900000012"))
                 .referredBy(QStringLiteral("RefA"))
                 .registered(QDate(2026, 11, 20))
                 .addTo(store());
        a3 = MemberRow(QStringLiteral("A3"), QStringLiteral("13900000013"))
                 .referredBy(QStringLiteral("RefA"))
                 .balance(yuan("100"))
                 .addTo(store());
        a4 = MemberRow(QStringLiteral("A4"), QStringLiteral("13900000014"))
                 .referredBy({}, phoneA)
                 .addTo(store());
        b1 = MemberRow(QStringLiteral("B1"), QStringLiteral("13900000021"))
                 .referredBy(QStringLiteral("RefB"))
                 .balance(yuan("50"))
                 .registered(QDate(2026, 12, 7))
                 .addTo(store());
        c1 = MemberRow(QStringLiteral("C1"), QStringLiteral("13900000031"))
                 .referredBy(QStringLiteral("RefC"))
                 .addTo(store());
        MemberRow(QStringLiteral("Loner"), QStringLiteral("13900000099"))
            .registered(QDate(2026, 12, 7))
            .addTo(store());
        refAAccount = accountOf(refA);
        refCAccount = accountOf(refC);

        at(11, 30, 10, 0);
        const qint64 e1 = consume("A1", false, "100", false);
        at(12, 1, 9, 0);
        const qint64 e2 = consume("A1", true, "50", false);
        at(12, 7, 9, 15);
        consume("A1", false, "200", true);
        at(12, 7, 10, 30, "clerk");
        consume("A2", true, "80", true);
        at(12, 7, 11, 0, "clerk");
        consume("B1", false, "40", true);
        at(12, 7, 14, 0);
        reverse(e1);
        at(12, 7, 15, 0);
        const qint64 e7 = consume("C1", true, "30", false);
        at(12, 7, 16, 0);
        Recharge::recharge(store(), {QStringLiteral("A2"), {}, QStringLiteral("500"), false});
        at(12, 7, 16, 10, "clerk");
        Recharge::recharge(store(), {QStringLiteral("A2"), {}, QStringLiteral("-20"), true});
        at(12, 7, 17, 0);
        consume("A3", false, "60", true);
        at(12, 7, 18, 0);
        MemberDelete::remove(store(), QStringLiteral("A3"));
        at(12, 7, 18, 30);
        MemberDelete::remove(store(), QStringLiteral("RefC"));
        at(12, 7, 19, 0);
        reverse(e7);
        CashLog(store()).add(QDateTime(QDate(2026, 12, 7), QTime(20, 0)), QStringLiteral("5"),
                             QStringLiteral("手工"));
        at(12, 8, 9, 0);
        reverse(e2);
    }
};
