#include "rules/maintenance/XlsWriter.h"

#include <gsf/gsf-output.h>

#include <cstring>

namespace {

enum Record : quint16 {
    kBof = 0x0809,
    kEof = 0x000A,
    kCodepage = 0x0042,
    kWindow1 = 0x003D,
    kFont = 0x0031,
    kXf = 0x00E0,
    kStyle = 0x0293,
    kBoundSheet = 0x0085,
    kSst = 0x00FC,
    kContinue = 0x003C,
    kExtSst = 0x00FF,
    kColInfo = 0x007D,
    kDimensions = 0x0200,
    kLabel = 0x0204,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kWindow2 = 0x023E,
};

constexpr int kMaxRecordData = 8224;
constexpr qsizetype kFlushAt = 1 << 20;

// Cell formats: 15 is the default cell format, 16 the short date.
constexpr quint16 kGeneralXf = 15;
constexpr quint16 kDateXf = 16;
constexpr quint16 kShortDateFormat = 14;

bool isWide(const QString &s)
{
    for (QChar c : s) {
        if (c.unicode() > 0xFF)
            return true;
    }
    return false;
}

int stringBytes(const QString &s)
{
    return int(s.size()) * (isWide(s) ? 2 : 1);
}

} // namespace

XlsWriter::XlsWriter(GsfOutput *stream) : m_stream(stream)
{
    m_buffer.resize(kFlushAt + 64 * 1024);
}

void XlsWriter::put16(quint16 v)
{
    char *b = grow(2);
    b[0] = char(v & 0xFF);
    b[1] = char(v >> 8);
}

void XlsWriter::put32(quint32 v)
{
    char *b = grow(4);
    b[0] = char(v & 0xFF);
    b[1] = char((v >> 8) & 0xFF);
    b[2] = char((v >> 16) & 0xFF);
    b[3] = char(v >> 24);
}

void XlsWriter::putDouble(double v)
{
    static_assert(sizeof(double) == 8);
    quint64 bits;
    std::memcpy(&bits, &v, 8);
    put32(quint32(bits));
    put32(quint32(bits >> 32));
}

void XlsWriter::header(quint16 type, quint16 size)
{
    put16(type);
    put16(size);
}

void XlsWriter::putString(const QString &s, bool shortLength)
{
    const bool wide = isWide(s);
    if (shortLength)
        put8(quint8(s.size()));
    else
        put16(quint16(s.size()));
    put8(wide ? 1 : 0);
    const QChar *chars = s.constData();
    const qsizetype n = s.size();
    char *out = grow(wide ? 2 * n : n);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = chars[i].unicode();
        if (wide) {
            *out++ = char(u & 0xFF);
            *out++ = char(u >> 8);
        } else {
            *out++ = char(u);
        }
    }
}

double XlsWriter::serial(const QDate &date)
{
    return double(QDate(1899, 12, 30).daysTo(date));
}

void XlsWriter::begin(const QStringList &sheetNames, const QStringList &longTexts)
{
    header(kBof, 16);
    put16(0x0600); // BIFF8
    put16(0x0005); // workbook globals
    put16(0x0DBB);
    put16(0x07CC);
    put32(0);
    put32(0x06);

    header(kCodepage, 2);
    put16(1200); // UTF-16

    header(kWindow1, 18);
    for (quint16 v : {0, 0, 0x4000, 0x2000, 0x0038, 0, 0, 1, 0x0258})
        put16(v);

    // Five fonts: indexes 0 to 3 and 5 (there is no font 4).
    const QString fontName = QStringLiteral("宋体");
    for (int i = 0; i < 5; ++i) {
        header(kFont, quint16(16 + stringBytes(fontName)));
        put16(200);    // 10 points
        put16(0);      // no italic, strike-out, outline
        put16(0x7FFF); // automatic colour
        put16(400);    // normal weight
        put16(0);      // no super- or subscript
        put8(0);       // no underline
        put8(0);       // family
        put8(134);     // GB2312 character set
        put8(0);
        putString(fontName, true);
    }

    // Fifteen style formats, the default cell format (15) and the date (16).
    for (int i = 0; i <= 16; ++i) {
        const bool style = i < 15;
        header(kXf, 20);
        put16(i == 1 || i == 2 ? 1 : i == 3 || i == 4 ? 2 : 0); // font
        put16(i == kDateXf ? kShortDateFormat : 0);
        put16(style ? 0xFFF5 : 0x0001); // locked; style formats have no parent
        put8(0x20);                     // bottom aligned
        put8(0);
        put8(0);
        put8(style ? (i == 0 ? 0x00 : 0xF4) : (i == kDateXf ? 0x04 : 0x00));
        put32(0);
        put32(0);
        put16(0x20C0);
    }

    header(kStyle, 4);
    put16(0x8000); // built-in style "Normal" on format 0
    put8(0);
    put8(0xFF);

    for (const QString &name : sheetNames) {
        header(kBoundSheet, quint16(8 + stringBytes(name)));
        m_sheetOffsetFields << position();
        put32(0); // the worksheet's position, written by finish()
        put8(0);  // visible
        put8(0);  // worksheet
        putString(name, true);
    }

    if (!longTexts.isEmpty())
        sharedStrings(longTexts);

    header(kEof, 0);
    flushIfFull();
}

void XlsWriter::sharedStrings(const QStringList &texts)
{
    QStringList unique;
    for (const QString &s : texts) {
        if (!m_shared.contains(s)) {
            m_shared.insert(s, quint32(unique.size()));
            unique << s;
        }
    }

    // Records are opened with a zero size that is set when they close.
    qsizetype recordAt = 0;
    auto open = [&](quint16 type) {
        recordAt = m_used;
        header(type, 0);
    };
    auto room = [&] { return kMaxRecordData - int(m_used - recordAt - 4); };
    auto close = [&] {
        const quint16 size = quint16(m_used - recordAt - 4);
        m_buffer[recordAt + 2] = char(size & 0xFF);
        m_buffer[recordAt + 3] = char(size >> 8);
    };

    const int perBucket = qMax(8, int(unique.size()) / 128 + 1);
    struct Bucket
    {
        qint64 position;
        quint16 offset;
    };
    QList<Bucket> buckets;

    open(kSst);
    put32(quint32(texts.size()));
    put32(quint32(unique.size()));
    for (int i = 0; i < unique.size(); ++i) {
        const QString &s = unique.at(i);
        const bool wide = isWide(s);
        const int unit = wide ? 2 : 1;
        // A string's header and its first character stay together.
        if (room() < 3 + unit) {
            close();
            open(kContinue);
        }
        if (i % perBucket == 0)
            buckets << Bucket{position(), quint16(m_used - recordAt)};
        put16(quint16(s.size()));
        put8(wide ? 1 : 0);
        qsizetype done = 0;
        for (;;) {
            const qsizetype n = qMin(s.size() - done, qsizetype(room() / unit));
            for (qsizetype k = done; k < done + n; ++k) {
                if (wide)
                    put16(s.at(k).unicode());
                else
                    put8(quint8(s.at(k).unicode()));
            }
            done += n;
            if (done == s.size())
                break;
            // The rest continues in the next record, after its own flags.
            close();
            open(kContinue);
            put8(wide ? 1 : 0);
        }
    }
    close();

    header(kExtSst, quint16(2 + 8 * buckets.size()));
    put16(quint16(perBucket));
    for (const Bucket &b : std::as_const(buckets)) {
        put32(quint32(b.position));
        put16(b.offset);
        put16(0);
    }
}

void XlsWriter::beginSheet(quint32 rows, quint16 columns)
{
    ++m_sheet;
    m_sheetOffsets << quint32(position());
    header(kBof, 16);
    put16(0x0600);
    put16(0x0010); // worksheet
    put16(0x0DBB);
    put16(0x07CC);
    put32(0);
    put32(0x06);

    header(kColInfo, 12);
    put16(0);
    put16(quint16(columns - 1));
    put16(14 * 256); // wide enough for a date or a mobile number
    put16(kGeneralXf);
    put16(0);
    put16(0);

    header(kDimensions, 14);
    put32(0);
    put32(rows); // one past the last row
    put16(0);
    put16(columns);
    put16(0);
}

void XlsWriter::cell(quint16 type, quint16 size, quint16 row, quint16 column, quint16 xf)
{
    header(type, size);
    put16(row);
    put16(column);
    put16(xf);
}

void XlsWriter::text(quint16 row, quint16 column, const QString &value)
{
    if (value.size() > kMaxLabelUnits) {
        const auto shared = m_shared.constFind(value);
        if (shared == m_shared.cend()) {
            m_ok = false; // not announced to begin(): the workbook is incomplete
            return;
        }
        cell(kLabelSst, 10, row, column, kGeneralXf);
        put32(shared.value());
    } else {
        cell(kLabel, quint16(6 + 3 + stringBytes(value)), row, column, kGeneralXf);
        putString(value, false);
    }
    flushIfFull();
}

void XlsWriter::number(quint16 row, quint16 column, double value)
{
    cell(kNumber, 14, row, column, kGeneralXf);
    putDouble(value);
    flushIfFull();
}

void XlsWriter::date(quint16 row, quint16 column, const QDate &value)
{
    cell(kNumber, 14, row, column, kDateXf);
    putDouble(serial(value));
    flushIfFull();
}

void XlsWriter::endSheet()
{
    header(kWindow2, 18);
    put16(m_sheet == 0 ? 0x06B6 : 0x00B6); // the first sheet is the selected one
    put16(0);
    put16(0);
    put16(0x40);
    put16(0);
    put16(0);
    put16(0);
    put32(0);
    header(kEof, 0);
    flushIfFull();
}

void XlsWriter::flushIfFull()
{
    if (m_used >= kFlushAt)
        flush();
}

void XlsWriter::flush()
{
    if (m_used == 0)
        return;
    if (m_ok)
        m_ok = gsf_output_write(m_stream, size_t(m_used),
                                reinterpret_cast<const guint8 *>(m_buffer.constData()));
    m_flushed += m_used;
    m_used = 0;
}

bool XlsWriter::finish()
{
    flush();
    if (!m_ok || m_sheetOffsets.size() != m_sheetOffsetFields.size())
        return false;
    for (int i = 0; i < m_sheetOffsets.size() && m_ok; ++i) {
        const quint32 v = m_sheetOffsets.at(i);
        const guint8 bytes[4] = {guint8(v & 0xFF), guint8((v >> 8) & 0xFF),
                                 guint8((v >> 16) & 0xFF), guint8(v >> 24)};
        m_ok = gsf_output_seek(m_stream, m_sheetOffsetFields.at(i), G_SEEK_SET) &&
               gsf_output_write(m_stream, 4, bytes);
    }
    return m_ok && gsf_output_seek(m_stream, 0, G_SEEK_END);
}
