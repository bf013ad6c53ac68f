#pragma once

#include "base/Money.h"
#include "store/Ledger.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class Database;

// 小票: the paper a member takes away after a consumption, a recharge or a
// reversal, made from the action's ledger entry.
namespace Slip {

struct Content
{
    QString shop;
    QDateTime time;
    QString member;
    QString phone;
    QString action; // the entry's kind
    Money amount;
    Money balanceAfter;
    QString referrer; // credited (or taken back from); empty: none
    Money commission;
    QString admin;
    QString operation; // the action's operation number
};

// The slip of the action whose ledger entry this is, with the action's
// operation number; nothing when there is no such entry. Throws StoreError.
std::optional<Content> ofEntry(Database &store, qint64 entry, const QString &operation,
                               const QString &shop);

// The slip's lines below the shop's name: caption and value.
QList<QStringList> lines(const Content &slip);

inline const QString kPrintFailed =
    QStringLiteral("小票打印失败，请检查打印机！本次操作已完成，不受影响。");
inline const QString kNothingToPrint = QStringLiteral("还没有可以打印小票的操作！");

} // namespace Slip
