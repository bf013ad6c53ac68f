#include "workbook/XlsRecords.h"

namespace Biff {

bool isAscii(QStringView s)
{
    // Every unit looked at, without a branch for each: quicker over the
    // short texts of a table than stopping at the first wide one.
    const char16_t *units = s.utf16();
    char16_t any = 0;
    for (qsizetype i = 0; i < s.size(); ++i)
        any |= units[i];
    return any <= 0x7F;
}

void putUnits(Buffer &out, QStringView s, bool ascii)
{
    const char16_t *units = s.utf16();
    const qsizetype n = s.size();
    if (ascii) {
        char *to = out.grow(n);
        for (qsizetype i = 0; i < n; ++i)
            to[i] = char(units[i]);
        return;
    }
    char *to = out.grow(2 * n);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    std::memcpy(to, units, size_t(2 * n));
#else
    for (qsizetype i = 0; i < n; ++i)
        le16(to + 2 * i, units[i]);
#endif
}

void putString(Buffer &out, QStringView s, bool shortLength)
{
    const bool ascii = isAscii(s);
    if (shortLength)
        out.put8(quint8(s.size()));
    else
        out.put16(quint16(s.size()));
    out.put8(ascii ? 0 : 1);
    putUnits(out, s, ascii);
}

int stringBytes(QStringView s)
{
    return int(s.size()) * (isAscii(s) ? 1 : 2);
}

void bof(Buffer &out, quint16 type)
{
    out.header(kBof, 16);
    out.put16(0x0600); // BIFF8
    out.put16(type);
    out.put16(0x0DBB); // build
    out.put16(0x07CC); // year
    out.put32(0);      // history
    out.put32(0x06);   // the lowest version that reads every record: BIFF8
}

void record16(Buffer &out, quint16 type, quint16 value)
{
    out.header(type, 2);
    out.put16(value);
}

} // namespace Biff
