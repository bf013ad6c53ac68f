#pragma once

#include "base/Session.h"
#include "screens/ScreenDialog.h"
#include "store/Admin.h"

#include <optional>

class Database;
class ProgramEnd;
class QLineEdit;

// 会员删除 (sdelete): deletes an administrator account once that account's
// own password is typed, then ends the program. Given the session, an owner
// deletes another account with his own password, and the program goes on.
class AdminDeleteDialog : public ScreenDialog
{
    Q_OBJECT
public:
    static const QString kProgramEnds;

    AdminDeleteDialog(Database &store, ProgramEnd &end, const Admin &row,
                      QWidget *parent = nullptr);
    AdminDeleteDialog(Database &store, ProgramEnd &end, const Admin &row, const Session &session,
                      QWidget *parent = nullptr);

private:
    void confirm();

    Database &m_store;
    ProgramEnd &m_end;
    Admin m_row;
    std::optional<Session> m_session;
    QLineEdit *m_passwordBox;
};
