#pragma once

#include "screens/ScreenDialog.h"

#include <functional>

class Database;
class ProgramEnd;
struct Session;
class AdminListModel;
class QModelIndex;
class QPushButton;
class QTableView;

// 管理员查询 (ssearch): lists the administrators and starts a modification
// of one's own account or the deletion of an account.
class AdminListDialog : public ScreenDialog
{
    Q_OBJECT
public:
    AdminListDialog(Database &store, Session &session, ProgramEnd &end, QWidget *parent = nullptr);

    // Shows the modify and delete screens; the default runs them with exec().
    // Tests replace it.
    using ScreenRunner = std::function<void(QDialog &)>;
    void setScreenRunner(ScreenRunner runner) { m_runner = std::move(runner); }

    // Runs at construction and whenever a screen opened from here closes:
    // reloads the list and disables the buttons until a row is clicked.
    void activate() override;

private:
    void gridClicked(const QModelIndex &index);
    void modify();
    void remove();
    void run(QDialog &screen);

    Database &m_store;
    Session &m_session;
    ProgramEnd &m_end;
    ScreenRunner m_runner;
    AdminListModel *m_model;
    QTableView *m_grid;
    QPushButton *m_modifyButton;
    QPushButton *m_deleteButton;
    bool m_chosen = false; // a row was clicked since the list was filled
};
