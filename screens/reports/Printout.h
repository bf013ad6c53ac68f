#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QPagedPaintDevice;
class QTextDocument;
class QWidget;

// A report or a slip drawn once as a document, and sent to the screen
// preview, a printer or a PDF file alike.
namespace Printout {

// A report on A4: its title, lines about it (who, which range), a table and
// the lines below it (totals).
struct Report
{
    QString shop;
    QString title;
    QStringList about;
    QStringList headers;
    QList<QStringList> rows;
    QStringList footer;
    bool landscape = false; // for tables of many columns
};
std::unique_ptr<QTextDocument> reportDocument(const Report &report);

// A slip of paperMm (58 or 80) width, as long as its lines need: the shop's
// name, then caption and value on each line.
std::unique_ptr<QTextDocument> slipDocument(const QString &shop, const QList<QStringList> &lines,
                                            int paperMm);

// The printable width of a slip's paper in points.
double slipTextWidth(int paperMm);

// Writes the document to a PDF file; false when the file cannot be written.
bool toPdf(QTextDocument &document, const QString &path);

// Prints on the default printer without a dialog; false when it fails.
bool toDefaultPrinter(QTextDocument &document);

// Shows the print preview, from which the user prints; true when printed.
bool preview(QWidget *parent, QTextDocument &document);

// Tests print into this PDF file instead of a printer (an empty path: every
// print fails); nullopt restores the printers.
void setPrinterForTesting(std::optional<QString> pdfPath);

} // namespace Printout
