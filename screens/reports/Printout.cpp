#include "screens/reports/Printout.h"

#include "screens/Ui.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

namespace Printout {

namespace {

std::optional<QString> g_testPrinter;

// Document units are pixels at 96 per inch; a point is 1/72 inch.
constexpr double kPixelsPerPoint = 96.0 / 72.0;
constexpr double kPointsPerMm = 72.0 / 25.4;

QFont documentFont(int points)
{
    QFont font;
    font.setFamilies(Ui::songTi());
    font.setPointSize(points);
    return font;
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// The slip's side margin in millimetres: thermal printers of 58 mm paper
// print 48 mm of it, those of 80 mm paper 72 mm.
double slipMarginMm(int paperMm)
{
    return paperMm == 80 ? 4.0 : 5.0;
}

// The document laid out for the device's page: one document page is one
// page of the device's printable area.
void fitToDevice(QTextDocument &document, QPagedPaintDevice &device)
{
    const QSizeF points = device.pageLayout().paintRect(QPageLayout::Point).size();
    document.setPageSize(points * kPixelsPerPoint);
}

bool printTo(QTextDocument &document, QPagedPaintDevice &device)
{
    fitToDevice(document, device);
    document.print(&device);
    return true;
}

// The page a document asks for: a slip's exact size, else A4.
QPageLayout layoutFor(const QTextDocument &document)
{
    const QVariant slipMm = document.property("slipMm");
    if (!slipMm.isValid())
        return QPageLayout(QPageSize(QPageSize::A4),
                           document.property("landscape").toBool() ? QPageLayout::Landscape
                                                                   : QPageLayout::Portrait,
                           QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    const int paperMm = slipMm.toInt();
    const double margin = slipMarginMm(paperMm);
    // A little more than the text needs, so that rounding never starts a
    // second page.
    const double heightMm =
        document.size().height() / kPixelsPerPoint / kPointsPerMm + 2 * margin + 2;
    return QPageLayout(QPageSize(QSizeF(paperMm, heightMm), QPageSize::Millimeter),
                       QPageLayout::Portrait, QMarginsF(margin, margin, margin, margin),
                       QPageLayout::Millimeter);
}

bool writePdf(QTextDocument &document, const QString &path)
{
    {
        QPdfWriter writer(path);
        writer.setCreator(QStringLiteral("Pellomar"));
        writer.setPageLayout(layoutFor(document));
        printTo(document, writer);
    }
    return QFileInfo(path).size() > 0;
}

} // namespace

std::unique_ptr<QTextDocument> reportDocument(const Report &report)
{
    QString html = QStringLiteral("<p align=\"center\">") + escaped(report.shop) +
                   QStringLiteral("</p><h2 align=\"center\">") + escaped(report.title) +
                   QStringLiteral("</h2>");
    for (const QString &line : report.about)
        html += QStringLiteral("<p>") + escaped(line) + QStringLiteral("</p>");
    html += QStringLiteral(
        "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\"><tr>");
    for (const QString &h : report.headers)
        html += QStringLiteral("<th>") + escaped(h) + QStringLiteral("</th>");
    html += QStringLiteral("</tr>");
    for (const QStringList &row : report.rows) {
        html += QStringLiteral("<tr>");
        for (const QString &cell : row)
            html += QStringLiteral("<td>") + escaped(cell) + QStringLiteral("</td>");
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table>");
    for (const QString &line : report.footer)
        html += QStringLiteral("<p>") + escaped(line) + QStringLiteral("</p>");
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(documentFont(report.landscape ? 9 : 10));
    document->setHtml(html);
    if (report.landscape)
        document->setProperty("landscape", true);
    return document;
}

double slipTextWidth(int paperMm)
{
    return (paperMm - 2 * slipMarginMm(paperMm)) * kPointsPerMm;
}

std::unique_ptr<QTextDocument> slipDocument(const QString &shop, const QList<QStringList> &lines,
                                            int paperMm)
{
    QString html =
        QStringLiteral("<p align=\"center\"><b>") + escaped(shop) + QStringLiteral("</b></p><hr/>");
    // A line without a caption goes on the value above it, indented.
    for (const QStringList &line : lines)
        html += QStringLiteral("<p>") +
                (line.value(0).isEmpty() ? QStringLiteral("　　　　")
                                         : escaped(line.value(0)) + QStringLiteral("：")) +
                escaped(line.value(1)) + QStringLiteral("</p>");
    html += QStringLiteral("<hr/><p align=\"center\">谢谢惠顾</p>");
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(documentFont(9));
    document->setDocumentMargin(0);
    document->setHtml(html);
    document->setTextWidth(slipTextWidth(paperMm) * kPixelsPerPoint);
    document->setProperty("slipMm", paperMm);
    return document;
}

bool toPdf(QTextDocument &document, const QString &path)
{
    return writePdf(document, path);
}

bool toDefaultPrinter(QTextDocument &document)
{
    if (g_testPrinter)
        return !g_testPrinter->isEmpty() && writePdf(document, *g_testPrinter);
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return false;
    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid() || !printer.setPageLayout(layoutFor(document)))
        return false;
    printTo(document, printer);
    return printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
}

bool preview(QWidget *parent, QTextDocument &document)
{
    if (g_testPrinter)
        return !g_testPrinter->isEmpty() && writePdf(document, *g_testPrinter);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(layoutFor(document));
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&document](QPrinter *target) { printTo(document, *target); });
    return dialog.exec() == QDialog::Accepted && printer.printerState() != QPrinter::Error;
}

void setPrinterForTesting(std::optional<QString> pdfPath)
{
    g_testPrinter = std::move(pdfPath);
}

} // namespace Printout
