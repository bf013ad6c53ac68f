#pragma once

#include <QByteArrayView>
#include <QString>

// Texts as the database holds them: UTF-8 bytes. Every reading of a stored
// text goes through here, so that a text reads alike whether it becomes a
// QString or is decoded straight into a writer's buffer: every character is
// kept, U+0000 and a leading byte order mark too (QString::fromUtf8() drops
// the mark; Qt's own driver keeps it), and bytes that are not UTF-8 read as
// Qt's decoder reads them.
namespace StoredText {

// The UTF-16 units decode() may write for this many bytes.
constexpr qsizetype room(qsizetype bytes)
{
    return bytes + 1;
}

// Writes the UTF-16 of utf8 at out, which has room for room(utf8.size())
// units; returns the end of what it wrote.
char16_t *decode(QByteArrayView utf8, char16_t *out);

// A null QString for null bytes (a NULL in the database).
QString toString(QByteArrayView utf8);

} // namespace StoredText
