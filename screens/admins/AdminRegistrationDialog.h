#pragma once

#include "screens/ScreenDialog.h"

class MemberStore;
class QCheckBox;
class QLineEdit;

// 管理员注册 (sregedit): adds an administrator account.
class AdminRegistrationDialog : public ScreenDialog
{
    Q_OBJECT
public:
    explicit AdminRegistrationDialog(MemberStore &store, QWidget *parent = nullptr);

private:
    void registerAccount();

    MemberStore &m_store;
    QLineEdit *m_idBox;
    QLineEdit *m_passwordBox;
    QLineEdit *m_repeatBox;
    QLineEdit *m_remarkBox;
    QCheckBox *m_agreedBox;
};
