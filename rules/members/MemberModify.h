#pragma once

#include <QString>

class Database;

// Correcting a member (mmodify): sex, phone, referrer and referrer phone.
namespace MemberModify {

inline const QString kNotAcknowledged = QStringLiteral("未勾选注意事项须知，无法修改资料");
inline const QString kNoSex = QStringLiteral("性别不对，资料不完整，无法修改！");
inline const QString kNoPhone = QStringLiteral("会员资料中手机号为必填项，请输入会员手机号！");
inline const QString kBadPhone = QStringLiteral("会员手机号输入有误，请重新输入！");
inline const QString kBadReferrerPhone = QStringLiteral("推荐人手机号输入有误，请重新输入！");
inline const QString kPhoneTaken = QStringLiteral("该手机号已注册过，请重新输入");
inline const QString kGone = QStringLiteral("该会员已不存在，无法修改资料！");
inline const QString kSavedPrefix = QStringLiteral("提示：修改成功！   ");

// The corrections as the operator saves them; texts as typed.
struct Request
{
    qint64 id = 0; // the member being corrected
    bool acknowledged = false;
    QString sex;
    QString phone;
    QString referrer;
    QString referrerPhone;
};

struct Outcome
{
    enum class Kind {
        Saved,   // the four fields were written; status holds the status line
        Refused, // nothing written; show message
    } kind;
    QString message;
    QString status;
};

// Checks the request in a fixed order and writes the four fields in one
// transaction. A phone must be 11 digits (pasted text gets past the key
// filter); a changed phone that another member has is refused; a member that
// no longer exists is reported. A changed phone is carried into the
// 推荐人手机 of the members he referred, in the same transaction. Throws
// StoreError; nothing is then written.
Outcome save(Database &store, const Request &request);

} // namespace MemberModify
