#pragma once

#include "store/AdminTable.h"

#include <QDialog>

struct AppContext;
class QLineEdit;

// 会员删除 (sdelete): deletes an administrator account once that account's
// own password is typed, then ends the program.
class AdminDeleteDialog : public QDialog
{
    Q_OBJECT
public:
    AdminDeleteDialog(AppContext &context, const Admin &row, QWidget *parent = nullptr);

private:
    void confirm();

    AppContext &m_context;
    Admin m_row;
    QLineEdit *m_text2;
};
