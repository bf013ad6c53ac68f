#include "screens/money/ReconcileDialog.h"

#include "rules/money/Reconciliation.h"
#include "screens/Ui.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

ReconcileDialog::ReconcileDialog(Database &store, const DataFiles &files, QWidget *parent)
    : ScreenDialog(QStringLiteral("duizhang"), QStringLiteral("对账"), parent), m_store(store),
      m_files(files)
{
    QLabel *note = label(
        "Label1",
        QStringLiteral("对账将每位会员的余额、消费金额和消费次数与账户流水核对，只列出不符的会员，"
                       "不修改任何数据。"));
    note->setWordWrap(true);
    m_grid = table("Grid1", Reconciliation::headers());
    m_summaryLabel = label("Label2", QString());
    QPushButton *runButton = mainAction(button("Command1", QStringLiteral("开始对账(&D)")));
    QPushButton *exportButton = button("Command2", QStringLiteral("导出(&X)"));
    QPushButton *exitButton = button("Command3", QStringLiteral("退出(&E)"));
    QHBoxLayout *buttons = rowOf({m_summaryLabel, runButton, exportButton, exitButton});
    buttons->setStretch(0, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
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
    if (!attempt([&] { m_differences = Reconciliation::differences(m_store); }))
        return;
    QList<QStringList> rows;
    for (const Ledger::Difference &difference : std::as_const(m_differences))
        rows << Reconciliation::cells(difference);
    showRows(m_grid, rows);
    m_summaryLabel->setText(Reconciliation::summary(m_differences.size()));
}

void ReconcileDialog::exportRows()
{
    Ui::reportExport(this, m_store, exportPath(),
                     Reconciliation::exportTo(exportPath(), m_differences),
                     Reconciliation::kExportFailed, Reconciliation::kExported);
}
