#pragma once

#include "screens/ScreenDialog.h"
#include "store/Admin.h"

class MemberStore;
class ProgramEnd;
class QLineEdit;

// 会员删除 (sdelete): deletes an administrator account once that account's
// own password is typed, then ends the program.
class AdminDeleteDialog : public ScreenDialog
{
    Q_OBJECT
public:
    static const QString kProgramEnds;

    AdminDeleteDialog(MemberStore &store, ProgramEnd &end, const Admin &row,
                      QWidget *parent = nullptr);

private:
    void confirm();

    MemberStore &m_store;
    ProgramEnd &m_end;
    Admin m_row;
    QLineEdit *m_passwordBox;
};
