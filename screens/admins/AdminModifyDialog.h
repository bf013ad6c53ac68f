#pragma once

#include "screens/ScreenDialog.h"
#include "store/Admin.h"

class Database;
struct Session;
class QCheckBox;
class QComboBox;
class QLineEdit;

// 管理员资料修改 (smodify): the logged-in administrator changes his own
// password and remark; an owner also another account's remark and role,
// and resets its password. The stored password is not shown or held here;
// the old password typed (an owner's own, for another account) is verified
// when saving.
class AdminModifyDialog : public ScreenDialog
{
    Q_OBJECT
public:
    AdminModifyDialog(Database &store, Session &session, const Admin &row,
                      QWidget *parent = nullptr);

private:
    void save();

    Database &m_store;
    Session &m_session;
    Admin m_row;
    QLineEdit *m_idBox;
    QLineEdit *m_oldPasswordBox;
    QLineEdit *m_passwordBox;
    QLineEdit *m_repeatBox;
    QLineEdit *m_remarkBox;
    QCheckBox *m_agreedBox;
    QComboBox *m_roleBox;
};
