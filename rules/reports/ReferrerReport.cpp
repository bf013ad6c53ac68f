#include "rules/reports/ReferrerReport.h"

#include "store/Database.h"
#include "store/Ledger.h"

#include <QHash>
#include <QSqlQuery>
#include <algorithm>

namespace ReferrerReport {

namespace {

// Per referee over the range (v holds the account, the range and two of the
// kinds): the commissions written in it with the
// consumptions they came from, the commissions taken back in it, and the
// consumptions reversed in it that had credited the referrer. Each part
// reads only the range's entries, found through the referrer's account or
// through the reversals' index, in the order the joins are written (CROSS
// JOIN). The last part's kind is bound in place, not read from v: only a
// kind the statement itself holds lets SQLite use an index of some kinds.
// Columns: referee account, consumptions, their amount, commission.
const QString kParts = QStringLiteral(
    "SELECT o.会员号 AS a, 1 AS n, o.金额 AS s, k.余额变动 AS c FROM v CROSS JOIN 账户流水 k "
    "CROSS JOIN 账户流水 o "
    "WHERE k.会员号 = v.acc AND k.类别 = v.kc AND k.时间 >= v.s AND k.时间 < v.e "
    "AND o.流水号 = k.关联流水 "
    "UNION ALL "
    "SELECT o.会员号, 0, 0, rc.余额变动 FROM v CROSS JOIN 账户流水 rc "
    "CROSS JOIN 账户流水 k CROSS JOIN 账户流水 o "
    "WHERE rc.会员号 = v.acc AND rc.类别 = v.krc AND rc.时间 >= v.s AND rc.时间 < v.e "
    "AND k.流水号 = rc.关联流水 AND o.流水号 = k.关联流水 "
    "UNION ALL "
    "SELECT o.会员号, -1, -r.金额, 0 FROM v CROSS JOIN 账户流水 r "
    "CROSS JOIN 账户流水 o CROSS JOIN 账户流水 k "
    "WHERE r.类别 = ? AND r.时间 >= v.s AND r.时间 < v.e AND o.流水号 = r.关联流水 "
    "AND k.关联流水 = o.流水号 AND k.类别 = v.kc AND k.会员号 = v.acc");
// Summed per referee first; then who he is: his row while he exists, else
// his last entry.
const QString kByReferee =
    QStringLiteral("WITH v(acc, s, e, kc, krc) AS (SELECT CAST(? AS BIGINT), "
                   "CAST(? AS TEXT), CAST(? AS TEXT), CAST(? AS TEXT), CAST(? AS TEXT)) "
                   "SELECT g.a, acc.会员行, coalesce(m.会员名, e.会员名), "
                   "coalesce(m.手机号, e.手机号), m.注册时间, g.n, g.s, g.c "
                   "FROM (SELECT a, sum(n) AS n, sum(s) AS s, sum(c) AS c FROM (") +
    kParts +
    QStringLiteral(") p GROUP BY a) g "
                   "LEFT JOIN 会员账户 acc ON acc.会员号 = g.a "
                   "LEFT JOIN 会员登记 m ON m.rowid = acc.会员行 "
                   "LEFT JOIN 账户流水 e ON acc.会员行 IS NULL AND e.流水号 = "
                   "(SELECT max(流水号) FROM 账户流水 WHERE 会员号 = g.a)");

// The members naming the referrer now, by name or by phone.
const QString kNaming =
    QStringLiteral("SELECT m.rowid, m.会员名, m.手机号, m.注册时间, a.会员号 FROM 会员登记 m "
                   "LEFT JOIN 会员账户 a ON a.会员行 = m.rowid "
                   "WHERE (? <> '' AND m.推荐人 = ?) OR (? <> '' AND m.推荐人手机 = ?)");

// The commission's balance changes: read from the account's index alone.
const QString kMonthly =
    QStringLiteral("SELECT substr(时间, 1, 7), sum(余额变动) FROM 账户流水 "
                   "WHERE 会员号 = ? AND 类别 IN (?, ?) AND 时间 >= ? AND 时间 < ? GROUP BY 1");

QString yuanText(Money m)
{
    return m.toStringWithCents();
}

} // namespace

qint64 accountOfMember(Database &store, qint64 memberId)
{
    return store.scalar(QStringLiteral("SELECT 会员号 FROM 会员账户 WHERE 会员行 = ?"), {memberId})
        .toLongLong();
}

Report compute(Database &store, qint64 account, const QDate &from, const QDate &to)
{
    Report report;
    report.account = account;
    report.from = from;
    report.to = to;
    const TimeSpan span = TimeSpan::days(from, to);

    // Who he is: his row while he exists, else his last entry.
    const QVariant row =
        store.scalar(QStringLiteral("SELECT 会员行 FROM 会员账户 WHERE 会员号 = ?"), {account});
    report.deleted = row.isNull();
    QString namingName;
    QString namingPhone;
    if (!report.deleted) {
        QSqlQuery &q = store.exec(
            QStringLiteral("SELECT 会员名, 手机号 FROM 会员登记 WHERE rowid = ?"), {row});
        if (q.next()) {
            namingName = report.name = q.value(0).toString();
            namingPhone = report.phone = q.value(1).toString();
        }
        q.finish();
    } else {
        QSqlQuery &q =
            store.exec(QStringLiteral("SELECT 会员名, 手机号 FROM 账户流水 WHERE 会员号 = "
                                      "? ORDER BY 流水号 DESC LIMIT 1"),
                       {account});
        if (q.next()) {
            report.name = q.value(0).toString();
            report.phone = q.value(1).toString();
        }
        q.finish();
    }

    QHash<qint64, qsizetype> byAccount;
    QSqlQuery &led =
        store.exec(kByReferee, {account, span.start, span.end, Ledger::kCommission,
                                Ledger::kReversedCommission, Ledger::kReversedConsumption});
    while (led.next()) {
        Referee r;
        r.account = led.value(0).toLongLong();
        r.memberId = led.value(1).isNull() ? 0 : led.value(1).toLongLong();
        r.name = led.value(2).toString();
        r.phone = led.value(3).toString();
        r.registered = QDate::fromString(led.value(4).toString(), Qt::ISODate);
        r.consumption = {led.value(5).toLongLong(), Money::fromFen(led.value(6).toLongLong())};
        r.commission = Money::fromFen(led.value(7).toLongLong());
        byAccount.insert(r.account, report.referees.size());
        report.referees << r;
    }
    led.finish();

    if (!report.deleted) {
        QSqlQuery &q = store.exec(kNaming, {namingName, namingName, namingPhone, namingPhone});
        while (q.next()) {
            const qint64 memberId = q.value(0).toLongLong();
            if (memberId == row.toLongLong())
                continue;
            const qint64 refereeAccount = q.value(4).toLongLong();
            Referee *r = nullptr;
            if (refereeAccount != 0 && byAccount.contains(refereeAccount)) {
                r = &report.referees[byAccount.value(refereeAccount)];
            } else {
                report.referees << Referee{};
                r = &report.referees.last();
                r->account = refereeAccount;
            }
            r->memberId = memberId;
            r->name = q.value(1).toString();
            r->phone = q.value(2).toString();
            r->registered = QDate::fromString(q.value(3).toString(), Qt::ISODate);
        }
        q.finish();
    }
    std::stable_sort(report.referees.begin(), report.referees.end(),
                     [](const Referee &a, const Referee &b) {
                         if (a.commission != b.commission)
                             return a.commission > b.commission;
                         if (a.consumption.sum != b.consumption.sum)
                             return a.consumption.sum > b.consumption.sum;
                         return a.account < b.account;
                     });
    for (const Referee &r : report.referees) {
        report.consumption += r.consumption;
        report.commission += r.commission;
    }

    const QDate lastMonth(to.year(), to.month(), 1);
    const QDate firstMonth = lastMonth.addMonths(-11);
    for (int i = 0; i < 12; ++i) {
        report.months << firstMonth.addMonths(i);
        report.monthly << Money();
    }
    const TimeSpan year = TimeSpan::days(firstMonth, lastMonth.addMonths(1).addDays(-1));
    QSqlQuery &m = store.exec(kMonthly, {account, Ledger::kCommission, Ledger::kReversedCommission,
                                         year.start, year.end});
    while (m.next()) {
        const QDate month =
            QDate::fromString(m.value(0).toString() + QStringLiteral("-01"), Qt::ISODate);
        const qsizetype i = report.months.indexOf(month);
        if (i >= 0)
            report.monthly[i] = Money::fromFen(m.value(1).toLongLong());
    }
    m.finish();
    return report;
}

QStringList headers()
{
    return {QStringLiteral("被推荐人"), QStringLiteral("手机号"),   QStringLiteral("注册日期"),
            QStringLiteral("消费次数"), QStringLiteral("消费金额"), QStringLiteral("提成")};
}

QStringList cells(const Referee &r)
{
    return {r.memberId == 0 ? r.name + QStringLiteral("（已删除）") : r.name,
            r.phone,
            r.registered.isValid() ? r.registered.toString(Qt::ISODate) : QString(),
            QString::number(r.consumption.count),
            yuanText(r.consumption.sum),
            yuanText(r.commission)};
}

QString totalsText(const Report &r)
{
    return QStringLiteral("合计：被推荐人 %1 人，消费 %2 次，消费金额 ")
               .arg(r.referees.size())
               .arg(r.consumption.count) +
           yuanText(r.consumption.sum) + QStringLiteral(" 元，提成 ") + yuanText(r.commission) +
           QStringLiteral(" 元");
}

QString title(const Report &r)
{
    return QStringLiteral("推荐人报表：") + r.name +
           (r.deleted ? QStringLiteral("（已删除）") : QString()) + QStringLiteral("  ") + r.phone +
           QStringLiteral("  ") + r.from.toString(Qt::ISODate) + QStringLiteral(" 至 ") +
           r.to.toString(Qt::ISODate);
}

} // namespace ReferrerReport
