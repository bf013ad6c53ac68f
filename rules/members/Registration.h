#pragma once

#include <QDate>
#include <QString>
#include <functional>

class Database;

// Registering a member: the checks in their order, the duplicate and
// mutual-referral refusals, and the new row.
namespace Registration {

inline const QString kNoName = QStringLiteral("请输入会员ID！");
inline const QString kNoSex = QStringLiteral("请选择会员性别！");
inline const QString kBadPhone = QStringLiteral("手机号码输入有误，请检查！");
inline const QString kBadReferrerPhone = QStringLiteral("推荐人手机号码输入有误，请检查！");
inline const QString kConfirmPrompt =
    QStringLiteral("推荐人信息不会，请输入 OK 以确认新建此会员！");
inline const QString kConfirmTitle = QStringLiteral("确认登记");
inline const QString kNotConfirmed = QStringLiteral("未确认新建此会员ID，请核实后重新建立！");
inline const QString kNameTaken = QStringLiteral("该会员id已存在，请重新输入");
inline const QString kPhoneTaken = QStringLiteral("该手机号已注册过，请重新输入");
inline const QString kMutual =
    QStringLiteral("您已成为对方推荐人，无法互相推荐，请重新输入或放弃输入推荐人！");
// A member cannot be his own referrer: he would earn commission on his own
// consumptions.
inline const QString kSelfReferral =
    QStringLiteral("推荐人不能是会员本人，请重新输入或放弃输入推荐人！");

inline const QString kMale = QStringLiteral("男");
inline const QString kFemale = QStringLiteral("女");

QString successMessage(const QString &name);

// The new member as the operator entered him, texts as typed.
struct Request
{
    QString name;
    QString sex; // kMale, kFemale, or empty when none is chosen
    QString phone;
    QString referrer;      // the referrer's name
    QString referrerPhone; // the referrer's phone
    QDate date;            // the date shown when the screen became active
};

enum class Focus { Unchanged, Name, Phone };

struct Outcome
{
    bool registered = false;
    QString message;
    Focus focus = Focus::Unchanged;
};

// Asked when the referrer's name or phone is missing; true goes on.
using ConfirmIncomplete = std::function<bool()>;

// Runs the checks in order and stores the member in one transaction. Throws
// StoreError when the database fails; nothing is written then.
Outcome add(Database &store, const Request &request, const ConfirmIncomplete &confirm);

// Whether the screen stays open for the next member after one is registered,
// as the operator last chose; off until he chooses.
bool keepsOpen(Database &store);
void setKeepsOpen(Database &store, bool on);

} // namespace Registration
