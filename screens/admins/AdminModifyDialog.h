#pragma once

#include "screens/ScreenDialog.h"
#include "store/Admin.h"

class MemberStore;
struct Session;
class QCheckBox;
class QLineEdit;

// 管理员资料修改 (smodify): the logged-in administrator changes his own
// password and remark. The stored password is not shown or held here; the
// old password typed is verified against the stored hash when saving.
class AdminModifyDialog : public ScreenDialog
{
    Q_OBJECT
public:
    AdminModifyDialog(MemberStore &store, Session &session, const Admin &row,
                      QWidget *parent = nullptr);

private:
    void save();

    MemberStore &m_store;
    Session &m_session;
    Admin m_row;
    QLineEdit *m_idBox;
    QLineEdit *m_oldPasswordBox;
    QLineEdit *m_passwordBox;
    QLineEdit *m_repeatBox;
    QLineEdit *m_remarkBox;
    QCheckBox *m_agreedBox;
};
