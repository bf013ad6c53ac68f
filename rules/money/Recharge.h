#pragma once

#include <QString>

class Database;

// Adds an amount of yuan (two decimals at most) to one member's balance, or,
// in offset mode, takes back an amount that was recharged too much. Writes
// only that member's balance and its ledger entry.
namespace Recharge {

inline const QString kNoKey = QStringLiteral("必须输入有效用户名或手机号进行充值！");
inline const QString kBadAmount = QStringLiteral("请输入正确的充值金额！");
inline const QString kNameNotFound = QStringLiteral("输入充值会员信息有误，请重新输入！");
inline const QString kPhoneNotFound =
    QStringLiteral("输入的手机号未查到有此注册用户，请重新输入！");
inline const QString kBothNotFound = QStringLiteral("输入的信息未查到有此注册用户，请重新输入！");
inline const QString kNegative = QStringLiteral("充值后余额为负数，无法操作，请进行正确金额充值！");
inline const QString kOffsetPrompt = QStringLiteral(
    "请确认你要对冲余额，这个代表输入的金额是要在客户的当前金额中减去，请慎重确认？\n\n"
    "---输入OK代表确认！，其他输入不改变！---");
inline const QString kOffsetTyping =
    QStringLiteral("目前为余额对冲状态，请先去除余额对冲选项，再输入！");

// The recharge as the operator entered it, texts as typed.
struct Request
{
    QString name;        // the member's name
    QString phone;       // the member's phone
    QString amountText;  // yuan, or "-" and yuan for an offset
    bool offset = false; // an offset, confirmed: the amount comes off the balance
};

enum class Focus { Unchanged, Name, Phone };

struct Outcome
{
    bool done = false;
    QString message; // the message box: the refusal, or the success text
    Focus focus = Focus::Unchanged;
    QString status;    // after a recharge: the line that tells his new balance
    qint64 entry = 0;  // the recharge's ledger entry when done
    QString operation; // its operation number when done
};

// Checks the request, finds the member and writes his new balance in one
// transaction. Throws StoreError when the database fails; nothing is
// written then.
Outcome recharge(Database &store, const Request &request);

} // namespace Recharge
