#pragma once

#include "rules/reports/DayClose.h"
#include "screens/ScreenDialog.h"
#include "screens/reports/Printout.h"
#include "store/DataFiles.h"

class Database;
class QChartView;
class QComboBox;
class QDateEdit;
class QTableWidget;

// 日结 (rijie): the day's figures (today unless changed) for every
// administrator or one, the cash the till should hold beside what the cash
// log says, and the consumptions of each hour as a chart.
class DayCloseDialog : public ScreenDialog
{
    Q_OBJECT
public:
    DayCloseDialog(Database &store, const DataFiles &files, QWidget *parent = nullptr);

    const DayClose::Figures &figures() const { return m_figures; }
    QString exportPath(const QString &suffix) const;

private:
    void refresh();
    Printout::Report printable() const;

    Database &m_store;
    DataFiles m_files;
    DayClose::Figures m_figures;
    QDateEdit *m_dayBox;
    QComboBox *m_adminBox;
    QTableWidget *m_grid;
    QChartView *m_chart;
};
