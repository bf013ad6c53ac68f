#include "base/StoredText.h"

#include <QStringDecoder>
#include <cstring>

namespace StoredText {

namespace {

// Any text, whatever its bytes.
char16_t *decodeAnything(QByteArrayView utf8, char16_t *out)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    Q_ASSERT(decoder.requiredSpace(utf8.size()) <= room(utf8.size()));
    return reinterpret_cast<char16_t *>(
        decoder.appendToBuffer(reinterpret_cast<QChar *>(out), utf8));
}

} // namespace

// Well-formed UTF-8, nearly every stored text, is decoded here without a
// decoder's set-up for each text; at the first ill-formed sequence the whole
// text goes to Qt's decoder, so that what replaces the bad bytes is what Qt
// makes of them.
char16_t *decode(QByteArrayView utf8, char16_t *out)
{
    const auto *p = reinterpret_cast<const uchar *>(utf8.data());
    const auto *const end = p + utf8.size();
    char16_t *to = out;
    while (p < end) {
        // Eight ASCII bytes at a time.
        while (end - p >= 8) {
            quint64 eight;
            std::memcpy(&eight, p, 8);
            if (eight & 0x8080808080808080ULL)
                break;
            for (int i = 0; i < 8; ++i)
                to[i] = p[i];
            p += 8;
            to += 8;
        }
        if (p == end)
            break;
        const uchar lead = *p;
        if (lead < 0x80) {
            *to++ = lead;
            ++p;
            continue;
        }
        int trail;
        char32_t c;
        if (lead >= 0xC2 && lead <= 0xDF) {
            trail = 1;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trail = 2;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trail = 3;
            c = lead & 0x07;
        } else {
            return decodeAnything(utf8, out);
        }
        if (end - p <= trail)
            return decodeAnything(utf8, out);
        for (int i = 1; i <= trail; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return decodeAnything(utf8, out);
            c = c << 6 | (p[i] & 0x3F);
        }
        // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
        if ((trail == 2 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ||
            (trail == 3 && (c < 0x10000 || c > 0x10FFFF)))
            return decodeAnything(utf8, out);
        if (c >= 0x10000) {
            *to++ = QChar::highSurrogate(c);
            *to++ = QChar::lowSurrogate(c);
        } else {
            *to++ = char16_t(c);
        }
        p += trail + 1;
    }
    return to;
}

QString toString(QByteArrayView utf8)
{
    if (utf8.isNull())
        return QString();
    if (utf8.isEmpty())
        return QStringLiteral("");
    QString text(room(utf8.size()), Qt::Uninitialized);
    char16_t *const start = reinterpret_cast<char16_t *>(text.data());
    text.truncate(decode(utf8, start) - start);
    return text;
}

} // namespace StoredText
