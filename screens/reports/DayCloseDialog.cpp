#include "screens/reports/DayCloseDialog.h"

#include "base/Clock.h"
#include "screens/Ui.h"
#include "screens/reports/BarChart.h"
#include "screens/reports/ReportOutput.h"

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

namespace {

const QString kEveryAdmin = QStringLiteral("全部管理员");
const QStringList kHeaders = {QStringLiteral("项目"), QStringLiteral("数额")};

} // namespace

DayCloseDialog::DayCloseDialog(Database &store, const DataFiles &files, QWidget *parent)
    : ScreenDialog(QStringLiteral("rijie"), QStringLiteral("日结"), parent), m_store(store),
      m_files(files)
{
    m_dayBox = dateBox("riqi", Clock::today());
    const auto admins = attempt([&] { return DayClose::admins(m_store); });
    m_adminBox = comboBox("guanliyuan", QStringList{kEveryAdmin} + admins.value_or(QStringList()));
    m_grid = table("biaoge", kHeaders);
    m_grid->setColumnWidth(0, 160);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_chart = BarChart::create("tubiao", QStringLiteral("各时段消费（元）"), this);
    QPushButton *printButton = button("dayin", QStringLiteral("打印(&P)"));
    QPushButton *pdfButton = button("pdf", QStringLiteral("PDF"));
    QPushButton *exportButton = button("daochu", QStringLiteral("导出(&X)"));
    QPushButton *exitButton = button("tuichu", QStringLiteral("退出(&E)"));

    QHBoxLayout *filters = rowOf({label("Label1", QStringLiteral("日期：")), m_dayBox,
                                  label("Label2", QStringLiteral("管理员：")), m_adminBox});
    filters->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_grid, 3);
    layout->addWidget(m_chart, 2);
    QHBoxLayout *buttons = rowOf({printButton, pdfButton, exportButton, exitButton});
    buttons->insertStretch(0, 1);
    layout->addLayout(buttons);
    Ui::resizeTwips(this, 13500, 9600);

    connect(m_dayBox, &QDateEdit::dateChanged, this, &DayCloseDialog::refresh);
    connect(m_adminBox, &QComboBox::currentIndexChanged, this, &DayCloseDialog::refresh);
    connect(printButton, &QPushButton::clicked, this,
            [this] { ReportOutput::print(this, m_store, printable()); });
    connect(pdfButton, &QPushButton::clicked, this, [this] {
        ReportOutput::savePdf(this, m_store, printable(), exportPath(QStringLiteral("pdf")));
    });
    connect(exportButton, &QPushButton::clicked, this, [this] {
        ReportOutput::exportXls(this, m_store, exportPath(QStringLiteral("xls")),
                                QStringLiteral("日结"), kHeaders,
                                ReportOutput::textCells(DayClose::lines(m_figures)),
                                DayClose::kExportFailed, DayClose::kExported);
    });
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    refresh();
}

QString DayCloseDialog::exportPath(const QString &suffix) const
{
    return QDir(m_files.folder()).filePath(QStringLiteral("日结.") + suffix);
}

void DayCloseDialog::refresh()
{
    const QString admin = m_adminBox->currentIndex() == 0 ? QString() : m_adminBox->currentText();
    const auto figures =
        attempt([&] { return DayClose::compute(m_store, m_dayBox->date(), admin); });
    if (!figures)
        return;
    m_figures = *figures;
    showRows(m_grid, DayClose::lines(m_figures));
    QStringList hours;
    QList<Money> sums;
    for (int h = 0; h < 24; ++h) {
        hours << QString::number(h);
        sums << m_figures.hours[h].sum;
    }
    BarChart::show(m_chart, QStringLiteral("消费"), hours, sums);
}

Printout::Report DayCloseDialog::printable() const
{
    Printout::Report p;
    p.title = QStringLiteral("日结");
    p.about = {DayClose::title(m_figures)};
    p.headers = kHeaders;
    p.rows = DayClose::lines(m_figures);
    return p;
}
