#include "rules/reports/Slip.h"

#include "store/Database.h"

namespace Slip {

std::optional<Content> ofEntry(Database &store, qint64 number, const QString &operation,
                               const QString &shop)
{
    Ledger ledger(store);
    const std::optional<Ledger::Entry> e = ledger.entry(number);
    if (!e)
        return std::nullopt;
    Content slip;
    slip.shop = shop;
    slip.time = Ledger::timeOf(e->time);
    slip.member = e->name;
    slip.phone = e->phone;
    slip.action = e->kind;
    slip.amount = e->amount;
    slip.balanceAfter = e->balanceAfter;
    slip.admin = e->admin;
    slip.operation = operation;
    // A consumption's commission links to it; a reversal's taken-back
    // commission links to the commission of the consumption it reverses.
    QList<Ledger::Entry> commissions;
    if (e->kind == Ledger::kReversedConsumption) {
        for (const Ledger::Entry &c : ledger.linkedTo(e->linked)) {
            for (const Ledger::Entry &back : ledger.linkedTo(c.number)) {
                if (back.kind == Ledger::kReversedCommission)
                    commissions << back;
            }
        }
    } else {
        for (const Ledger::Entry &c : ledger.linkedTo(number)) {
            if (c.kind == Ledger::kCommission)
                commissions << c;
        }
    }
    if (!commissions.isEmpty()) {
        slip.referrer = commissions.first().name;
        slip.commission = commissions.first().amount;
    }
    return slip;
}

QList<QStringList> lines(const Content &slip)
{
    QList<QStringList> out{
        {QStringLiteral("时间"), Ledger::timeText(slip.time)},
        {QStringLiteral("会员"), slip.member},
        {QStringLiteral("手机号"), slip.phone},
        {QStringLiteral("项目"), slip.action},
        {QStringLiteral("金额"), slip.amount.toStringWithCents() + QStringLiteral(" 元")},
        {QStringLiteral("余额"), slip.balanceAfter.toStringWithCents() + QStringLiteral(" 元")},
    };
    // The referrer and his commission on lines of their own: both fit the
    // narrow paper at their longest.
    if (!slip.referrer.isEmpty())
        out << QStringList{QStringLiteral("推荐人"), slip.referrer}
            << QStringList{slip.action == Ledger::kReversedConsumption ? QStringLiteral("扣回提成")
                                                                       : QStringLiteral("提成"),
                           slip.commission.toStringWithCents() + QStringLiteral(" 元")};
    // The operation number in halves, so that it fits the narrow paper.
    out << QStringList{QStringLiteral("管理员"), slip.admin}
        << QStringList{QStringLiteral("操作号"), slip.operation.left(16)};
    if (slip.operation.size() > 16)
        out << QStringList{QString(), slip.operation.mid(16)};
    return out;
}

} // namespace Slip
