#pragma once

#include "screens/ScreenDialog.h"

#include <QDate>

class QLabel;
class QLineEdit;
class QRadioButton;

// 会员登记界面 (msignin): adds one member with his referrer. Closes after a
// successful registration.
class MemberStore;

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
    QLineEdit *m_text1;
    QRadioButton *m_option1;
    QRadioButton *m_option2;
    QLineEdit *m_text2;
    QLineEdit *m_text3;
    QLineEdit *m_text4;
    QLabel *m_label6;
};
