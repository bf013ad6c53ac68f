#pragma once

#include "base/Money.h"

#include <QString>
#include <functional>

class Database;
struct Session;

// Undoing a consumption that was keyed wrongly, from the member's ledger:
// the consumer gets back what he paid from his balance, his consumption
// total and count go back, the referrer's commission is taken back, a cash
// payment gets a negative row in the cash log, and reversal entries link to
// the originals. All of it in one transaction, with an audit log row.
namespace Reversal {

inline const QString kOwnRecentOnly =
    QStringLiteral("收银员只能撤销本人15分钟内登记的消费，其他消费请店长撤销！");
inline const QString kNothingSelected = QStringLiteral("请选择要撤销的消费流水！");
inline const QString kWrongPassword = QStringLiteral("管理员密码有误，请勿非法撤销！");
inline const QString kNotConsumption = QStringLiteral("只能撤销消费流水！");
inline const QString kAlreadyReversed = QStringLiteral("此笔消费已撤销，不能重复撤销！");
inline const QString kConsumerDeleted = QStringLiteral("会员已删除，无法撤销！");
inline const QString kCancelled = QStringLiteral("撤销已取消，数据未做任何修改！");
inline const QString kReferrerDeletedNote = QStringLiteral("推荐人已删除，提成未扣回");
inline const QString kCashName = QStringLiteral("撤销消费");

// The question before a commission take-back leaves the referrer below zero.
QString negativeReferrerQuestion(Money balanceAfter);
// The confirmation the screen asks before reversing.
QString confirmQuestion(qint64 entry, Money amount);

struct Outcome
{
    bool done = false;
    QString message;
    qint64 entry = 0;  // the reversal's ledger entry when done
    QString operation; // its operation number when done
};

// Asked with a question; true goes on.
using Ask = std::function<bool(const QString &question)>;

// Reverses the consumption entry for an owner, or for the cashier who
// entered it within the last 15 minutes (Permissions::mayReverse), whose
// password was typed again. Throws StoreError when the database fails;
// nothing is written then.
Outcome reverse(Database &store, const Session &session, qint64 entry, const QString &typedPassword,
                const Ask &ask);

} // namespace Reversal
