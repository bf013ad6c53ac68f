#pragma once

#include <QString>

class QLineEdit;
class QWidget;
class QLabel;
class MemberStore;

// Small helpers the screens share.
namespace Ui {

// Screen layouts are measured in twips (1/1440 inch); at 96 dots per inch a
// pixel is 15 twips.
constexpr int twips(int tw)
{
    return (tw + 7) / 15;
}

// Lets only Backspace and the digits 0-9 through typed keys; other printable
// keys are discarded. Editing keys and shortcuts still work; pasted text
// is not filtered (the rules check it).
void digitsOnly(QLineEdit *edit);

// A text box that shows "*" for each character and takes no input method.
void passwordBox(QLineEdit *edit);

// A read-only text box drawn on a distinct background.
void readOnlyBox(QLineEdit *edit);

// Sets the client size of a window in twips.
void resizeTwips(QWidget *w, int widthTw, int heightTw);

// Shows the outcome of an export to path: the error with failure when it
// failed, otherwise logs the export and says done + path.
void reportExport(QWidget *parent, MemberStore &store, const QString &path, const QString &failure,
                  const QString &failed, const QString &done);

// The family list for "宋体" with installed CJK serif faces to fall back on.
QStringList songTi();

} // namespace Ui
