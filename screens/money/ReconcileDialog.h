#pragma once

#include "rules/money/Reconciliation.h"
#include "screens/ScreenDialog.h"
#include "store/DataFiles.h"

class Database;
class QLabel;
class QTableWidget;

// 对账 (duizhang): checks every member against his ledger and lists those
// whose balance, consumption total or count differ; exported to
// 对账结果导出.xls in the program folder. Nothing is changed.
class ReconcileDialog : public ScreenDialog
{
    Q_OBJECT
public:
    ReconcileDialog(Database &store, const DataFiles &files, QWidget *parent = nullptr);

    void run();
    QString exportPath() const;

private:
    void exportRows();

    Database &m_store;
    DataFiles m_files;
    QList<Ledger::Difference> m_differences;
    QTableWidget *m_grid;
    QLabel *m_summaryLabel;
};
