#include "rules/money/Consumption.h"

#include "base/Clock.h"
#include "base/NumberText.h"
#include "rules/money/Commission.h"
#include "rules/money/MemberLookup.h"
#include "store/CashLog.h"
#include "store/CommissionTable.h"
#include "store/Database.h"
#include "store/Ledger.h"

namespace Consumption {

namespace {

Outcome refused(const QString &message, Focus focus = Focus::Unchanged, bool freshAmount = false)
{
    return {Outcome::Kind::Refused, message, focus, freshAmount, {}};
}

// The checks of the typed request, in order. Returns the amount, or sets
// *refusal.
std::optional<Money> checkedAmount(const Request &r, Outcome *refusal)
{
    if (r.amountText.isEmpty() || NumberText::leadingValue(r.amountText) == 0.0)
        *refusal = refused(kNoAmount);
    else if (!NumberText::isNumeric(r.amountText))
        *refusal = refused(kNotNumber);
    else if (r.name.isEmpty() && r.phone.isEmpty())
        *refusal = refused(kNoKey);
    else if (!r.phone.isEmpty() && r.phone.size() != 11)
        *refusal = refused(kBadPhone, Focus::Phone);
    else if (const NumberText::Amount a = NumberText::yuanAmount(r.amountText);
             a.problem == NumberText::AmountProblem::None)
        return Money::fromFen(a.fen);
    else if (a.problem == NumberText::AmountProblem::NotNumber) // pasted -5 or 1e3
        *refusal = refused(kNotNumber);
    else // pasted 1.234 or 10000000
        *refusal = refused(NumberText::amountProblemText(a.problem));
    return std::nullopt;
}

} // namespace

Outcome confirm(Database &store, const Request &request, const CommissionSetting &setting,
                const ConfirmUnrecorded &confirmUnrecorded)
{
    Outcome refusal;
    const std::optional<Money> amount = checkedAmount(request, &refusal);
    if (!amount)
        return refusal;
    const Commission::Derived derived = Commission::derive(setting);
    if (!derived.rate)
        return {Outcome::Kind::CloseScreen, derived.refusal, Focus::Unchanged, false, {}};
    const bool cash = request.payment == kCash;
    if (!cash && request.payment != kBalance)
        return {};

    const MemberLookup lookup(request.name, request.phone);
    MemberTable members(store);
    const auto covers = [&](const Member &m) { return cash || *amount <= m.balance; };
    std::optional<Member> member = lookup.find(members);
    if (!member)
        return refused(kNotRegistered);
    if (!covers(*member))
        return refused(kInsufficient);
    if (lookup.keyIsEmpty(*member)) {
        if (!cash)
            return refused(lookup.kind() == MemberLookup::Kind::Both ? kNoMatch : kNobody,
                           Focus::Name);
        if (!confirmUnrecorded())
            return refused({}, Focus::Name, lookup.kind() == MemberLookup::Kind::Name);
    }

    // Run again when another till's transaction stood in the way (a server
    // that found a deadlock); the second run reads everything afresh.
    return store.retrying([&]() -> Outcome {
        // Read the row again inside the transaction: the writes start from
        // what is stored now, not from what was read before the question
        // above.
        Transaction tx(store);
        // The consumer's and his referrer's rows are locked first, in a fixed
        // order, so that two tills charging either of them wait in turn, and
        // read as they are now.
        const Member asked = *member;
        std::optional<Member> referrer;
        member.reset();
        for (const Member &row :
             members.lockWithReferrer(asked.id, asked.referrer, asked.referrerPhone))
            (row.id == asked.id ? member : referrer) = row;
        if (!member)
            return refused(kNotRegistered);
        // Another till changed whom he names, or renamed the referrer, while
        // the rows were being locked: found again, as they are now.
        if (member->referrer != asked.referrer || member->referrerPhone != asked.referrerPhone ||
            (referrer && !Commission::stillNamed(*referrer, asked.referrer, asked.referrerPhone)))
            referrer = members.referrerNamed(member->referrer, member->referrerPhone);
        if (!covers(*member))
            return refused(kInsufficient);
        // Relative and guarded: a balance another till lowered meanwhile can
        // refuse the payment, never go below zero.
        const std::optional<MemberTable::Figures> after =
            members.changeMoney(member->id, cash ? Money() : -*amount, *amount, 1,
                                cash ? MemberTable::Guard::None : MemberTable::Guard::NotBelowZero);
        if (!after)
            return refused(members.byId(member->id) ? kInsufficient : kNotRegistered);
        member->balance = after->balance;
        member->consumed = after->consumed;
        member->consumptions = after->consumptions;
        Ledger ledger(store);
        const qint64 entry =
            ledger.add(*member, cash ? Ledger::kCashConsumption : Ledger::kBalanceConsumption,
                       *amount, {cash ? Money() : -*amount, *amount, 1});
        if (cash)
            CashLog(store).add(Clock::now(), amount->toString());
        const std::optional<Commission::Credit> credit =
            Commission::credit(members, *derived.rate, *member, *amount, referrer);
        if (credit)
            ledger.add(credit->referrer, Ledger::kCommission, credit->amount,
                       {credit->amount, {}, 0}, entry);
        tx.commit();

        Outcome done{Outcome::Kind::Done,    {}, Focus::Unchanged, true, {}, entry,
                     store.operationNumber()};
        if (cash)
            done.result =
                QStringLiteral("操作完成，现金消费：") + amount->toString() + QStringLiteral("元");
        else
            done.result = QStringLiteral("操作完成\n消费 ") + amount->toString() +
                          QStringLiteral("元，余额 ") + member->balance.toString() +
                          QStringLiteral("元");
        if (credit)
            done.result += QStringLiteral("\n推荐人 ") + credit->referrer.name +
                           QStringLiteral(" 获得提成 ") + credit->amount.toString() +
                           QStringLiteral(" 元");
        return done;
    });
}

} // namespace Consumption
