#include "rules/reports/ReferrerReport.h"

#include "store/Ledger.h"
#include "store/MemberStore.h"

#include <QHash>
#include <QSqlQuery>
#include <algorithm>

namespace ReferrerReport {

namespace {

// Every commission the referrer was ever credited, with the consumption it
// came from and the reversals of both; summed per referee over the range.
const QString kByReferee = QStringLiteral(
    "SELECT o.会员号, max(o.流水号), o.会员名, o.手机号, a.会员行, "
    " sum(CASE WHEN o.时间 >= span.s AND o.时间 < span.e THEN 1 ELSE 0 END) "
    " - sum(CASE WHEN r.时间 >= span.s AND r.时间 < span.e THEN 1 ELSE 0 END), "
    " sum(CASE WHEN o.时间 >= span.s AND o.时间 < span.e THEN o.金额 ELSE 0 END) "
    " - sum(CASE WHEN r.时间 >= span.s AND r.时间 < span.e THEN r.金额 ELSE 0 END), "
    " sum(CASE WHEN k.时间 >= span.s AND k.时间 < span.e THEN k.金额 ELSE 0 END) "
    " - sum(CASE WHEN rc.时间 >= span.s AND rc.时间 < span.e THEN rc.金额 ELSE 0 END) "
    "FROM (SELECT ? AS s, ? AS e) span, 账户流水 k "
    "JOIN 账户流水 o ON o.流水号 = k.关联流水 "
    "LEFT JOIN 账户流水 r ON r.关联流水 = o.流水号 AND r.类别 = ? "
    "LEFT JOIN 账户流水 rc ON rc.关联流水 = k.流水号 AND rc.类别 = ? "
    "LEFT JOIN 会员账户 a ON a.会员号 = o.会员号 "
    "WHERE k.会员号 = ? AND k.类别 = ? "
    "GROUP BY o.会员号");

// The members naming the referrer now, by name or by phone.
const QString kNaming =
    QStringLiteral("SELECT m.rowid, m.会员名, m.手机号, m.注册时间, a.会员号 FROM 会员登记 m "
                   "LEFT JOIN 会员账户 a ON a.会员行 = m.rowid "
                   "WHERE (? <> '' AND m.推荐人 = ?) OR (? <> '' AND m.推荐人手机 = ?)");

const QString kMonthly = QStringLiteral(
    "SELECT substr(时间, 1, 7), sum(CASE 类别 WHEN ? THEN 金额 ELSE -金额 END) FROM 账户流水 "
    "WHERE 会员号 = ? AND 类别 IN (?, ?) AND 时间 >= ? AND 时间 < ? GROUP BY 1");

QString yuanText(Money m)
{
    return m.toStringWithCents();
}

} // namespace

qint64 accountOfMember(MemberStore &store, qint64 memberId)
{
    return store.scalar(QStringLiteral("SELECT 会员号 FROM 会员账户 WHERE 会员行 = ?"), {memberId})
        .toLongLong();
}

Report compute(MemberStore &store, qint64 account, const QDate &from, const QDate &to)
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
        QSqlQuery &q = store.exec(QStringLiteral("SELECT 会员名, 手机号 FROM 账户流水 WHERE 会员号 = "
                                                 "? ORDER BY 流水号 DESC LIMIT 1"),
                                  {account});
        if (q.next()) {
            report.name = q.value(0).toString();
            report.phone = q.value(1).toString();
        }
        q.finish();
    }

    QHash<qint64, qsizetype> byAccount;
    QSqlQuery &led = store.exec(kByReferee, {span.start, span.end, Ledger::kReversedConsumption,
                                             Ledger::kReversedCommission, account,
                                             Ledger::kCommission});
    while (led.next()) {
        Referee r;
        r.account = led.value(0).toLongLong();
        r.name = led.value(2).toString();
        r.phone = led.value(3).toString();
        r.memberId = led.value(4).isNull() ? 0 : led.value(4).toLongLong();
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
    // Registration dates of the members found through the ledger only.
    for (Referee &r : report.referees) {
        if (r.memberId != 0 && !r.registered.isValid())
            r.registered = QDate::fromString(
                store
                    .scalar(QStringLiteral("SELECT 注册时间 FROM 会员登记 WHERE rowid = ?"),
                            {r.memberId})
                    .toString(),
                Qt::ISODate);
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
    QSqlQuery &m = store.exec(kMonthly, {Ledger::kCommission, account, Ledger::kCommission,
                                         Ledger::kReversedCommission, year.start, year.end});
    while (m.next()) {
        const QDate month = QDate::fromString(m.value(0).toString() + QStringLiteral("-01"),
                                              Qt::ISODate);
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
           (r.deleted ? QStringLiteral("（已删除）") : QString()) + QStringLiteral("  ") +
           r.phone + QStringLiteral("  ") + r.from.toString(Qt::ISODate) + QStringLiteral(" 至 ") +
           r.to.toString(Qt::ISODate);
}

} // namespace ReferrerReport
