#include "rules/money/Recharge.h"

#include "base/Money.h"
#include "base/NumberText.h"
#include "rules/money/MemberLookup.h"
#include "store/Database.h"
#include "store/Ledger.h"

#include <optional>

namespace Recharge {

namespace {

// The amount in yuan with at most two decimals, or, in offset mode only, "-"
// and such an amount. Sets *refusal otherwise.
std::optional<Money> typedAmount(const Request &r, QString *refusal)
{
    const QString text = r.amountText.trimmed();
    const bool negative = r.offset && text.startsWith(QLatin1Char('-'));
    const NumberText::Amount a = NumberText::yuanAmount(negative ? text.mid(1) : text);
    if (a.problem == NumberText::AmountProblem::None && a.fen != 0)
        return Money::fromFen(negative ? -a.fen : a.fen);
    // Pasted 1e3 or a negative amount outside offset mode say no more than
    // before; too many decimals or too much money say which.
    *refusal = a.problem == NumberText::AmountProblem::TooManyDecimals ||
                       a.problem == NumberText::AmountProblem::TooLarge
                   ? NumberText::amountProblemText(a.problem)
                   : kBadAmount;
    return std::nullopt;
}

Outcome notFound(MemberLookup::Kind kind)
{
    switch (kind) {
    case MemberLookup::Kind::Name:
        return {false, kNameNotFound, Focus::Name, {}};
    case MemberLookup::Kind::Phone:
        break;
    case MemberLookup::Kind::Both:
        return {false, kBothNotFound, Focus::Phone, {}};
    }
    return {false, kPhoneNotFound, Focus::Phone, {}};
}

} // namespace

Outcome recharge(Database &store, const Request &request)
{
    if (request.name.isEmpty() && request.phone.isEmpty())
        return {false, kNoKey, Focus::Unchanged, {}};
    if (request.amountText.isEmpty() || !NumberText::isNumeric(request.amountText) ||
        NumberText::leadingValue(request.amountText) == 0.0)
        return {false, kBadAmount, Focus::Unchanged, {}};
    QString refusal;
    const std::optional<Money> amount = typedAmount(request, &refusal);
    if (!amount)
        return {false, refusal, Focus::Unchanged, {}};

    const MemberLookup lookup(request.name, request.phone);
    MemberTable members(store);
    // Run again when another till's transaction stood in the way (a server
    // that found a deadlock); the second run reads everything afresh.
    return store.retrying([&]() -> Outcome {
        Transaction tx(store);
        const std::optional<Member> member = lookup.find(members);
        if (!member)
            return notFound(lookup.kind());
        if (member->balance + *amount < Money())
            return {false, kNegative, Focus::Unchanged, {}};
        // Relative: a recharge at another till meanwhile is kept; an offset
        // never takes the balance below zero.
        const std::optional<MemberTable::Figures> figures = members.changeMoney(
            member->id, *amount, {}, 0,
            *amount < Money() ? MemberTable::Guard::NotBelowZero : MemberTable::Guard::None);
        if (!figures) {
            if (!members.byId(member->id))
                return notFound(lookup.kind());
            return {false, kNegative, Focus::Unchanged, {}};
        }
        Member after = *member;
        after.balance = figures->balance;
        const qint64 entry = Ledger(store).add(
            after, request.offset ? Ledger::kOffset : Ledger::kRecharge, *amount, {*amount, {}, 0});
        tx.commit();

        const QString tail =
            QStringLiteral("充值成功！本次充值 ") + amount->toString() + QStringLiteral(" 元！");
        QString message;
        switch (lookup.kind()) {
        case MemberLookup::Kind::Name:
            message = QStringLiteral("会员 ") + lookup.name() + QLatin1Char(' ') + tail;
            break;
        case MemberLookup::Kind::Phone:
            message = QStringLiteral("手机号 ") + lookup.phone() + QStringLiteral(" 用户") + tail;
            break;
        case MemberLookup::Kind::Both:
            message = QStringLiteral("会员名 ") + lookup.name() + QStringLiteral(" 手机号 ") +
                      lookup.phone() + QStringLiteral(" 的用户") + tail;
            break;
        }
        return {true,
                message,
                Focus::Unchanged,
                QStringLiteral("充值完成！余额：") + after.balance.toString() +
                    QStringLiteral("元"),
                entry,
                store.operationNumber()};
    });
}

} // namespace Recharge
