#include "screens/reports/ReferrerReportDialog.h"

#include "base/Clock.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "screens/reports/BarChart.h"
#include "screens/reports/ReportOutput.h"
#include "workbook/TableExport.h"

#include <QChartView>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

ReferrerReportDialog::ReferrerReportDialog(Database &store, const DataFiles &files, QWidget *parent)
    : ScreenDialog(QStringLiteral("tuijianbaobiao"), QStringLiteral("推荐人报表"), parent),
      m_store(store), m_files(files)
{
    m_nameBox = textBox("mingzi", 10);
    m_phoneBox = textBox("shouji", 11);
    Ui::digitsOnly(m_phoneBox);
    QPushButton *findButton = mainAction(button("chaxun", QStringLiteral("查询(&S)")));
    const QDate today = Clock::today();
    m_fromBox = dateBox("kaishi", QDate(today.year(), today.month(), 1));
    m_toBox = dateBox("jieshu", today);
    m_referrerLabel = label("tuijianren", QString());
    m_grid = table("biaoge", ReferrerReport::headers());
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_totalsLabel = label("heji", QString());
    m_chart = BarChart::create("tubiao", QStringLiteral("近12个月提成（元）"), this);
    QPushButton *printButton = button("dayin", QStringLiteral("打印(&P)"));
    QPushButton *pdfButton = button("pdf", QStringLiteral("PDF"));
    QPushButton *exportButton = button("daochu", QStringLiteral("导出(&X)"));
    QPushButton *exitButton = button("tuichu", QStringLiteral("退出(&E)"));

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(rowOf({label("Label1", QStringLiteral("推荐人：")), m_nameBox,
                             label("Label2", QStringLiteral("手机号：")), m_phoneBox, findButton,
                             label("Label3", QStringLiteral("日期从：")), m_fromBox,
                             label("Label4", QStringLiteral("到：")), m_toBox}));
    layout->addWidget(m_referrerLabel);
    layout->addWidget(m_grid, 2);
    layout->addWidget(m_chart, 1);
    QHBoxLayout *buttons = rowOf({m_totalsLabel, printButton, pdfButton, exportButton, exitButton});
    buttons->setStretch(0, 1);
    layout->addLayout(buttons);
    Ui::resizeTwips(this, 13500, 9000);

    connect(findButton, &QPushButton::clicked, this, &ReferrerReportDialog::find);
    connect(m_fromBox, &QDateEdit::dateChanged, this, &ReferrerReportDialog::refresh);
    connect(m_toBox, &QDateEdit::dateChanged, this, &ReferrerReportDialog::refresh);
    connect(printButton, &QPushButton::clicked, this, [this] {
        if (m_report.account == 0)
            Dialogs::message(this, ReportOutput::kNothing);
        else
            ReportOutput::print(this, m_store, printable());
    });
    connect(pdfButton, &QPushButton::clicked, this, [this] {
        if (m_report.account == 0)
            Dialogs::message(this, ReportOutput::kNothing);
        else
            ReportOutput::savePdf(this, m_store, printable(), exportPath(QStringLiteral("pdf")));
    });
    connect(exportButton, &QPushButton::clicked, this, &ReferrerReportDialog::exportRows);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
}

void ReferrerReportDialog::exportRows()
{
    if (m_report.account == 0) {
        Dialogs::message(this, ReportOutput::kNothing);
        return;
    }
    QList<QVariantList> rows;
    for (const ReferrerReport::Referee &r : m_report.referees) {
        const QStringList texts = ReferrerReport::cells(r);
        rows << QVariantList{texts.at(0),
                             texts.at(1),
                             texts.at(2),
                             r.consumption.count,
                             QVariant::fromValue(r.consumption.sum),
                             QVariant::fromValue(r.commission)};
    }
    ReportOutput::exportXls(this, m_store, exportPath(QStringLiteral("xls")),
                            QStringLiteral("推荐人报表"), ReferrerReport::headers(), rows,
                            ReferrerReport::kExportFailed, ReferrerReport::kExported);
}

QString ReferrerReportDialog::exportPath(const QString &suffix) const
{
    return QDir(m_files.folder()).filePath(QStringLiteral("推荐人报表.") + suffix);
}

void ReferrerReportDialog::find()
{
    if (const auto id = findMember(m_store, m_nameBox->text(), m_phoneBox->text(),
                                   ReferrerReport::kNoReferrer, ReferrerReport::kNotFound))
        showMember(*id);
}

void ReferrerReportDialog::showMember(qint64 memberId)
{
    const auto account =
        attempt([&] { return ReferrerReport::accountOfMember(m_store, memberId); });
    if (!account)
        return;
    if (*account == 0) {
        Dialogs::message(this, ReferrerReport::kNotFound);
        return;
    }
    showAccount(*account);
}

void ReferrerReportDialog::showAccount(qint64 account)
{
    m_report.account = account;
    refresh();
    m_nameBox->setText(m_report.name);
    m_phoneBox->setText(m_report.phone);
}

void ReferrerReportDialog::refresh()
{
    if (m_report.account == 0)
        return;
    const auto report = attempt([&] {
        return ReferrerReport::compute(m_store, m_report.account, m_fromBox->date(),
                                       m_toBox->date());
    });
    if (!report)
        return;
    m_report = *report;
    m_referrerLabel->setText(ReferrerReport::title(m_report));
    QList<QStringList> rows;
    for (const ReferrerReport::Referee &r : m_report.referees)
        rows << ReferrerReport::cells(r);
    showRows(m_grid, rows);
    m_totalsLabel->setText(ReferrerReport::totalsText(m_report));
    QStringList months;
    for (const QDate &month : m_report.months)
        months << month.toString(QStringLiteral("yyyy-MM"));
    BarChart::show(m_chart, QStringLiteral("提成"), months, m_report.monthly);
}

Printout::Report ReferrerReportDialog::printable() const
{
    Printout::Report p;
    p.title = QStringLiteral("推荐人报表");
    p.about = {ReferrerReport::title(m_report)};
    p.headers = ReferrerReport::headers();
    for (const ReferrerReport::Referee &r : m_report.referees)
        p.rows << ReferrerReport::cells(r);
    p.footer = {ReferrerReport::totalsText(m_report)};
    return p;
}
