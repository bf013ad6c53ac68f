#include "screens/reports/ReportOutput.h"

#include "base/StoreError.h"
#include "rules/admins/AuditTrail.h"
#include "rules/reports/PrintSettings.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "workbook/TableExport.h"

#include <QFileInfo>
#include <QTextDocument>
#include <functional>

namespace ReportOutput {

namespace {

// Fills in the shop's name; false when the database failed.
bool withShop(QWidget *parent, Database &store, Printout::Report &report)
{
    try {
        report.shop = PrintSettings::load(store).shop;
        return true;
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(parent, e.text());
        return false;
    }
}

// Writes the audit row through the rule; a failure is shown, the output stays.
void record(QWidget *parent, const std::function<void()> &write)
{
    try {
        write();
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(parent, e.text());
    }
}

} // namespace

void print(QWidget *parent, Database &store, Printout::Report report)
{
    if (!withShop(parent, store, report))
        return;
    const auto document = Printout::reportDocument(report);
    if (Printout::preview(parent, *document))
        record(parent, [&] { AuditTrail::recordPrint(store, report.title); });
}

void savePdf(QWidget *parent, Database &store, Printout::Report report, const QString &path)
{
    if (!withShop(parent, store, report))
        return;
    const auto document = Printout::reportDocument(report);
    if (!Printout::toPdf(*document, path)) {
        Dialogs::error(parent, kPdfFailed);
        return;
    }
    record(parent, [&] { AuditTrail::recordExport(store, path); });
    Dialogs::message(parent, kPdfSaved + path);
}

void exportXls(QWidget *parent, Database &store, const QString &path, const QString &sheet,
               const QStringList &headers, const QList<QVariantList> &rows, const QString &failed,
               const QString &done)
{
    Ui::reportExport(parent, store, path, TableExport::write(path, sheet, headers, rows), failed,
                     done);
}

QList<QVariantList> textCells(const QList<QStringList> &rows)
{
    QList<QVariantList> out;
    for (const QStringList &row : rows) {
        QVariantList cells;
        for (const QString &cell : row)
            cells << cell;
        out << cells;
    }
    return out;
}

} // namespace ReportOutput
