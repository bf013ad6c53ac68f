#pragma once

#include "store/AdminTable.h"

#include <QDialog>

class MemberStore;
struct Session;
class QCheckBox;
class QLineEdit;

// 管理员资料修改 (smodify): the logged-in administrator changes his own
// password and remark. The stored password is not shown or held here; the
// old password typed is verified against the stored hash when saving.
class AdminModifyDialog : public QDialog
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
    QLineEdit *m_text1;
    QLineEdit *m_text5;
    QLineEdit *m_text2;
    QLineEdit *m_text3;
    QLineEdit *m_text4;
    QCheckBox *m_check1;
};
