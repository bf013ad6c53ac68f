#include "screens/reports/RankingDialog.h"

#include "base/Clock.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "screens/reports/BarChart.h"
#include "screens/reports/ReportOutput.h"
#include "workbook/TableExport.h"

#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

RankingDialog::RankingDialog(Database &store, const DataFiles &files, QWidget *parent)
    : ScreenDialog(QStringLiteral("tuijianpaihang"), QStringLiteral("推荐排行"), parent),
      m_store(store), m_files(files)
{
    const QDate today = Clock::today();
    m_fromBox = dateBox("kaishi", QDate(today.year(), today.month(), 1));
    m_toBox = dateBox("jieshu", today);
    m_byBox = comboBox("paixu", Ranking::kByTexts);
    m_grid = table("biaoge", Ranking::headers());
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_chart = BarChart::create("tubiao", QStringLiteral("前20名（元）"), this);
    QPushButton *printButton = button("dayin", QStringLiteral("打印(&P)"));
    QPushButton *pdfButton = button("pdf", QStringLiteral("PDF"));
    QPushButton *exportButton = button("daochu", QStringLiteral("导出(&X)"));
    QPushButton *exitButton = button("tuichu", QStringLiteral("退出(&E)"));

    QHBoxLayout *filters = rowOf({label("Label1", QStringLiteral("日期从：")), m_fromBox,
                                  label("Label2", QStringLiteral("到：")), m_toBox,
                                  label("Label3", QStringLiteral("排序：")), m_byBox});
    filters->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_grid, 2);
    layout->addWidget(m_chart, 1);
    QHBoxLayout *buttons = rowOf({printButton, pdfButton, exportButton, exitButton});
    buttons->insertStretch(0, 1);
    layout->addLayout(buttons);
    Ui::resizeTwips(this, 12000, 9000);

    connect(m_fromBox, &QDateEdit::dateChanged, this, &RankingDialog::refresh);
    connect(m_toBox, &QDateEdit::dateChanged, this, &RankingDialog::refresh);
    connect(m_byBox, &QComboBox::currentIndexChanged, this, &RankingDialog::refresh);
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (m_opener && row >= 0 && row < m_rows.size())
            m_opener(m_rows.at(row).account);
    });
    connect(printButton, &QPushButton::clicked, this,
            [this] { ReportOutput::print(this, m_store, printable()); });
    connect(pdfButton, &QPushButton::clicked, this, [this] {
        ReportOutput::savePdf(this, m_store, printable(), exportPath(QStringLiteral("pdf")));
    });
    connect(exportButton, &QPushButton::clicked, this, [this] {
        QList<QVariantList> rows;
        for (int i = 0; i < m_rows.size(); ++i) {
            const QStringList t = Ranking::cells(i + 1, m_rows.at(i));
            rows << QVariantList{i + 1, t.at(1), t.at(2),
                                 QVariant::fromValue(m_rows.at(i).commission),
                                 QVariant::fromValue(m_rows.at(i).spending)};
        }
        ReportOutput::exportXls(this, m_store, exportPath(QStringLiteral("xls")),
                                QStringLiteral("推荐排行"), Ranking::headers(), rows,
                                Ranking::kExportFailed, Ranking::kExported);
    });
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    refresh();
}

QString RankingDialog::exportPath(const QString &suffix) const
{
    return QDir(m_files.folder()).filePath(QStringLiteral("推荐排行.") + suffix);
}

QList<QStringList> RankingDialog::texts() const
{
    QList<QStringList> out;
    for (int i = 0; i < m_rows.size(); ++i)
        out << Ranking::cells(i + 1, m_rows.at(i));
    return out;
}

void RankingDialog::refresh()
{
    const Ranking::By by =
        m_byBox->currentIndex() == 1 ? Ranking::By::Spending : Ranking::By::Commission;
    const auto rows =
        attempt([&] { return Ranking::compute(m_store, m_fromBox->date(), m_toBox->date(), by); });
    if (!rows)
        return;
    m_rows = *rows;
    showRows(m_grid, texts());
    QStringList names;
    QList<Money> amounts;
    for (const Ranking::Row &r : m_rows) {
        names << r.name;
        amounts << (by == Ranking::By::Commission ? r.commission : r.spending);
    }
    BarChart::show(m_chart, m_byBox->currentText(), names, amounts);
}

Printout::Report RankingDialog::printable() const
{
    Printout::Report p;
    p.title = QStringLiteral("推荐排行");
    p.about = {m_fromBox->date().toString(Qt::ISODate) + QStringLiteral(" 至 ") +
               m_toBox->date().toString(Qt::ISODate) + QStringLiteral("，") +
               m_byBox->currentText()};
    p.headers = Ranking::headers();
    p.rows = texts();
    return p;
}
