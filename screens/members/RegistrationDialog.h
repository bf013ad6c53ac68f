#pragma once

#include "screens/ScreenDialog.h"

#include <QDate>

class MemberStore;
class QLabel;
class QLineEdit;
class QRadioButton;

// 会员登记界面 (msignin): adds one member with his referrer. Closes after a
// successful registration.
class RegistrationDialog : public ScreenDialog
{
    Q_OBJECT
public:
    explicit RegistrationDialog(MemberStore &store, QWidget *parent = nullptr);

    // Shows today's date, the registration date of the next member.
    void activate() override;

private:
    MemberStore &m_store;
    void registerMember();

    QDate m_date;
    QLineEdit *m_nameBox;
    QRadioButton *m_maleButton;
    QRadioButton *m_femaleButton;
    QLineEdit *m_phoneBox;
    QLineEdit *m_referrerBox;
    QLineEdit *m_referrerPhoneBox;
    QLabel *m_dateLabel;
};
