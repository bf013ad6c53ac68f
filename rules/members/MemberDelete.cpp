#include "rules/members/MemberDelete.h"

#include "store/MemberStore.h"
#include "store/MemberTable.h"

namespace MemberDelete {

QString deletedMessage(const QString &name)
{
    return QStringLiteral("会员ID： ") + name + QStringLiteral(" 已被删除，无法恢复！");
}

Outcome remove(MemberStore &store, const QString &name)
{
    Transaction tx(store);
    MemberTable members(store);
    Outcome outcome;
    outcome.removed = members.idsAfter(0, -1, MemberTable::Key::Name, name);
    if (outcome.removed.isEmpty())
        return outcome;
    members.removeByName(name);
    tx.commit();
    return outcome;
}

} // namespace MemberDelete
