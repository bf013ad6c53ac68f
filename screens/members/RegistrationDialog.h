#pragma once

#include "screens/ScreenDialog.h"

#include <QDate>

class Database;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QRadioButton;

// 会员登记界面 (msignin): adds one member with his referrer. Closes after a
// successful registration, unless 连续登记 is ticked: then the form empties
// for the next member. The tick is remembered for each administrator.
class RegistrationDialog : public ScreenDialog
{
    Q_OBJECT
public:
    explicit RegistrationDialog(Database &store, QWidget *parent = nullptr);

    // Shows today's date, the registration date of the next member.
    void activate() override;

private:
    Database &m_store;
    void registerMember();
    void emptyForm();
    // The member's boxes and the sex buttons, one caption a row.
    QGridLayout *inputGrid();

    QDate m_date;
    QLineEdit *m_nameBox;
    QRadioButton *m_maleButton;
    QRadioButton *m_femaleButton;
    QLineEdit *m_phoneBox;
    QLineEdit *m_referrerBox;
    QLineEdit *m_referrerPhoneBox;
    QLabel *m_dateLabel;
    QCheckBox *m_continueBox;
};
