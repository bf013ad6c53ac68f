#include "rules/members/MemberDelete.h"

#include "store/AuditLog.h"
#include "store/Database.h"
#include "store/MemberTable.h"

namespace MemberDelete {

QString deletedMessage(const QString &name)
{
    return QStringLiteral("会员ID： ") + name + QStringLiteral(" 已被删除，无法恢复！");
}

QString balanceWarning(Database &store, const QString &name)
{
    Money balance;
    for (const Member &m : MemberTable(store).allByName(name))
        balance += m.balance;
    if (balance == Money())
        return {};
    return QStringLiteral("该会员余额 ") + balance.toStringWithCents() +
           QStringLiteral(" 元，删除后无法恢复！");
}

Outcome remove(Database &store, const QString &name)
{
    // Run again when another till's transaction stood in the way.
    return store.retrying([&]() -> Outcome {
        Transaction tx(store);
        MemberTable members(store);
        Outcome outcome;
        outcome.removed = members.idsAfter(0, -1, MemberTable::Key::Name, name);
        if (outcome.removed.isEmpty())
            return outcome;
        members.removeByName(name);
        // What each one had is in his closing ledger entry.
        AuditLog(store).add(
            AuditLog::kMemberDelete,
            QStringLiteral("会员 %1，共 %2 人").arg(name).arg(outcome.removed.size()),
            store.operatorName());
        tx.commit();
        return outcome;
    });
}

} // namespace MemberDelete
