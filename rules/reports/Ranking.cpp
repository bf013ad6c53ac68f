#include "rules/reports/Ranking.h"

#include "store/Database.h"
#include "store/Ledger.h"

#include <QSqlQuery>
#include <algorithm>

namespace Ranking {

// The commissions of the range (with the consumption each came from), the
// commissions taken back in it, and the consumptions reversed in it (with the
// commission of the consumption they reverse). The commissions are found by
// time; the two kinds of reversal, each bound as `类别 = ?`, through the
// reversals' own index.
const QString kSums = QStringLiteral(
    "SELECT ref, sum(c), sum(s) FROM ("
    " SELECT k.会员号 AS ref, k.金额 AS c, o.金额 AS s FROM 账户流水 k "
    " JOIN 账户流水 o ON o.流水号 = k.关联流水 "
    " WHERE k.类别 = ? AND k.时间 >= ? AND k.时间 < ? "
    " UNION ALL "
    " SELECT 会员号, -金额, 0 FROM 账户流水 WHERE 类别 = ? AND 时间 >= ? AND 时间 < ? "
    " UNION ALL "
    " SELECT k.会员号, 0, -r.金额 FROM 账户流水 r "
    " JOIN 账户流水 k ON k.关联流水 = r.关联流水 AND k.类别 = ? "
    " WHERE r.类别 = ? AND r.时间 >= ? AND r.时间 < ?"
    ") p GROUP BY ref");

QList<Row> compute(Database &store, const QDate &from, const QDate &to, By by, int top)
{
    const TimeSpan span = TimeSpan::days(from, to);
    QList<Row> rows;
    QSqlQuery &q = store.exec(
        kSums, {Ledger::kCommission, span.start, span.end, Ledger::kReversedCommission, span.start,
                span.end, Ledger::kCommission, Ledger::kReversedConsumption, span.start, span.end});
    while (q.next()) {
        Row r;
        r.account = q.value(0).toLongLong();
        r.commission = Money::fromFen(q.value(1).toLongLong());
        r.spending = Money::fromFen(q.value(2).toLongLong());
        rows << r;
    }
    q.finish();
    const auto key = [by](const Row &r) {
        return by == By::Commission ? r.commission : r.spending;
    };
    std::sort(rows.begin(), rows.end(), [&](const Row &a, const Row &b) {
        if (key(a) != key(b))
            return key(a) > key(b);
        return a.account < b.account;
    });
    if (rows.size() > top)
        rows.resize(top);
    for (Row &r : rows) {
        QSqlQuery &who =
            store.exec(QStringLiteral("SELECT e.会员名, e.手机号, a.会员行 IS NULL FROM 账户流水 e "
                                      "LEFT JOIN 会员账户 a ON a.会员号 = e.会员号 "
                                      "WHERE e.会员号 = ? ORDER BY e.流水号 DESC LIMIT 1"),
                       {r.account});
        if (who.next()) {
            r.name = who.value(0).toString();
            r.phone = who.value(1).toString();
            r.deleted = who.value(2).toBool();
        }
        who.finish();
    }
    return rows;
}

QStringList headers()
{
    return {QStringLiteral("名次"), QStringLiteral("推荐人"), QStringLiteral("手机号"),
            QStringLiteral("提成"), QStringLiteral("被推荐人消费")};
}

QStringList cells(int place, const Row &row)
{
    return {QString::number(place),
            row.deleted ? row.name + QStringLiteral("（已删除）") : row.name, row.phone,
            row.commission.toStringWithCents(), row.spending.toStringWithCents()};
}

} // namespace Ranking
