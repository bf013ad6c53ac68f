#include "rules/maintenance/XlsRecords.h"

namespace Biff {

bool isAscii(QStringView s)
{
    for (const QChar c : s) {
        if (c.unicode() > 0x7F)
            return false;
    }
    return true;
}

void putString(Buffer &out, QStringView s, bool shortLength)
{
    const bool ascii = isAscii(s);
    if (shortLength)
        out.put8(quint8(s.size()));
    else
        out.put16(quint16(s.size()));
    out.put8(ascii ? 0 : 1);
    if (ascii) {
        char *to = out.grow(s.size());
        for (const QChar c : s)
            *to++ = char(c.unicode());
    } else {
        char *to = out.grow(2 * s.size());
        for (const QChar c : s) {
            le16(to, c.unicode());
            to += 2;
        }
    }
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
