#include "screens/Ui.h"

#include "base/StoreError.h"
#include "screens/Dialogs.h"
#include "store/AuditLog.h"

#include <QFileInfo>

#include "base/NumberText.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>

namespace Ui {

namespace {

class DigitFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const QString text = key->text();
            if (!text.isEmpty() && text.at(0).isPrint() && !NumberText::isDigitKey(text.at(0)))
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void digitsOnly(QLineEdit *edit)
{
    edit->installEventFilter(new DigitFilter(edit));
}

void passwordBox(QLineEdit *edit)
{
    edit->setEchoMode(QLineEdit::Password);
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
}

void readOnlyBox(QLineEdit *edit)
{
    edit->setReadOnly(true);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, QColor(0xe8, 0xee, 0xf7));
    p.setColor(QPalette::Text, QColor(0x30, 0x40, 0x70));
    edit->setPalette(p);
}

void resizeTwips(QWidget *w, int widthTw, int heightTw)
{
    w->resize(twips(widthTw), twips(heightTw));
}

QStringList songTi()
{
    return {QStringLiteral("宋体"),
            QStringLiteral("SimSun"),
            QStringLiteral("Noto Serif CJK SC"),
            QStringLiteral("Noto Serif CJK"),
            QStringLiteral("AR PL UMing CN"),
            QStringLiteral("Noto Sans CJK SC")};
}

void reportExport(QWidget *parent, MemberStore &store, const QString &path, const QString &failure,
                  const QString &failed, const QString &done)
{
    if (!failure.isEmpty()) {
        Dialogs::error(parent, failed + QLatin1Char('\n') + failure);
        return;
    }
    try {
        AuditLog::record(store, AuditLog::kExport, QFileInfo(path).fileName());
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(parent, e.text());
        return;
    }
    Dialogs::message(parent, done + path);
}

} // namespace Ui
