#pragma once

#include "base/Session.h"
#include "screens/ScreenDialog.h"

class Database;
class QCheckBox;
class QComboBox;
class QLineEdit;

// 管理员注册 (sregedit): adds an administrator account, a cashier unless an
// owner chooses 店长 in the role box.
class AdminRegistrationDialog : public ScreenDialog
{
    Q_OBJECT
public:
    explicit AdminRegistrationDialog(Database &store, QWidget *parent = nullptr);
    // by: who registers; the role box is his to change only when he is an
    // owner.
    AdminRegistrationDialog(Database &store, const Session &by, QWidget *parent = nullptr);

private:
    void registerAccount();

    Database &m_store;
    Session m_by;
    QComboBox *m_roleBox;
    QLineEdit *m_idBox;
    QLineEdit *m_passwordBox;
    QLineEdit *m_repeatBox;
    QLineEdit *m_remarkBox;
    QCheckBox *m_agreedBox;
};
