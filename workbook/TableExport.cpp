#include "workbook/TableExport.h"

#include "base/DiskCalls.h"
#include "base/StagedFile.h"
#include "workbook/XlsWriter.h"

#include <QDate>
#include <QFileInfo>

namespace TableExport {

namespace {

bool isMoney(const QVariant &v)
{
    return v.metaType() == QMetaType::fromType<Money>();
}

} // namespace

QStringList texts(const QVariantList &row)
{
    QStringList out;
    out.reserve(row.size());
    for (const QVariant &v : row) {
        if (isMoney(v))
            out << v.value<Money>().toStringWithCents();
        else if (v.isNull())
            out << QString();
        else
            out << v.toString();
    }
    return out;
}

Written write(const QString &path, const QString &sheetName, const QStringList &headers,
              const QList<QVariantList> &rows)
{
    return write(path, sheetName, headers, [&rows](const RowSink &sink) {
        for (const QVariantList &row : rows)
            sink(row);
    });
}

Written write(const QString &path, const QString &sheetName, const QStringList &headers,
              const std::function<void(const RowSink &)> &source)
{
    DiskCalls &calls = DiskCalls::system();
    StagedFile staged(path, calls);
    if (!staged.isOpen())
        return {staged.error()};
    XlsWriter xls(sheetName, QFileInfo(path).absolutePath(), calls);
    const bool written = xls.write(staged.handle(), headers, [&](XlsWriter::Rows &out) {
        source([&](const QVariantList &row) {
            for (int c = 0; c < row.size() && c < headers.size(); ++c) {
                const QVariant &v = row.at(c);
                if (isMoney(v)) {
                    out.number(c, double(v.value<Money>().fen()) / 100);
                    continue;
                }
                switch (v.typeId()) {
                case QMetaType::QString:
                    if (const QString text = v.toString(); !text.isEmpty())
                        out.text(c, text);
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
        });
    });
    if (!written)
        return {xls.error()};
    if (!staged.commit(StagedFile::Existing::Replace))
        return {staged.error()};
    return {QString(), xls.cutCells()};
}

} // namespace TableExport
