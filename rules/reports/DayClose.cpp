#include "rules/reports/DayClose.h"

#include "store/Database.h"
#include "store/Ledger.h"

#include <QSqlQuery>

namespace DayClose {

namespace {

Tally tallyOf(const QSqlQuery &q, int column)
{
    return {q.value(column).toLongLong(), Money::fromFen(q.value(column + 1).toLongLong())};
}

Tally *tallyFor(Figures &f, const QString &kind)
{
    if (kind == Ledger::kBalanceConsumption)
        return &f.balanceConsumptions;
    if (kind == Ledger::kCashConsumption)
        return &f.cashConsumptions;
    if (kind == Ledger::kRecharge)
        return &f.recharges;
    if (kind == Ledger::kOffset)
        return &f.offsets;
    if (kind == Ledger::kCommission)
        return &f.commissions;
    if (kind == Ledger::kReversedCommission)
        return &f.reversedCommissions;
    if (kind == Ledger::kReversedConsumption)
        return &f.reversedConsumptions;
    return nullptr;
}

QString yuanText(Money m)
{
    return m.toStringWithCents() + QStringLiteral(" 元");
}

QString tallyText(const Tally &t)
{
    return QStringLiteral("%1 笔，").arg(t.count) + yuanText(t.sum);
}

} // namespace

Figures compute(Database &store, const QDate &day, const QString &admin)
{
    Figures f;
    f.day = day;
    f.admin = admin;
    const TimeSpan span = TimeSpan::days(day, day);
    const QVariantList bounds{span.start, span.end, admin, admin};

    // The day's entries, a range of the time index, added up kind by kind.
    static const QStringList kinds = {Ledger::kBalanceConsumption, Ledger::kCashConsumption,
                                      Ledger::kRecharge,           Ledger::kOffset,
                                      Ledger::kCommission,         Ledger::kReversedCommission,
                                      Ledger::kReversedConsumption};
    QVariantList values(kinds.begin(), kinds.end());
    QSqlQuery &byKind = store.exec(
        QStringLiteral(
            "SELECT 类别, substr(时间, 12, 2), count(*), coalesce(sum(金额), 0) "
            "FROM 账户流水 WHERE 类别 IN (?, ?, ?, ?, ?, ?, ?) AND 时间 >= ? AND 时间 < ? "
            "AND (? = '' OR 管理员 = ?) GROUP BY 1, 2"),
        values + bounds);
    while (byKind.next()) {
        const QString kind = byKind.value(0).toString();
        const Tally t = tallyOf(byKind, 2);
        if (Tally *target = tallyFor(f, kind))
            *target += t;
        const int hour = byKind.value(1).toInt();
        if ((kind == Ledger::kBalanceConsumption || kind == Ledger::kCashConsumption) &&
            hour >= 0 && hour < 24)
            f.hours[hour] += t;
    }
    byKind.finish();

    QSqlQuery &cash = store.exec(
        QStringLiteral(
            "SELECT count(*), coalesce(sum(r.金额), 0) FROM 账户流水 r "
            "JOIN 账户流水 o ON o.流水号 = r.关联流水 "
            "WHERE r.类别 = ? AND r.时间 >= ? AND r.时间 < ? AND (? = '' OR r.管理员 = ?) "
            "AND o.类别 = ?"),
        QVariantList{Ledger::kReversedConsumption} + bounds +
            QVariantList{Ledger::kCashConsumption});
    if (cash.next())
        f.reversedCash = tallyOf(cash, 0);
    cash.finish();

    f.newMembers = store
                       .scalar(QStringLiteral("SELECT count(*) FROM 会员登记 WHERE 注册时间 = ?"),
                               {day.toString(Qt::ISODate)})
                       .toLongLong();

    // 现金 keeps its amounts as texts, read the way the program reads amounts.
    QSqlQuery &log =
        store.exec(QStringLiteral("SELECT 数额 FROM 现金 WHERE 日期 >= ? AND 日期 < ?"),
                   {span.start, span.end});
    while (log.next())
        f.cashLog += Money::fromStored(log.value(0));
    log.finish();
    return f;
}

QStringList admins(Database &store)
{
    QStringList names;
    QSqlQuery &q = store.exec(QStringLiteral("SELECT 管理员名字 FROM 管理员登记 ORDER BY rowid"));
    while (q.next())
        names << q.value(0).toString();
    q.finish();
    return names;
}

QString title(const Figures &f)
{
    return QStringLiteral("日结 ") + f.day.toString(Qt::ISODate) +
           (f.admin.isEmpty() ? QStringLiteral("（全部管理员）")
                              : QStringLiteral("（管理员：") + f.admin + QStringLiteral("）"));
}

QList<QStringList> lines(const Figures &f)
{
    const Money difference = f.cashLog - f.expectedCash();
    return {
        {QStringLiteral("余额消费"), tallyText(f.balanceConsumptions)},
        {QStringLiteral("现金消费"), tallyText(f.cashConsumptions)},
        {QStringLiteral("充值"), tallyText(f.recharges)},
        {QStringLiteral("冲减"), tallyText(f.offsets)},
        {QStringLiteral("推荐提成"), tallyText(f.commissions)},
        {QStringLiteral("撤销消费"), tallyText(f.reversedConsumptions)},
        {QStringLiteral("其中撤销现金消费"), tallyText(f.reversedCash)},
        {QStringLiteral("撤销提成"), tallyText(f.reversedCommissions)},
        {QStringLiteral("新会员"), QStringLiteral("%1 人").arg(f.newMembers)},
        {QStringLiteral("应收现金"), yuanText(f.expectedCash())},
        {QStringLiteral("现金记录"), yuanText(f.cashLog)},
        {QStringLiteral("现金差额"), yuanText(difference)},
    };
}

} // namespace DayClose
