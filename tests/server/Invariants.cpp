#include "Invariants.h"

#include "base/Money.h"
#include "store/Database.h"
#include "store/Ledger.h"
#include "store/MemberTable.h"

#include <QSet>
#include <QSqlQuery>
#include <optional>

namespace Invariants {

namespace {

// What an entry of this kind does to the balance, from its amount alone; a
// reversed consumption gives back only what was paid from the balance.
std::optional<qint64> balanceEffect(const QString &kind, qint64 amount, const QString &reversedKind)
{
    if (kind == Ledger::kRecharge || kind == Ledger::kOffset || kind == Ledger::kCommission)
        return amount; // an offset's amount is below zero
    if (kind == Ledger::kBalanceConsumption || kind == Ledger::kReversedCommission)
        return -amount;
    if (kind == Ledger::kCashConsumption)
        return 0;
    if (kind == Ledger::kReversedConsumption)
        return reversedKind == Ledger::kBalanceConsumption ? amount : 0;
    return std::nullopt; // the opening and the deletion carry the balance itself
}

} // namespace

QStringList books(Database &store)
{
    QStringList broken;
    for (const Ledger::Difference &d : Ledger(store).reconcile())
        broken << QStringLiteral("%1 differs from his ledger: balance %2 against %3, "
                                 "consumed %4 against %5, count %6 against %7")
                      .arg(d.name, d.stored.balance.toString(), d.ledger.balance.toString(),
                           d.stored.consumed.toString(), d.ledger.consumed.toString())
                      .arg(d.stored.consumptions)
                      .arg(d.ledger.consumptions);

    Money balances;
    MemberTable(store).forEach([&](const Member &m) {
        balances += m.balance;
        return true;
    });
    QHash<QString, qint64> byKind;
    qint64 expected = 0;
    QSqlQuery &rows = store.exec(
        QStringLiteral("SELECT e.流水号, e.类别, e.金额, e.余额变动, o.类别 FROM 账户流水 e "
                       "LEFT JOIN 账户流水 o ON o.流水号 = e.关联流水"));
    while (rows.next()) {
        const QString kind = rows.value(1).toString();
        const qint64 amount = rows.value(2).toLongLong();
        const qint64 change = rows.value(3).toLongLong();
        const std::optional<qint64> effect = balanceEffect(kind, amount, rows.value(4).toString());
        if (effect && *effect != change)
            broken << QStringLiteral("entry %1 (%2 of %3 fen) changes the balance by %4")
                          .arg(rows.value(0).toLongLong())
                          .arg(kind)
                          .arg(amount)
                          .arg(change);
        byKind[kind] += effect.value_or(change);
        expected += effect.value_or(change);
    }
    rows.finish();
    if (balances.fen() != expected) {
        QStringList sums;
        for (auto it = byKind.cbegin(); it != byKind.cend(); ++it)
            sums << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
        broken << QStringLiteral("all balances are %1 fen, the entries make %2 (%3)")
                      .arg(balances.fen())
                      .arg(expected)
                      .arg(sums.join(QStringLiteral(", ")));
    }

    QSqlQuery &twice = store.exec(
        QStringLiteral("SELECT 操作号 FROM 已完成操作 GROUP BY 操作号 HAVING count(*) > 1"));
    while (twice.next())
        broken << QStringLiteral("operation %1 is stored twice").arg(twice.value(0).toString());
    twice.finish();
    return broken;
}

QHash<QString, int> entries(Database &store)
{
    static const QList<std::pair<QString, QString>> kLedgerKinds = {
        {QStringLiteral("balance"), Ledger::kBalanceConsumption},
        {QStringLiteral("cash"), Ledger::kCashConsumption},
        {QStringLiteral("recharge"), Ledger::kRecharge},
        {QStringLiteral("offset"), Ledger::kOffset},
        {QStringLiteral("reversal"), Ledger::kReversedConsumption},
    };
    QHash<QString, int> counts;
    for (const auto &[action, kind] : kLedgerKinds)
        counts[action] =
            store.scalar(QStringLiteral("SELECT count(*) FROM 账户流水 WHERE 类别 = ?"), {kind})
                .toInt();
    counts[QStringLiteral("registration")] = int(MemberTable(store).count());
    return counts;
}

QStringList reported(Database &store, const Reported &tills, const QHash<QString, int> &before)
{
    QStringList broken;
    QSet<QString> seen;
    for (const QString &operation : tills.operations) {
        if (seen.contains(operation))
            broken << QStringLiteral("operation %1 was reported twice").arg(operation);
        seen.insert(operation);
        if (!store.scalar(QStringLiteral("SELECT 1 FROM 已完成操作 WHERE 操作号 = ?"), {operation})
                 .isValid())
            broken
                << QStringLiteral("operation %1 was reported done and is missing").arg(operation);
    }
    const QHash<QString, int> now = entries(store);
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        const int added = it.value() - before.value(it.key());
        const int done = tills.done.value(it.key());
        const int failed = tills.failed.value(it.key());
        if (added < done || added > done + failed)
            broken << QStringLiteral("%1: %2 written, %3 done and %4 failed")
                          .arg(it.key())
                          .arg(added)
                          .arg(done)
                          .arg(failed);
    }
    return broken;
}

} // namespace Invariants
