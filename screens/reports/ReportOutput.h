#pragma once

#include "screens/reports/Printout.h"

#include <QList>
#include <QString>
#include <QVariantList>

class Database;
class QWidget;

// The three ways out of a report screen: the print preview, a PDF in the
// program folder and an .xls workbook beside it. Prints and files are
// recorded in the audit log.
namespace ReportOutput {

inline const QString kPdfSaved = QStringLiteral("已保存为 PDF：");
inline const QString kPdfFailed = QStringLiteral("PDF 保存失败！");
inline const QString kPrintFailed = QStringLiteral("打印失败，请检查打印机！");
inline const QString kNothing = QStringLiteral("请先查询，再打印或导出！");

// The report with the shop's name read from the settings; nothing when the
// database fails (the screen has been told).
void print(QWidget *parent, Database &store, Printout::Report report);
void savePdf(QWidget *parent, Database &store, Printout::Report report, const QString &path);
void exportXls(QWidget *parent, Database &store, const QString &path, const QString &sheet,
               const QStringList &headers, const QList<QVariantList> &rows, const QString &failed,
               const QString &done);

// Rows of texts as the cells of a workbook: texts stay texts.
QList<QVariantList> textCells(const QList<QStringList> &rows);

} // namespace ReportOutput
