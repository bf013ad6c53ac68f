#pragma once

#include "rules/reports/Ranking.h"
#include "screens/ScreenDialog.h"
#include "screens/reports/Printout.h"
#include "store/DataFiles.h"

#include <functional>

class Database;
class QChartView;
class QComboBox;
class QDateEdit;
class QTableWidget;

// 推荐排行 (tuijianpaihang): the top referrers of a date range by commission
// or by their referees' spending, with a bar chart; a double click on a row
// opens that referrer's statement.
class RankingDialog : public ScreenDialog
{
    Q_OBJECT
public:
    RankingDialog(Database &store, const DataFiles &files, QWidget *parent = nullptr);

    // Opens the referrer report of a ledger account.
    void setReferrerOpener(std::function<void(qint64 account)> opener)
    {
        m_opener = std::move(opener);
    }
    const QList<Ranking::Row> &rows() const { return m_rows; }
    QString exportPath(const QString &suffix) const;

private:
    void refresh();
    QList<QStringList> texts() const;
    Printout::Report printable() const;

    Database &m_store;
    DataFiles m_files;
    std::function<void(qint64)> m_opener;
    QList<Ranking::Row> m_rows;
    QDateEdit *m_fromBox;
    QDateEdit *m_toBox;
    QComboBox *m_byBox;
    QTableWidget *m_grid;
    QChartView *m_chart;
};
