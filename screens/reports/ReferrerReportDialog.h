#pragma once

#include "rules/reports/ReferrerReport.h"
#include "screens/ScreenDialog.h"
#include "screens/reports/Printout.h"
#include "store/DataFiles.h"

class Database;
class QChartView;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTableWidget;

// 推荐人报表 (tuijianbaobiao): a referrer picked by name or phone (or handed
// over by another screen), his referees over a date range (this month
// unless changed) with their totals, and his commission of the last twelve
// months as a chart. Printed, saved as PDF or exported to .xls.
class ReferrerReportDialog : public ScreenDialog
{
    Q_OBJECT
public:
    ReferrerReportDialog(Database &store, const DataFiles &files, QWidget *parent = nullptr);

    // Shows the referrer whose member row or ledger account this is.
    void showMember(qint64 memberId);
    void showAccount(qint64 account);

    const ReferrerReport::Report &report() const { return m_report; }
    QString exportPath(const QString &suffix) const;

private:
    void find();
    void refresh();
    void exportRows();
    Printout::Report printable() const;

    Database &m_store;
    DataFiles m_files;
    ReferrerReport::Report m_report;
    QLineEdit *m_nameBox;
    QLineEdit *m_phoneBox;
    QDateEdit *m_fromBox;
    QDateEdit *m_toBox;
    QLabel *m_referrerLabel;
    QTableWidget *m_grid;
    QLabel *m_totalsLabel;
    QChartView *m_chart;
};
