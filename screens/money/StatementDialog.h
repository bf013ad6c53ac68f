#pragma once

#include "screens/ScreenDialog.h"
#include "screens/reports/Printout.h"
#include "store/DataFiles.h"
#include "store/Ledger.h"

#include <functional>

class MemberStore;
struct Session;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
namespace SlipPrint {
class Button;
}

// 会员流水 (liushui): one member's ledger entries, newest first, filtered by
// date range and kind, with the totals of the listed rows; exported to
// 会员流水导出.xls in the program folder, printed or saved as 会员流水.pdf.
// The built-in account may reverse a selected consumption from here, and
// print the reversal's slip.
class StatementDialog : public ScreenDialog
{
    Q_OBJECT
public:
    StatementDialog(MemberStore &store, const DataFiles &files, const Session &session,
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
    void find();
    void refresh();
    // Reads the next page of the statement below the rows shown, when there
    // is one.
    void showMore();
    // The filters as the boxes set them.
    QString kind() const;
    void exportRows();
    void reverse();
    // The whole filtered statement as a printed report; nothing when the
    // database failed.
    std::optional<Printout::Report> printable();
    void print(bool pdf);

    MemberStore &m_store;
    DataFiles m_files;
    const Session &m_session;
    qint64 m_account = 0;
    QList<Ledger::Entry> m_entries; // the rows shown, newest first
    bool m_more = false;            // older entries follow the last one shown
    QLineEdit *m_nameBox;
    QLineEdit *m_phoneBox;
    QDateEdit *m_fromBox;
    QDateEdit *m_toBox;
    QComboBox *m_kindBox;
    QTableWidget *m_grid;
    QLabel *m_memberLabel;
    QLabel *m_totalsLabel;
    QPushButton *m_reverseButton;
    SlipPrint::Button *m_slipButton;
    std::function<void(qint64)> m_referrerOpener;
};
