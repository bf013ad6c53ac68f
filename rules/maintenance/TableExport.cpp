#include "rules/maintenance/TableExport.h"

#include "rules/maintenance/StagedFile.h"
#include "rules/maintenance/XlsWriter.h"

#include <QDate>
#include <QFile>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace TableExport {

namespace {

// The workbook stream inside its compound file; every step is released in
// reverse order, and close() says whether all of it reached the file.
struct Workbook
{
    FILE *file = nullptr;
    GsfOutput *sink = nullptr;
    GsfOutfile *ole = nullptr;
    GsfOutput *stream = nullptr;

    Workbook(int handle, const QString &name)
    {
        const int fd = ::dup(handle);
        file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
        if (!file) {
            if (fd >= 0)
                ::close(fd);
            return;
        }
        sink = gsf_output_stdio_new_FILE(QFile::encodeName(name).constData(), file, TRUE);
        if (sink)
            ole = gsf_outfile_msole_new(sink);
        if (ole)
            stream = gsf_outfile_new_child(ole, "Workbook", FALSE);
    }
    ~Workbook() { close(); }
    bool close()
    {
        bool ok = stream != nullptr;
        for (GsfOutput *out : {stream, ole ? GSF_OUTPUT(ole) : nullptr, sink}) {
            if (out && !gsf_output_is_closed(out))
                ok = gsf_output_close(out) && ok;
        }
        for (gpointer object : {gpointer(stream), gpointer(ole), gpointer(sink)}) {
            if (object)
                g_object_unref(object);
        }
        stream = nullptr;
        ole = nullptr;
        sink = nullptr;
        if (file)
            ok = std::fclose(file) == 0 && ok;
        file = nullptr;
        return ok;
    }
};

} // namespace

QString write(const QString &path, const QString &sheetName, const QStringList &headers,
              const QList<QVariantList> &rows)
{
    if (rows.size() + 1 > qsizetype(XlsWriter::kMaxRows))
        return QStringLiteral("行数超过一张工作表的上限");
    QStringList longTexts;
    for (const QVariantList &row : rows) {
        for (const QVariant &v : row) {
            if (v.typeId() == QMetaType::QString && v.toString().size() > XlsWriter::kMaxLabelUnits)
                longTexts << v.toString();
        }
    }
    StagedFile staged(path);
    if (!staged.isOpen())
        return staged.error();
    Workbook book(staged.handle(), staged.path());
    if (!book.stream)
        return QStringLiteral("无法建立导出文件：") + systemErrorText(errno);
    XlsWriter xls(book.stream);
    xls.begin({sheetName}, longTexts);
    xls.beginSheet(quint32(rows.size() + 1), quint16(headers.size()));
    for (int c = 0; c < headers.size(); ++c)
        xls.text(0, quint16(c), headers.at(c));
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const quint16 at = quint16(r + 1);
        for (int c = 0; c < rows.at(r).size() && c < headers.size(); ++c) {
            const QVariant &v = rows.at(r).at(c);
            switch (v.typeId()) {
            case QMetaType::QString:
                if (!v.toString().isEmpty())
                    xls.text(at, quint16(c), v.toString());
                break;
            case QMetaType::QDate:
                xls.date(at, quint16(c), v.toDate());
                break;
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::Double:
                xls.number(at, quint16(c), v.toDouble());
                break;
            default:
                if (!v.isNull())
                    xls.text(at, quint16(c), v.toString());
            }
        }
    }
    xls.endSheet();
    const bool complete = xls.finish();
    if (!book.close() || !complete)
        return QStringLiteral("写入导出文件失败");
    if (!staged.commit(StagedFile::Existing::Replace))
        return staged.error();
    return {};
}

} // namespace TableExport
