#include "XlsReadBack.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

#include <freexl.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace XlsReadBack {

namespace {

QByteArray numberText(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return QByteArray("n:") + text;
}

// The day of a serial number in Excel's 1900 date system, which counts a
// 29 February 1900 that never was (serial 60).
QByteArray serialDay(double serial)
{
    if (serial != std::floor(serial))
        return "not a whole day: " + QByteArray::number(serial, 'g', 17);
    const qint64 day = qint64(serial);
    if (day == 60)
        return "1900-02-29";
    if (day < 1)
        return "before 1900: " + QByteArray::number(day);
    return QDate(1899, 12, day < 60 ? 31 : 30).addDays(day).toString(Qt::ISODate).toUtf8();
}

quint16 le16(const char *p)
{
    return quint16(quint8(p[0]) | quint8(p[1]) << 8);
}

quint32 le32(const char *p)
{
    return quint32(le16(p)) | quint32(le16(p + 2)) << 16;
}

double leDouble(const char *p)
{
    const quint64 bits = quint64(le32(p)) | quint64(le32(p + 4)) << 32;
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

const QHash<quint16, QString> &names()
{
    static const QHash<quint16, QString> n = {
        {0x0809, QStringLiteral("BOF")},
        {0x000A, QStringLiteral("EOF")},
        {0x00E1, QStringLiteral("INTERFACEHDR")},
        {0x00C1, QStringLiteral("MMS")},
        {0x00E2, QStringLiteral("INTERFACEEND")},
        {0x005C, QStringLiteral("WRITEACCESS")},
        {0x0042, QStringLiteral("CODEPAGE")},
        {0x0161, QStringLiteral("DSF")},
        {0x013D, QStringLiteral("TABID")},
        {0x009C, QStringLiteral("FNGROUPCOUNT")},
        {0x0019, QStringLiteral("WINDOWPROTECT")},
        {0x0012, QStringLiteral("PROTECT")},
        {0x0013, QStringLiteral("PASSWORD")},
        {0x01AF, QStringLiteral("PROT4REV")},
        {0x01BC, QStringLiteral("PROT4REVPASS")},
        {0x003D, QStringLiteral("WINDOW1")},
        {0x0040, QStringLiteral("BACKUP")},
        {0x008D, QStringLiteral("HIDEOBJ")},
        {0x0022, QStringLiteral("DATEMODE")},
        {0x000E, QStringLiteral("PRECISION")},
        {0x01B7, QStringLiteral("REFRESHALL")},
        {0x00DA, QStringLiteral("BOOKBOOL")},
        {0x0031, QStringLiteral("FONT")},
        {0x041E, QStringLiteral("FORMAT")},
        {0x00E0, QStringLiteral("XF")},
        {0x0293, QStringLiteral("STYLE")},
        {0x0160, QStringLiteral("USESELFS")},
        {0x0085, QStringLiteral("BOUNDSHEET")},
        {0x008C, QStringLiteral("COUNTRY")},
        {0x00FC, QStringLiteral("SST")},
        {0x003C, QStringLiteral("CONTINUE")},
        {0x00FF, QStringLiteral("EXTSST")},
        {0x000D, QStringLiteral("CALCMODE")},
        {0x000C, QStringLiteral("CALCCOUNT")},
        {0x000F, QStringLiteral("REFMODE")},
        {0x0011, QStringLiteral("ITERATION")},
        {0x0010, QStringLiteral("DELTA")},
        {0x005F, QStringLiteral("SAVERECALC")},
        {0x002A, QStringLiteral("PRINTHEADERS")},
        {0x002B, QStringLiteral("PRINTGRIDLINES")},
        {0x0082, QStringLiteral("GRIDSET")},
        {0x0080, QStringLiteral("GUTS")},
        {0x0225, QStringLiteral("DEFAULTROWHEIGHT")},
        {0x0081, QStringLiteral("WSBOOL")},
        {0x0014, QStringLiteral("HEADER")},
        {0x0015, QStringLiteral("FOOTER")},
        {0x0083, QStringLiteral("HCENTER")},
        {0x0084, QStringLiteral("VCENTER")},
        {0x00A1, QStringLiteral("SETUP")},
        {0x0055, QStringLiteral("DEFCOLWIDTH")},
        {0x007D, QStringLiteral("COLINFO")},
        {0x0200, QStringLiteral("DIMENSIONS")},
        {0x0208, QStringLiteral("ROW")},
        {0x00FD, QStringLiteral("LABELSST")},
        {0x0204, QStringLiteral("LABEL")},
        {0x0203, QStringLiteral("NUMBER")},
        {0x027E, QStringLiteral("RK")},
        {0x0201, QStringLiteral("BLANK")},
        {0x023E, QStringLiteral("WINDOW2")},
    };
    return n;
}

// Reads the records of one substream, from its BOF to its EOF.
bool substream(const QByteArray &stream, qint64 at, QList<Record> *out, qint64 *end, QString *error)
{
    for (;;) {
        if (at + 4 > stream.size()) {
            *error = QStringLiteral("substream runs past the stream's end at %1").arg(at);
            return false;
        }
        const quint16 type = le16(stream.constData() + at);
        const quint16 size = le16(stream.constData() + at + 2);
        if (size > 8224) {
            *error = QStringLiteral("record %1 at %2 holds %3 bytes (at most 8224)")
                         .arg(type, 4, 16, QLatin1Char('0'))
                         .arg(at)
                         .arg(size);
            return false;
        }
        if (at + 4 + size > stream.size()) {
            *error = QStringLiteral("record at %1 runs past the stream's end").arg(at);
            return false;
        }
        out->append({type, at, stream.mid(at + 4, size)});
        at += 4 + size;
        if (type == 0x000A) {
            *end = at;
            return true;
        }
    }
}

// Decodes the shared string table and checks its index (EXTSST).
bool sharedStrings(Workbook &wb, QString *error)
{
    qsizetype r = -1;
    for (qsizetype i = 0; i < wb.globals.size(); ++i) {
        if (wb.globals.at(i).type == 0x00FC)
            r = i;
    }
    if (r < 0) {
        *error = QStringLiteral("no SST");
        return false;
    }
    const Record *rec = &wb.globals.at(r);
    if (rec->data.size() < 8) {
        *error = QStringLiteral("SST too short");
        return false;
    }
    wb.stringReferences = le32(rec->data.constData());
    const quint32 unique = le32(rec->data.constData() + 4);
    qsizetype pos = 8;
    auto nextRecord = [&]() {
        ++r;
        if (r >= wb.globals.size() || wb.globals.at(r).type != 0x003C)
            return false;
        rec = &wb.globals.at(r);
        pos = 0;
        return true;
    };
    QList<qint64> starts;   // stream offset of each string's header
    QList<qint64> inRecord; // its offset from its record's start
    for (quint32 i = 0; i < unique; ++i) {
        if (pos == rec->data.size() && !nextRecord()) {
            *error = QStringLiteral("SST ends before string %1").arg(i);
            return false;
        }
        if (pos + 3 > rec->data.size()) {
            *error = QStringLiteral("header of string %1 split across records").arg(i);
            return false;
        }
        starts << rec->offset + 4 + pos;
        inRecord << 4 + pos;
        const char *d = rec->data.constData();
        const int length = le16(d + pos);
        const quint8 flags = quint8(d[pos + 2]);
        if (flags & ~1) {
            *error = QStringLiteral("string %1 has flags %2").arg(i).arg(flags);
            return false;
        }
        bool wide = flags & 1;
        pos += 3;
        QString s(length, Qt::Uninitialized);
        int got = 0;
        while (got < length) {
            const int unit = wide ? 2 : 1;
            const qsizetype available = (rec->data.size() - pos) / unit;
            if (available == 0) {
                if (got == 0) {
                    *error = QStringLiteral("string %1's header is not followed by a "
                                            "character in its record")
                                 .arg(i);
                    return false;
                }
                if (pos != rec->data.size()) {
                    *error = QStringLiteral("string %1 leaves half a character").arg(i);
                    return false;
                }
                if (!nextRecord() || rec->data.isEmpty()) {
                    *error = QStringLiteral("string %1 is cut short").arg(i);
                    return false;
                }
                const quint8 more = quint8(rec->data.at(0));
                if (more & ~1) {
                    *error = QStringLiteral("string %1 continues with flags %2").arg(i).arg(more);
                    return false;
                }
                wide = more & 1;
                pos = 1;
                wb.breaks << qMakePair(int(i), got);
                continue;
            }
            const int n = int(qMin<qsizetype>(available, length - got));
            const char *p = rec->data.constData() + pos;
            for (int k = 0; k < n; ++k)
                s[got + k] = QChar(wide ? le16(p + 2 * k) : quint8(p[k]));
            if (!wb.breaks.isEmpty() && wb.breaks.last() == qMakePair(int(i), got) && got > 0 &&
                s[got - 1].isHighSurrogate() && s[got].isLowSurrogate()) {
                *error = QStringLiteral("string %1 is split inside a surrogate pair").arg(i);
                return false;
            }
            got += n;
            pos += qsizetype(n) * unit;
        }
        wb.strings << s;
    }
    if (pos != rec->data.size()) {
        *error = QStringLiteral("bytes after the last string of the SST");
        return false;
    }
    if (r + 1 >= wb.globals.size() || wb.globals.at(r + 1).type != 0x00FF) {
        *error = QStringLiteral("no EXTSST right after the SST");
        return false;
    }
    const QByteArray &ext = wb.globals.at(r + 1).data;
    const quint16 perBucket = le16(ext.constData());
    const qsizetype buckets = (ext.size() - 2) / 8;
    if (perBucket < 8 || buckets > 128 || (ext.size() - 2) % 8 != 0 ||
        buckets != (unique + perBucket - 1) / perBucket) {
        *error = QStringLiteral("EXTSST: %1 strings a bucket, %2 buckets for %3 strings")
                     .arg(perBucket)
                     .arg(buckets)
                     .arg(unique);
        return false;
    }
    for (qsizetype b = 0; b < buckets; ++b) {
        const qint64 at = le32(ext.constData() + 2 + 8 * b);
        const qint64 offset = le16(ext.constData() + 6 + 8 * b);
        const qsizetype k = b * perBucket;
        if (at != starts.at(k) || offset != inRecord.at(k)) {
            *error = QStringLiteral("EXTSST bucket %1 points at %2+%3, string %4 is at %5+%6")
                         .arg(b)
                         .arg(at)
                         .arg(offset)
                         .arg(k)
                         .arg(starts.at(k))
                         .arg(inRecord.at(k));
            return false;
        }
    }
    return true;
}

} // namespace

QByteArray escape(QStringView text)
{
    bool plain = true;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.unicode() == '\\') {
            plain = false;
            break;
        }
    }
    if (plain)
        return text.toUtf8();
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\')
            out += QStringLiteral("\\\\");
        else if (u == '\t')
            out += QStringLiteral("\\t");
        else if (u == '\n')
            out += QStringLiteral("\\n");
        else if (u == '\r')
            out += QStringLiteral("\\r");
        else if (u < 0x20 || u == 0x7F)
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out.toUtf8();
}

void Dump::sheet(const QString &name)
{
    m_bytes += "sheet\t" + name.toUtf8() + '\n';
}

void Dump::cell(const QByteArray &value)
{
    if (m_rowStarted)
        m_bytes += '\t';
    m_bytes += value;
    m_rowStarted = true;
}

void Dump::text(QStringView text)
{
    cell("s:" + escape(text));
}

void Dump::number(double value)
{
    cell(numberText(value));
}

void Dump::date(QDate day)
{
    cell("d:" + day.toString(Qt::ISODate).toUtf8());
}

void Dump::endRow()
{
    m_bytes += '\n';
    m_rowStarted = false;
}

QString readWithFreexl(const QString &path, int columns, QByteArray *dump)
{
    const void *handle = nullptr;
    if (freexl_open(QFile::encodeName(path).constData(), &handle) != FREEXL_OK) {
        freexl_close(handle);
        return QStringLiteral("freexl_open failed");
    }
    Dump d;
    unsigned int count = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count);
    QString error;
    for (unsigned short s = 0; s < count && error.isEmpty(); ++s) {
        const char *name = nullptr;
        unsigned int rows = 0;
        unsigned short width = 0;
        if (freexl_get_worksheet_name(handle, s, &name) != FREEXL_OK ||
            freexl_select_active_worksheet(handle, s) != FREEXL_OK ||
            freexl_worksheet_dimensions(handle, &rows, &width) != FREEXL_OK) {
            error = QStringLiteral("sheet %1 unreadable").arg(s);
            break;
        }
        d.sheet(QString::fromUtf8(name));
        for (unsigned int r = 0; r < rows && error.isEmpty(); ++r) {
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue v;
                if (c >= width) {
                    d.empty();
                } else if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK) {
                    error = QStringLiteral("cell %1,%2 unreadable").arg(r).arg(c);
                    break;
                } else if (v.type == FREEXL_CELL_NULL) {
                    d.empty();
                } else if (v.type == FREEXL_CELL_INT) {
                    d.number(v.value.int_value);
                } else if (v.type == FREEXL_CELL_DOUBLE) {
                    d.number(v.value.double_value);
                } else if (v.type == FREEXL_CELL_TEXT || v.type == FREEXL_CELL_SST_TEXT) {
                    d.text(QString::fromUtf8(v.value.text_value));
                } else if (v.type == FREEXL_CELL_DATE) {
                    d.date(QDate::fromString(QString::fromUtf8(v.value.text_value), Qt::ISODate));
                } else {
                    error = QStringLiteral("cell %1,%2 of type %3").arg(r).arg(c).arg(v.type);
                    break;
                }
            }
            d.endRow();
        }
    }
    freexl_close(handle);
    *dump = d.bytes();
    return error;
}

Workbook walk(const QString &path, int columns)
{
    Workbook wb;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 512) {
        wb.error = QStringLiteral("cannot read %1").arg(path);
        return wb;
    }
    wb.miniStreamCutoff = le32(file.read(512).constData() + 0x38);
    file.close();

    GError *gerror = nullptr;
    GsfInput *input = gsf_input_stdio_new(QFile::encodeName(path).constData(), &gerror);
    GsfInfile *ole = input ? gsf_infile_msole_new(input, &gerror) : nullptr;
    GsfInput *stream = ole ? gsf_infile_child_by_name(ole, "Workbook") : nullptr;
    if (stream) {
        wb.stream.resize(gsf_input_size(stream));
        if (!gsf_input_read(stream, size_t(wb.stream.size()),
                            reinterpret_cast<guint8 *>(wb.stream.data())))
            wb.error = QStringLiteral("the Workbook stream cannot be read");
    } else {
        wb.error = QStringLiteral("no Workbook stream: %1")
                       .arg(gerror ? QString::fromUtf8(gerror->message) : QString());
    }
    for (gpointer object : {gpointer(stream), gpointer(ole), gpointer(input)}) {
        if (object)
            g_object_unref(object);
    }
    if (gerror)
        g_error_free(gerror);
    if (!wb.error.isEmpty())
        return wb;

    qint64 end = 0;
    if (!substream(wb.stream, 0, &wb.globals, &end, &wb.error))
        return wb;
    if (wb.globals.first().type != 0x0809 || le16(wb.globals.first().data.constData() + 2) != 5) {
        wb.error = QStringLiteral("the stream does not start with the globals' BOF");
        return wb;
    }
    QList<qint64> positions;
    QList<quint16> formats; // number format of each XF
    for (const Record &r : std::as_const(wb.globals)) {
        const char *d = r.data.constData();
        if (r.type == 0x0085) {
            positions << le32(d);
            const int length = quint8(d[6]);
            const bool wide = d[7] & 1;
            QString name;
            for (int k = 0; k < length; ++k)
                name += QChar(wide ? le16(d + 8 + 2 * k) : quint8(d[8 + k]));
            wb.sheetNames << name;
        } else if (r.type == 0x00E0) {
            formats << le16(d + 2);
        }
    }
    if (!sharedStrings(wb, &wb.error))
        return wb;

    for (qsizetype s = 0; s < positions.size(); ++s) {
        if (positions.at(s) != end) {
            wb.error = QStringLiteral("sheet %1 starts at %2, the previous substream ends at %3")
                           .arg(s)
                           .arg(positions.at(s))
                           .arg(end);
            return wb;
        }
        QList<Record> records;
        if (!substream(wb.stream, positions.at(s), &records, &end, &wb.error))
            return wb;
        if (records.first().type != 0x0809 || le16(records.first().data.constData() + 2) != 0x10) {
            wb.error = QStringLiteral("sheet %1 does not start with a worksheet BOF").arg(s);
            return wb;
        }
        quint32 rows = 0;
        QList<QByteArray> row(columns);
        qint64 current = 0;
        int lastColumn = -1;
        QByteArray lines;
        auto flushRow = [&] {
            for (int c = 0; c < columns; ++c) {
                if (c > 0)
                    lines += '\t';
                lines += row[c];
                row[c].clear();
            }
            lines += '\n';
            ++current;
            lastColumn = -1;
        };
        for (const Record &r : std::as_const(records)) {
            const char *d = r.data.constData();
            if (r.type == 0x0200) {
                rows = le32(d + 4);
                continue;
            }
            if (r.type != 0x00FD && r.type != 0x0203)
                continue;
            const quint16 rw = le16(d);
            const quint16 col = le16(d + 2);
            const quint16 xf = le16(d + 4);
            if (rw < current || (rw == current && col <= lastColumn) || col >= columns) {
                wb.error =
                    QStringLiteral("sheet %1: cell %2,%3 out of order").arg(s).arg(rw).arg(col);
                return wb;
            }
            while (current < rw)
                flushRow();
            lastColumn = col;
            if (r.type == 0x00FD) {
                const quint32 index = le32(d + 6);
                ++wb.labelSstCells;
                if (index >= quint32(wb.strings.size())) {
                    wb.error =
                        QStringLiteral("cell %1,%2 names string %3").arg(rw).arg(col).arg(index);
                    return wb;
                }
                row[col] = "s:" + escape(wb.strings.at(index));
            } else {
                const double v = leDouble(d + 6);
                const quint16 format = xf < formats.size() ? formats.at(xf) : 0;
                const bool isDate = (format >= 14 && format <= 17) || format == 22;
                row[col] = isDate ? "d:" + serialDay(v) : numberText(v);
            }
        }
        if (current >= qint64(rows) && rows > 0) {
            wb.error = QStringLiteral("sheet %1: cells beyond DIMENSIONS").arg(s);
            return wb;
        }
        while (current < qint64(rows))
            flushRow();
        wb.dump += "sheet\t" + wb.sheetNames.at(s).toUtf8() + '\n' + lines;
        wb.sheets << records;
    }
    for (qint64 at = end; at < wb.stream.size(); ++at) {
        if (wb.stream.at(at) != 0) {
            wb.error = QStringLiteral("bytes other than padding after the last sheet");
            return wb;
        }
    }
    if (wb.labelSstCells != wb.stringReferences) {
        wb.error = QStringLiteral("%1 LABELSST cells, the SST counts %2")
                       .arg(wb.labelSstCells)
                       .arg(wb.stringReferences);
    }
    return wb;
}

QStringList recordNames(const QList<Record> &records)
{
    QStringList out;
    for (const Record &r : records)
        out << names().value(r.type, QStringLiteral("0x%1").arg(r.type, 4, 16, QLatin1Char('0')));
    return out;
}

QString readWithOthers(const QString &path, const QByteArray &expected, bool types)
{
    QTemporaryDir work;
    QFile file(work.filePath(QStringLiteral("expected.dump")));
    if (!file.open(QIODevice::WriteOnly) || file.write(expected) != expected.size())
        return QStringLiteral("cannot write the expected dump");
    file.close();
    QProcess reader;
    QStringList args = {QStringLiteral(PELLOMAR_XLS_READBACK), file.fileName(), path, work.path()};
    if (types)
        args << QStringLiteral("--types");
    reader.start(QStringLiteral(PELLOMAR_READER_PYTHON), args);
    if (!reader.waitForFinished(300000))
        return QStringLiteral("the readers did not finish");
    const QString said =
        QString::fromUtf8(reader.readAllStandardOutput() + reader.readAllStandardError());
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0)
        return said.isEmpty() ? QStringLiteral("the readers failed") : said;
    return {};
}

QString firstDifference(const QByteArray &expected, const QByteArray &actual, const QString &reader)
{
    if (expected == actual)
        return {};
    const QList<QByteArray> want = expected.split('\n');
    const QList<QByteArray> got = actual.split('\n');
    for (qsizetype i = 0; i < qMax(want.size(), got.size()); ++i) {
        const QByteArray w = want.value(i);
        const QByteArray g = got.value(i);
        if (w != g) {
            return QStringLiteral("%1: line %2 is\n  %3\nexpected\n  %4")
                .arg(reader)
                .arg(i + 1)
                .arg(QString::fromUtf8(g.left(300)), QString::fromUtf8(w.left(300)));
        }
    }
    return reader + QStringLiteral(": differs");
}

} // namespace XlsReadBack
