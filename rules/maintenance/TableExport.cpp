#include "rules/maintenance/TableExport.h"

#include "rules/maintenance/DiskCalls.h"
#include "rules/maintenance/StagedFile.h"
#include "rules/maintenance/XlsWriter.h"

#include <QDate>
#include <QFileInfo>

namespace TableExport {

QString write(const QString &path, const QString &sheetName, const QStringList &headers,
              const QList<QVariantList> &rows)
{
    DiskCalls &calls = DiskCalls::system();
    StagedFile staged(path, calls);
    if (!staged.isOpen())
        return staged.error();
    XlsWriter xls(sheetName, QFileInfo(path).absolutePath(), calls);
    const bool written = xls.write(staged.handle(), headers, [&](XlsWriter::Rows &out) {
        for (const QVariantList &row : rows) {
            for (int c = 0; c < row.size() && c < headers.size(); ++c) {
                const QVariant &v = row.at(c);
                switch (v.typeId()) {
                case QMetaType::QString:
                    if (!v.toString().isEmpty())
                        out.text(c, v.toString());
                    break;
                case QMetaType::QDate:
                    out.date(c, v.toDate());
                    break;
                case QMetaType::Int:
                case QMetaType::LongLong:
                case QMetaType::Double:
                    out.number(c, v.toDouble());
                    break;
                default:
                    if (!v.isNull())
                        out.text(c, v.toString());
                }
            }
            out.endRow();
        }
    });
    if (!written)
        return xls.error();
    if (!staged.commit(StagedFile::Existing::Replace))
        return staged.error();
    return {};
}

} // namespace TableExport
