#pragma once

#include "screens/ScreenDialog.h"
#include "store/Member.h"

#include <optional>

class Database;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;

// 会员资料修改 (mmodify): corrects sex, phone, referrer and referrer phone of
// one member, after the operator ticks the acknowledgement box.
class MemberModifyDialog : public ScreenDialog
{
    Q_OBJECT
public:
    MemberModifyDialog(Database &store, const Member &member, QWidget *parent = nullptr);

    // The member as last saved here; empty when nothing was saved.
    std::optional<Member> saved() const { return m_saved; }

private:
    // The member's fields, two rows of four captions and boxes.
    QGridLayout *fieldGrid(QGroupBox *box);
    void save();

    Database &m_store;
    Member m_member;
    std::optional<Member> m_saved;
    QComboBox *m_sexBox;
    QLineEdit *m_phoneBox;
    QLineEdit *m_referrerBox;
    QLineEdit *m_referrerPhoneBox;
    QCheckBox *m_acknowledgedBox;
    QLabel *m_statusLabel;
};
