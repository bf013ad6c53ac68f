#include "screens/money/ReconcileDialog.h"

#include "base/StoreError.h"
#include "rules/money/Reconciliation.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "store/AuditLog.h"
#include "store/MemberStore.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

ReconcileDialog::ReconcileDialog(MemberStore &store, const DataFiles &files, QWidget *parent)
    : QDialog(parent), m_store(store), m_files(files)
{
    setObjectName(QStringLiteral("duizhang"));
    setWindowTitle(QStringLiteral("对账"));
    auto *label1 = new QLabel(
        QStringLiteral("对账将每位会员的余额、消费金额和消费次数与账户流水核对，只列出不符的会员，"
                       "不修改任何数据。"),
        this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setWordWrap(true);
    m_grid = new QTableWidget(0, int(Reconciliation::headers().size()), this);
    m_grid->setObjectName(QStringLiteral("Grid1"));
    m_grid->setHorizontalHeaderLabels(Reconciliation::headers());
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("Label2"));
    auto *runButton = new QPushButton(QStringLiteral("开始对账(&D)"), this);
    runButton->setObjectName(QStringLiteral("Command1"));
    auto *exportButton = new QPushButton(QStringLiteral("导出(&X)"), this);
    exportButton->setObjectName(QStringLiteral("Command2"));
    auto *exitButton = new QPushButton(QStringLiteral("退出(&E)"), this);
    exitButton->setObjectName(QStringLiteral("Command3"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_summary, 1);
    buttons->addWidget(runButton);
    buttons->addWidget(exportButton);
    buttons->addWidget(exitButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label1);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    Ui::resizeTwips(this, 12600, 6600);
    connect(runButton, &QPushButton::clicked, this, &ReconcileDialog::run);
    connect(exportButton, &QPushButton::clicked, this, &ReconcileDialog::exportRows);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
}

QString ReconcileDialog::exportPath() const
{
    return QDir(m_files.folder()).filePath(QStringLiteral("对账结果导出.xls"));
}

void ReconcileDialog::run()
{
    try {
        m_differences = Ledger(m_store).reconcile();
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    m_grid->setRowCount(int(m_differences.size()));
    for (int row = 0; row < m_differences.size(); ++row) {
        const QStringList cells = Reconciliation::cells(m_differences.at(row));
        for (int column = 0; column < cells.size(); ++column)
            m_grid->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
    m_summary->setText(Reconciliation::summary(m_differences.size()));
}

void ReconcileDialog::exportRows()
{
    Ui::reportExport(this, m_store, exportPath(),
                     Reconciliation::exportTo(exportPath(), m_differences),
                     Reconciliation::kExportFailed, QStringLiteral("对账结果已导出到 "));
}
