#pragma once

#include "store/CommissionSetting.h"

#include <QString>
#include <functional>

class Database;

// One consumption of a member, paid from his balance or in cash: the member's
// consumption total, balance and count, the cash-log row and the referrer's
// commission are written together in one transaction.
namespace Consumption {

inline const QString kBalance = QStringLiteral("系统余额");
inline const QString kCash = QStringLiteral("现金");

inline const QString kNoAmount = QStringLiteral("请输入消费金额！");
inline const QString kNotNumber = QStringLiteral("消费金额必须为数字!");
inline const QString kNoKey = QStringLiteral("用户名与手机号必须输入其一，或两者都输入!");
inline const QString kBadPhone = QStringLiteral("手机号输入有误，请重新输入");
inline const QString kNotRegistered = QStringLiteral("此会员尚未注册，请先注册账号！");
inline const QString kInsufficient = QStringLiteral("余额不足，请先充值再消费！");
inline const QString kNobody = QStringLiteral("查无此人，请检查是否输入有误！");
inline const QString kNoMatch =
    QStringLiteral("会员名与手机号对应的用户无法找到，请检查是否输入有误或减少其中一项！");
// A cash consumption is recorded (amount, count, the cash log) and earns the
// referrer's commission; only the balance stays untouched.
inline const QString kCashHint = QStringLiteral(
    "提示：消费选【现金】将照常记录本次消费（消费金额、消费次数与现金记录），推荐人照常获得提成，"
    "但不从会员的系统余额中扣款！");
inline const QString kUnrecordedPrompt = QStringLiteral(
    "当前用户信息未在数据库中，输入 OK 继续但不记录，输入其他或关闭来重新输入信息！");

// The consumption as the operator entered it, texts as typed.
struct Request
{
    QString name;       // the member's name
    QString phone;      // the member's phone
    QString payment;    // how he pays: kBalance or kCash
    QString amountText; // the amount in yuan
};

enum class Focus { Unchanged, Name, Phone };

struct Outcome
{
    enum class Kind {
        Refused,     // show message, move the focus; nothing written
        CloseScreen, // show message, close the screen; nothing written
        Ignored,     // an unknown payment kind: nothing shown, nothing written
        Done,        // written; result tells what was done
    } kind = Kind::Ignored;
    QString message;
    Focus focus = Focus::Unchanged;
    // The amount is asked anew: after a consumption is done, or when the one
    // typed is refused.
    bool freshAmount = false;
    QString result;    // when done: the amount, the balance and the referrer's commission
    qint64 entry = 0;  // the consumption's ledger entry when done
    QString operation; // its operation number when done
};

// Asked when the member found for a cash payment has an empty key field;
// true lets the payment go on.
using ConfirmUnrecorded = std::function<bool()>;

// Checks the request in order, finds the member and records the consumption
// with the commission setting loaded when the screen opened. Throws
// StoreError when the database fails; nothing is written then.
Outcome confirm(Database &store, const Request &request, const CommissionSetting &setting,
                const ConfirmUnrecorded &confirmUnrecorded);

} // namespace Consumption
