#pragma once

#include "store/AdminTable.h"

#include <QDialog>

struct AppContext;
class QCheckBox;
class QLineEdit;

// 管理员资料修改 (smodify): the logged-in administrator changes his own
// password and remark. The stored password is not shown or held here; the
// old password typed is verified against the stored hash when saving.
class AdminModifyDialog : public QDialog
{
    Q_OBJECT
public:
    AdminModifyDialog(AppContext &context, const Admin &row, QWidget *parent = nullptr);

private:
    void save();

    AppContext &m_context;
    Admin m_row;
    QLineEdit *m_text1;
    QLineEdit *m_text5;
    QLineEdit *m_text2;
    QLineEdit *m_text3;
    QLineEdit *m_text4;
    QCheckBox *m_check1;
};
