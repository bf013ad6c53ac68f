// The report screens on the hand-worked shop: what they list and chart, the
// PDFs read back (figures, Chinese text, embedded fonts, a page with ink),
// the statement on paper, and the audit rows of prints and exports.
#include "PdfReadBack.h"
#include "ReportShop.h"
#include "screens/money/StatementDialog.h"
#include "screens/reports/DayCloseDialog.h"
#include "screens/reports/Printout.h"
#include "screens/reports/RankingDialog.h"
#include "screens/reports/ReferrerReportDialog.h"
#include "store/AuditLog.h"
#include "support/Controls.h"
#include "support/ScriptedDialogs.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

// The bars of a screen's chart, in yuan.
QList<double> bars(QWidget &screen)
{
    QList<double> out;
    const auto series = control<QChartView>(screen, "tubiao")->chart()->series();
    if (auto *barSeries = qobject_cast<QBarSeries *>(series.value(0)))
        for (int i = 0; i < barSeries->barSets().value(0)->count(); ++i)
            out << barSeries->barSets().value(0)->at(i);
    return out;
}

QStringList column(QTableWidget *grid, int c)
{
    QStringList out;
    for (int r = 0; r < grid->rowCount(); ++r)
        out << grid->item(r, c)->text();
    return out;
}

QStringList auditKinds(Database &store)
{
    QStringList kinds;
    for (const AuditLog::Row &row : AuditLog(store).rows({}, {}))
        kinds << row.kind + QLatin1Char(' ') + row.detail;
    return kinds;
}

} // namespace

class TestReportScreens : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;
    std::unique_ptr<ReportShop> m_shop;

private Q_SLOTS:
    void init()
    {
        m_shop = std::make_unique<ReportShop>();
        m_shop->at(12, 8, 12, 0);
    }
    void cleanup()
    {
        Printout::setPrinterForTesting(std::nullopt);
        m_shop.reset();
        VERIFY_DIALOGS_DONE(m_dialogs);
    }

    void referrerReportListsAndCharts()
    {
        ReferrerReportDialog screen(m_shop->store(), m_shop->folder.files());
        control<QDateEdit>(screen, "kaishi")->setDate(QDate(2026, 12, 1));
        control<QDateEdit>(screen, "jieshu")->setDate(QDate(2026, 12, 7));
        QTest::keyClicks(control<QLineEdit>(screen, "mingzi"), QStringLiteral("RefA"));
        control<QPushButton>(screen, "chaxun")->click();
        auto *grid = control<QTableWidget>(screen, "biaoge");
        QCOMPARE(column(grid, 0),
                 (QStringList{QStringLiteral("A1"), QStringLiteral("A2"),
                              QStringLiteral("A3（已删除）"), QStringLiteral("A4")}));
        QCOMPARE(column(grid, 5), (QStringList{QStringLiteral("14.00"), QStringLiteral("5.60"),
                                               QStringLiteral("4.20"), QStringLiteral("0.00")}));
        QVERIFY(control<QLabel>(screen, "heji")->text().contains(QStringLiteral("23.80")));
        // Counts and money right-aligned, names left.
        for (int c = 0; c < grid->columnCount(); ++c)
            QCOMPARE(bool(grid->item(0, c)->textAlignment() & Qt::AlignRight), c >= 3);
        QList<double> expected(12, 0.0);
        expected[10] = 10;
        expected[11] = 13.8;
        QCOMPARE(bars(screen), expected);
    }

    // Every report to PDF: the figures and texts read back, fonts carried,
    // a page that is not blank, and the export in the audit log.
    void reportsToPdf_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("tuijianbaobiao")
            << QStringLiteral("tuijianbaobiao")
            << QStringList{QStringLiteral("推荐人报表"), QStringLiteral("（已删除）"),
                           QStringLiteral("290.00"), QStringLiteral("23.80"),
                           QStringLiteral("Pellomar会员系统")};
        QTest::newRow("tuijianpaihang")
            << QStringLiteral("tuijianpaihang")
            << QStringList{QStringLiteral("推荐排行"), QStringLiteral("RefC（已删除）"),
                           QStringLiteral("23.80"), QStringLiteral("按提成")};
        QTest::newRow("rijie") << QStringLiteral("rijie")
                               << QStringList{QStringLiteral("日结 2026-12-07"),
                                              QStringLiteral("应收现金"), QStringLiteral("36.60"),
                                              QStringLiteral("85.00")};
        QTest::newRow("liushui") << QStringLiteral("liushui")
                                 << QStringList{
                                        QStringLiteral("会员流水"), QStringLiteral("13900000011"),
                                        QStringLiteral("撤销消费"), QStringLiteral("-200.00")};
    }
    void reportsToPdf()
    {
        QFETCH(QString, screen);
        QFETCH(QStringList, texts);
        std::unique_ptr<ScreenDialog> dialog;
        QString path;
        const char *pdfButton = "pdf";
        Database &store = m_shop->store();
        const DataFiles files = m_shop->folder.files();
        if (screen == QLatin1String("tuijianbaobiao")) {
            auto *d = new ReferrerReportDialog(store, files);
            control<QDateEdit>(*d, "kaishi")->setDate(QDate(2026, 12, 1));
            control<QDateEdit>(*d, "jieshu")->setDate(QDate(2026, 12, 7));
            d->showMember(m_shop->refA);
            path = d->exportPath(QStringLiteral("pdf"));
            dialog.reset(d);
        } else if (screen == QLatin1String("tuijianpaihang")) {
            auto *d = new RankingDialog(store, files);
            control<QDateEdit>(*d, "kaishi")->setDate(QDate(2026, 12, 1));
            control<QDateEdit>(*d, "jieshu")->setDate(QDate(2026, 12, 7));
            path = d->exportPath(QStringLiteral("pdf"));
            dialog.reset(d);
        } else if (screen == QLatin1String("rijie")) {
            auto *d = new DayCloseDialog(store, files);
            control<QDateEdit>(*d, "riqi")->setDate(QDate(2026, 12, 7));
            path = d->exportPath(QStringLiteral("pdf"));
            dialog.reset(d);
        } else {
            auto *d = new StatementDialog(store, files, m_shop->admin);
            d->showMember(m_shop->a1);
            path = d->pdfPath();
            pdfButton = "Command6";
            dialog.reset(d);
        }
        control<QPushButton>(*dialog, pdfButton)->click();
        QCOMPARE(m_dialogs.takeMessages(), QStringList{QStringLiteral("已保存为 PDF：") + path});
        const QString text = PdfReadBack::text(path);
        for (const QString &t : texts) {
            const QString expected = t.normalized(QString::NormalizationForm_KC);
            QVERIFY2(text.contains(expected), qPrintable(t + QStringLiteral(" not in:\n") + text));
        }
        QCOMPARE(PdfReadBack::fontsNotEmbedded(path), QStringList());
        QVERIFY(PdfReadBack::inkOfFirstPage(path) > 0.001);
        QVERIFY(auditKinds(store).contains(AuditLog::kExport + QLatin1Char(' ') +
                                           QFileInfo(path).fileName()));
    }

    // The print button reaches the printer (here a file) and is logged.
    void printIsLogged()
    {
        const QString printed = m_shop->folder.path() + QStringLiteral("/printed.pdf");
        Printout::setPrinterForTesting(printed);
        DayCloseDialog screen(m_shop->store(), m_shop->folder.files());
        control<QDateEdit>(screen, "riqi")->setDate(QDate(2026, 12, 7));
        control<QPushButton>(screen, "dayin")->click();
        QVERIFY(PdfReadBack::text(printed).contains(QStringLiteral("现金差额")));
        QCOMPARE(auditKinds(m_shop->store()).value(0), AuditLog::kPrint + QStringLiteral(" 日结"));
    }

    void dayCloseByAdministratorAndHour()
    {
        DayCloseDialog screen(m_shop->store(), m_shop->folder.files());
        control<QDateEdit>(screen, "riqi")->setDate(QDate(2026, 12, 7));
        auto *admins = control<QComboBox>(screen, "guanliyuan");
        QCOMPARE(admins->itemText(0), QStringLiteral("全部管理员"));
        auto *grid = control<QTableWidget>(screen, "biaoge");
        QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("2 笔，110.00 元"));
        QList<double> hours(24, 0.0);
        hours[9] = 200;
        hours[10] = 80;
        hours[11] = 40;
        hours[15] = 30;
        hours[17] = 60;
        QCOMPARE(bars(screen), hours);
        admins->addItem(QStringLiteral("clerk")); // not registered in this folder
        admins->setCurrentIndex(admins->count() - 1);
        QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("1 笔，80.00 元"));
        hours = QList<double>(24, 0.0);
        hours[10] = 80;
        hours[11] = 40;
        QCOMPARE(bars(screen), hours);
    }

    void rankingChoiceAndDoubleClick()
    {
        RankingDialog screen(m_shop->store(), m_shop->folder.files());
        qint64 opened = 0;
        screen.setReferrerOpener([&](qint64 account) { opened = account; });
        control<QDateEdit>(screen, "kaishi")->setDate(QDate(2026, 12, 1));
        control<QDateEdit>(screen, "jieshu")->setDate(QDate(2026, 12, 7));
        QCOMPARE(bars(screen), (QList<double>{23.8, 10, 2.8}));
        control<QComboBox>(screen, "paixu")->setCurrentIndex(1);
        QCOMPARE(bars(screen), (QList<double>{290, 40, 0}));
        auto *grid = control<QTableWidget>(screen, "biaoge");
        QCOMPARE(column(grid, 1).value(2), QStringLiteral("RefC（已删除）"));
        Q_EMIT grid->cellDoubleClicked(2, 1);
        QCOMPARE(opened, m_shop->refCAccount);
    }
};

QTEST_MAIN(TestReportScreens)
#include "tst_reportscreens.moc"
