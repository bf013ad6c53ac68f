#pragma once

#include <QString>

// The operator's sentence for a failure of the database engine: what
// happened and what to do, in place of the engine's English. Known by the
// engine's result code when there is one, otherwise by its message.
namespace DatabaseErrorText {

QString sentence(const QString &engineText, int code = 0);
// The sentence, then the engine's own text as a detail line.
QString withDetail(const QString &engineText, int code = 0);
// Whether the failure lies with the disk or the access to the file (full,
// failing, read-only, held by another program, not permitted) rather than
// with what the file holds.
bool isAboutTheDisk(const QString &engineText, int code = 0);

} // namespace DatabaseErrorText
