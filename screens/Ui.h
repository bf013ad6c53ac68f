#pragma once

#include "workbook/TableExport.h"

#include <QString>

class QLineEdit;
class QRadioButton;
class QWidget;
class QLabel;
class Database;

// Small helpers the screens share.
namespace Ui {

// Screen layouts are measured in twips (1/1440 inch); at 96 dots per inch a
// pixel is 15 twips.
constexpr int twips(int tw)
{
    return (tw + 7) / 15;
}

// Lets only Backspace and the digits 0-9 through typed keys; other printable
// keys are discarded, and the box says why (see refusedKey()). Editing keys
// and shortcuts still work; pasted text is not filtered (the rules check it).
void digitsOnly(QLineEdit *edit);

// An amount of yuan: typed keys are taken only while the text stays an
// amount with at most one '.', two decimals and 9999999.99 at most; a leading
// "-" the screen put there is left out of the check. The box's length allows
// the largest amount.
void amountOnly(QLineEdit *edit);

// Tells why a typed key was not taken: the reason becomes the box's tooltip
// and is shown at once beside it; the next key taken clears it.
void refusedKey(QLineEdit *edit, const QString &reason);

// Makes these radio buttons one choice that the keyboard works as elsewhere
// on the desktop: the arrow keys move between them, in this order, and
// choose the one they move onto (a click, so its clicked() handlers run),
// passing over disabled ones; Tab reaches every one of them, not only the
// chosen one. At most one is chosen, and clicking the chosen one keeps it.
void arrowsChoose(const QList<QRadioButton *> &buttons);

// A text box that shows "*" for each character and takes no input method.
void passwordBox(QLineEdit *edit);

// A read-only text box drawn on a distinct background.
void readOnlyBox(QLineEdit *edit);

// Sets the client size of a window in twips.
void resizeTwips(QWidget *w, int widthTw, int heightTw);

// Shows the outcome of an export to path: the error with its failure when
// it failed, otherwise logs the export and says done + path, and on a line
// of its own how many texts were cut to what a cell holds.
void reportExport(QWidget *parent, Database &store, const QString &path,
                  const TableExport::Written &written, const QString &failed, const QString &done);

// The family list for "宋体" with installed CJK serif faces to fall back on.
QStringList songTi();

} // namespace Ui
