#pragma once

#include "rules/money/Statement.h"
#include "rules/money/StatementColumns.h"
#include "screens/ScreenDialog.h"
#include "screens/reports/Printout.h"
#include "store/DataFiles.h"

#include <functional>

class Database;
struct Session;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QHBoxLayout;
class QMenu;
class QPushButton;
class QTableWidget;
namespace SlipPrint {
class Button;
}

// 会员流水 (liushui): one member's ledger entries, newest first, filtered by
// date range and kind, with the totals of the listed rows; exported to
// 会员流水导出.xls in the program folder, printed or saved as 会员流水.pdf.
// A 店长 may reverse a selected consumption from here (a 收银员 his own of
// the last 15 minutes), and print the reversal's slip. A reversed entry is
// marked, and it and its reversal name each other in 关联流水; a double click
// on a row selects its linked entry. The 列… button (lieshezhi) chooses the
// columns shown, which each account keeps.
class StatementDialog : public ScreenDialog
{
    Q_OBJECT
public:
    StatementDialog(Database &store, const DataFiles &files, const Session &session,
                    QWidget *parent = nullptr);

    // Shows the statement of the member with this row id.
    void showMember(qint64 memberId);
    QString exportPath() const;
    QString pdfPath() const;
    // Opens the referrer report of the member shown (tuijian).
    void setReferrerOpener(std::function<void(qint64 memberId)> opener)
    {
        m_referrerOpener = std::move(opener);
    }

private:
    void pageOnScroll();
    QHBoxLayout *buttonRow();
    void openReferrerReport();
    void find();
    void refresh();
    // Reads the next page of the statement below the rows shown, when there
    // is one.
    void showMore();
    // The filters as the boxes set them.
    QString kind() const;
    void exportRows();
    void reverse();
    // Shows the rows with their reversals marked, below the rows shown when
    // append is set.
    void showEntries(const QList<Ledger::Entry> &entries, const Statement::Reversals &reversals,
                     bool append);
    // Selects the entry the row's entry links to, reading further pages
    // while it may be among them.
    void showLinked(int row);
    // The column menu's choice, shown and kept for the account.
    QMenu *columnMenu();
    void showColumns(const StatementColumns::Shown &shown);
    void chooseColumns();
    // Widens the shown columns to their texts; the last one takes the room
    // left.
    void fitColumns();
    // The whole filtered statement as a printed report; nothing when the
    // database failed.
    std::optional<Printout::Report> printable();
    void print(bool pdf);

    Database &m_store;
    DataFiles m_files;
    const Session &m_session;
    qint64 m_account = 0;
    QList<Ledger::Entry> m_entries;   // the rows shown, newest first
    Statement::Reversals m_reversals; // of the rows shown
    bool m_more = false;              // older entries follow the last one shown
    QLineEdit *m_nameBox;
    QLineEdit *m_phoneBox;
    QDateEdit *m_fromBox;
    QDateEdit *m_toBox;
    QComboBox *m_kindBox;
    QTableWidget *m_grid;
    QLabel *m_memberLabel;
    QLabel *m_totalsLabel;
    QPushButton *m_reverseButton;
    QMenu *m_columnMenu;
    SlipPrint::Button *m_slipButton;
    std::function<void(qint64)> m_referrerOpener;
};
