#pragma once

#include <QList>
#include <QString>

class MemberListModel;
class MemberTable;
struct Session;

// The rules of the member search screen (msearch): which list a search shows,
// the notes after it, and who may change members.
namespace MemberSearch {

inline const QString kBothFilled =
    QStringLiteral("无需输入姓名和手机号，只需要其中一个即可，请选择你需要的一个信息再查询！");
inline const QString kNameNotFound = QStringLiteral("此用户名查无此人，请核对输入信息是否正确！");
inline const QString kPhoneNotFound =
    QStringLiteral("此手机号无对应会员，请核对输入信息是否正确！");
inline const QString kPartWithExact =
    QStringLiteral("模糊查询与会员名、手机号查询只能选择一种，请清空其他输入框后再查询！");
inline const QString kPartNotFound =
    QStringLiteral("没有会员名含有此内容或手机号以此结尾的会员，请核对输入信息是否正确！");
inline const QString kBuiltInNote =
    QStringLiteral("目前使用的是系统内置管理员账号，此账号可修改与删除会员信息！"
                   "日常情况下，建议不要使用内置管理员登陆操作！");
inline const QString kOtherNote =
    QStringLiteral("温馨提示：\n\n目前不提供修改以及删除操作！\n\n"
                   "没有为什么，不要问为什么\n\n心累，任性，不想弄！");

enum class Field { None, Name, Phone, Part };

struct Outcome
{
    enum class Kind {
        Listed,   // the list shows the result; show the note
        Refused,  // nothing changed; show message
        NotFound, // the list is empty; show message, focus the field searched by
    } kind;
    QString message;
    Field focus = Field::None;
};

// Searches with the name and phone as typed. Each counts as empty only when
// it is exactly empty; the value looked up is trimmed and matched against the
// whole column, letter case ignored as the store does. Both empty list
// every member. Throws StoreError, leaving the list as it was.
//
// The search by part (partText not empty) stands alone: with a name or phone
// as well it is refused. It lists the members whose name contains the
// trimmed text, or whose phone ends in it when it is all digits.
Outcome run(MemberListModel &list, const QString &nameText, const QString &phoneText,
            const QString &partText = {});

// The search by part, paged like MemberTable::idsAfter(): up to limit ids (a
// negative limit: all) after afterId in registration order, of the members
// whose name contains part or, when part is all digits, whose phone ends in
// it. Both come from the store's search index. An empty part matches
// nobody. Throws StoreError.
QList<qint64> idsByPart(MemberTable &members, const QString &part, qint64 afterId, int limit);

// The note shown after a search: by the trimmed session name.
QString note(const Session &session);

// Only owners may modify and delete members.
bool canChange(const Session &session);

} // namespace MemberSearch
