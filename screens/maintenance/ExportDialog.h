#pragma once

#include "screens/ScreenDialog.h"
#include "store/DataFiles.h"

class Database;
struct Session;
class QLineEdit;
class QPushButton;

// 会员数据导出 (daochu): writes the member table to 会员数据导出.xls in the
// program folder. Only the built-in account may use it; any other session
// is refused when the screen opens, and the screen closes at once.
class ExportDialog : public ScreenDialog
{
    Q_OBJECT
public:
    ExportDialog(Database &store, const DataFiles &files, const Session &session,
                 QWidget *parent = nullptr);

    // Takes the session; refuses and closes for any account but "admin".
    void activate() override;

private:
    void exportMembers();

    Database &m_store;
    DataFiles m_files;
    const Session &m_session;
    QLineEdit *m_operatorBox;
    QLineEdit *m_passwordBox;
    QPushButton *m_exportButton;
};
