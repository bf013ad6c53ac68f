#pragma once

#include "screens/ScreenDialog.h"
#include "store/Member.h"

#include <functional>

class Database;
struct Session;
class MemberListModel;
class MemberModifyDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// 会员查询系统 (msearch): lists members, all of them, by name or phone, or by
// part of a name or the last digits of a phone. The
// built-in account selects a member by clicking his row and may then modify
// or delete him.
class MemberSearchDialog : public ScreenDialog
{
    Q_OBJECT
public:
    static const QString kModifyPrompt;
    static const QString kModifyRefused;
    static const QString kDeletePrompt;
    static const QString kDeleteRefused;

    MemberSearchDialog(Database &store, const Session &session, QWidget *parent = nullptr);
    ~MemberSearchDialog() override;

    MemberListModel &list() { return *m_model; }

    // Shows the modify screen; the default runs it with exec(). Tests replace it.
    using ModifyRunner = std::function<void(MemberModifyDialog &)>;
    void setModifyRunner(ModifyRunner runner) { m_modifyRunner = std::move(runner); }

    // Opens the statement of the selected member (Command6).
    using StatementOpener = std::function<void(qint64 memberId)>;
    void setStatementOpener(StatementOpener opener) { m_statementOpener = std::move(opener); }
    // Opens the referrer report of the selected member (tuijian).
    void setReferrerOpener(StatementOpener opener) { m_referrerOpener = std::move(opener); }
    static const QString kNoMemberSelected;

    // Opens the consumption or recharge screen for the selected member
    // (buttons 消费 and 充值).
    enum class Action { Consumption, Recharge };
    using ActionOpener = std::function<void(Action, const Member &)>;
    void setActionOpener(ActionOpener opener) { m_actionOpener = std::move(opener); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The search boxes and the buttons, in their frame.
    QGroupBox *searchFrame();
    QList<QPushButton *> actionButtons(QGroupBox *inputFrame);
    // The member list in its frame, with its mouse, keys and selection.
    QGroupBox *listFrame(Database &store);
    void search();
    void selectRow(int row);
    void dropSelection();
    void setChangeEnabled(bool enabled);
    int columnWidth(int column) const;
    int listWidth() const;
    void applyColumnWidths();
    bool passwordConfirmed(const QString &prompt, const QString &refused);
    void modify();
    void reset();
    void remove();
    void openStatement();
    void openAction(Action action);

    Database &m_store;
    const Session &m_session;
    MemberListModel *m_model;
    QTableView *m_grid;
    QLineEdit *m_nameBox;
    QLineEdit *m_phoneBox;
    QLineEdit *m_partBox;
    QLineEdit *m_selectedNameBox;
    QLabel *m_noteLabel;
    QPushButton *m_modifyButton;
    QPushButton *m_deleteButton;
    Member m_selected;
    bool m_listChanging = false;
    ModifyRunner m_modifyRunner;
    StatementOpener m_statementOpener;
    ActionOpener m_actionOpener;
    StatementOpener m_referrerOpener;
};
