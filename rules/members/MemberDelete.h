#pragma once

#include <QList>
#include <QString>

class Database;

// Deleting members by name from the search screen.
namespace MemberDelete {

inline const QString kNotFound =
    QStringLiteral("请检查你是否有选择到需要删除的会员账号！目前查无记录！");

// "会员ID： name 已被删除，无法恢复！" with the name as selected.
QString deletedMessage(const QString &name);

// What the operator is told before he confirms deleting the members of this
// name: "该会员余额 199.00 元，删除后无法恢复！" when they hold a balance
// (their balances added), nothing when it is zero. Throws StoreError.
QString balanceWarning(Database &store, const QString &name);

struct Outcome
{
    QList<qint64> removed; // ids of the rows that went; empty: none had the name
};

// Deletes every member whose name equals name (letter case ignored as the
// store does), in one transaction. Members that name them as referrer are
// left as they are. Throws StoreError; nothing is then deleted.
Outcome remove(Database &store, const QString &name);

} // namespace MemberDelete
