#include "rules/money/Reversal.h"

#include "base/Clock.h"
#include "base/Session.h"
#include "rules/admins/Permissions.h"
#include "store/AuditLog.h"
#include "store/CashLog.h"
#include "store/Database.h"
#include "store/Ledger.h"
#include "store/MemberTable.h"

namespace Reversal {

QString negativeReferrerQuestion(Money balanceAfter)
{
    return QStringLiteral("推荐人余额不足以扣回提成，扣回后余额为 ") + balanceAfter.toString() +
           QStringLiteral(" 元，是否继续？");
}

QString confirmQuestion(qint64 entry, Money amount)
{
    return QStringLiteral("确定撤销流水号 %1 的消费 %2 元吗？").arg(entry).arg(amount.toString());
}

namespace {

bool isConsumption(const Ledger::Entry &e)
{
    return e.kind == Ledger::kBalanceConsumption || e.kind == Ledger::kCashConsumption;
}

// The checks that refuse a reversal, on what is stored now.
QString refusal(Ledger &ledger, const std::optional<Ledger::Entry> &e)
{
    if (!e)
        return kNothingSelected;
    if (!isConsumption(*e))
        return kNotConsumption;
    for (const Ledger::Entry &l : ledger.linkedTo(e->number)) {
        if (l.kind == Ledger::kReversedConsumption)
            return kAlreadyReversed;
    }
    if (!ledger.memberOf(e->account))
        return kConsumerDeleted;
    return {};
}

} // namespace

Outcome reverse(Database &store, const Session &session, qint64 number,
                const QString &typedPassword, const Ask &ask)
{
    Ledger ledger(store);
    MemberTable members(store);
    if (!Permissions::allows(session, Permissions::Action::ReverseAny)) {
        const std::optional<Ledger::Entry> e = ledger.entry(number);
        if (e && !Permissions::mayReverse(session, e->admin, Ledger::timeOf(e->time), Clock::now()))
            return {false, kOwnRecentOnly};
    }
    if (!session.confirms(typedPassword))
        return {false, kWrongPassword};

    // The question about a negative referrer balance is asked before the
    // transaction; inside it the answer is applied to what is stored then.
    bool negativeAccepted = false;
    {
        const std::optional<Ledger::Entry> e = ledger.entry(number);
        if (const QString why = refusal(ledger, e); !why.isEmpty())
            return {false, why};
        for (const Ledger::Entry &c : ledger.linkedTo(number)) {
            if (c.kind != Ledger::kCommission)
                continue;
            const std::optional<qint64> referrerId = ledger.memberOf(c.account);
            if (!referrerId)
                continue;
            const std::optional<Member> referrer = members.byId(*referrerId);
            if (referrer && referrer->balance - c.amount < Money()) {
                if (!ask(negativeReferrerQuestion(referrer->balance - c.amount)))
                    return {false, kCancelled};
                negativeAccepted = true;
            }
        }
    }

    // Run again when another till's transaction stood in the way (a server
    // that found a deadlock); the second run reads everything afresh.
    return store.retrying([&]() -> Outcome {
        Transaction tx(store);
        const std::optional<Ledger::Entry> e = ledger.entry(number);
        if (const QString why = refusal(ledger, e); !why.isEmpty())
            return {false, why};
        const bool cash = e->kind == Ledger::kCashConsumption;
        const std::optional<qint64> consumerId = ledger.memberOf(e->account);
        // The consumer's and the referrers' rows are locked first, in a fixed
        // order, so that two tills changing either of them wait in turn.
        QList<qint64> locked;
        if (consumerId)
            locked << *consumerId;
        const QList<Ledger::Entry> linked = ledger.linkedTo(number);
        for (const Ledger::Entry &c : linked)
            if (const std::optional<qint64> referrerId = ledger.memberOf(c.account);
                referrerId && c.kind == Ledger::kCommission)
                locked << *referrerId;
        std::optional<Member> consumer;
        for (const Member &row : members.lockInOrder(locked))
            if (consumerId && row.id == *consumerId)
                consumer = row;
        if (!consumer)
            return {false, kConsumerDeleted};
        const Money refund = cash ? Money() : e->amount;
        const std::optional<MemberTable::Figures> consumerAfter =
            members.changeMoney(consumer->id, refund, -e->amount, -1, MemberTable::Guard::None);
        if (!consumerAfter)
            return {false, kConsumerDeleted};
        consumer->balance = consumerAfter->balance;
        consumer->consumed = consumerAfter->consumed;
        consumer->consumptions = consumerAfter->consumptions;
        QStringList notes;
        Money takenBack;
        for (const Ledger::Entry &c : linked) {
            if (c.kind != Ledger::kCommission)
                continue;
            const std::optional<qint64> referrerId = ledger.memberOf(c.account);
            std::optional<Member> referrer;
            if (referrerId)
                referrer = members.byId(*referrerId);
            if (!referrer) {
                notes << kReferrerDeletedNote;
                continue;
            }
            // Guarded unless the operator accepted a balance below zero.
            const std::optional<MemberTable::Figures> after = members.changeMoney(
                referrer->id, -c.amount, {}, 0,
                negativeAccepted ? MemberTable::Guard::None : MemberTable::Guard::NotBelowZero);
            if (!after)
                return {false, kCancelled};
            referrer->balance = after->balance;
            ledger.add(*referrer, Ledger::kReversedCommission, c.amount, {-c.amount, {}, 0},
                       c.number);
            takenBack += c.amount;
        }
        const qint64 reversal =
            ledger.add(*consumer, Ledger::kReversedConsumption, e->amount, {refund, -e->amount, -1},
                       number, notes.join(QStringLiteral("；")));
        if (cash)
            CashLog(store).add(Clock::now(), (-e->amount).toString(), kCashName);
        AuditLog(store).add(
            AuditLog::kReversal,
            QStringLiteral("流水号 %1，会员 %2，%3 %4 元，扣回提成 %5 元")
                    .arg(number)
                    .arg(consumer->name, e->kind, e->amount.toString(), takenBack.toString()) +
                (notes.isEmpty() ? QString()
                                 : QStringLiteral("，") + notes.join(QStringLiteral("；"))),
            session.name);
        tx.commit();
        return {true,
                QStringLiteral("撤销完成！") + e->kind + QStringLiteral(" ") +
                    e->amount.toString() + QStringLiteral(" 元已撤销。"),
                reversal, store.operationNumber()};
    });
}

} // namespace Reversal
