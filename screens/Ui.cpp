#include "screens/Ui.h"

#include "base/NumberText.h"
#include "base/StoreError.h"
#include "rules/admins/AuditTrail.h"
#include "screens/Dialogs.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>
#include <QToolTip>
#include <algorithm>
#include <functional>

namespace Ui {

namespace {

// Checks each typed character against a rule that sees the box's text as it
// would be after the key; a refused key is dropped and the box says why.
class KeyFilter : public QObject
{
public:
    // Returns why the text after the key may not stand, or nothing.
    using Rule =
        std::function<QString(const QLineEdit &, const QString &typed, const QString &after)>;
    KeyFilter(QLineEdit *edit, Rule rule) : QObject(edit), m_edit(edit), m_rule(std::move(rule)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_edit && event->type() == QEvent::KeyPress) {
            const QString text = static_cast<QKeyEvent *>(event)->text();
            if (!text.isEmpty() && text.at(0).isPrint()) {
                const QString reason = m_rule(*m_edit, text, textAfter(text));
                if (!reason.isEmpty()) {
                    refusedKey(m_edit, reason);
                    return true;
                }
                if (!m_edit->toolTip().isEmpty()) {
                    m_edit->setToolTip(QString());
                    QToolTip::hideText();
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QString textAfter(const QString &typed) const
    {
        QString text = m_edit->text();
        if (m_edit->hasSelectedText())
            return text.replace(m_edit->selectionStart(), m_edit->selectedText().size(), typed);
        return text.insert(m_edit->cursorPosition(), typed);
    }

    QLineEdit *m_edit;
    Rule m_rule;
};

const QString kDigitsOnly = QStringLiteral("只能输入数字");
const QString kTooLong = QStringLiteral("最多输入 %1 位");

class ArrowChoice : public QObject
{
public:
    ArrowChoice(const QList<QRadioButton *> &buttons, QObject *parent)
        : QObject(parent), m_buttons(buttons)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent *>(event)->key();
        int step = 0;
        if (key == Qt::Key_Down || key == Qt::Key_Right)
            step = 1;
        else if (key == Qt::Key_Up || key == Qt::Key_Left)
            step = -1;
        const qsizetype from = m_buttons.indexOf(static_cast<QRadioButton *>(watched));
        if (step == 0 || from < 0)
            return QObject::eventFilter(watched, event);
        const qsizetype n = m_buttons.size();
        for (qsizetype i = 1; i < n; ++i) {
            QRadioButton *next = m_buttons.at(((from + step * i) % n + n) % n);
            if (!next->isEnabled())
                continue;
            next->setFocus(Qt::TabFocusReason);
            if (!next->isChecked())
                next->click();
            break;
        }
        return true;
    }

private:
    QList<QRadioButton *> m_buttons;
};

} // namespace

void arrowsChoose(const QList<QRadioButton *> &buttons)
{
    if (buttons.isEmpty())
        return;
    auto *filter = new ArrowChoice(buttons, buttons.first());
    for (QRadioButton *b : buttons) {
        b->installEventFilter(filter);
        // Qt's own exclusivity lets Tab stop only at the chosen button of a
        // group; the choice is kept exclusive here instead.
        b->setAutoExclusive(false);
        QObject::connect(b, &QRadioButton::toggled, b, [b, buttons](bool on) {
            if (on) {
                for (QRadioButton *other : buttons) {
                    if (other != b)
                        other->setChecked(false);
                }
            } else if (std::none_of(buttons.begin(), buttons.end(),
                                    [](const QRadioButton *r) { return r->isChecked(); })) {
                b->setChecked(true); // a click on the chosen button keeps it
            }
        });
    }
}

void digitsOnly(QLineEdit *edit)
{
    edit->installEventFilter(
        new KeyFilter(edit, [](const QLineEdit &box, const QString &typed, const QString &after) {
            for (const QChar c : typed)
                if (!NumberText::isDigitKey(c))
                    return kDigitsOnly;
            if (box.maxLength() > 0 && after.size() > box.maxLength())
                return kTooLong.arg(box.maxLength());
            return QString();
        }));
}

void amountOnly(QLineEdit *edit)
{
    edit->setMaxLength(QStringLiteral("9999999.99").size());
    edit->installEventFilter(
        new KeyFilter(edit, [](const QLineEdit &box, const QString &, const QString &after) {
            const bool signed_ = box.text().startsWith(QLatin1Char('-'));
            return NumberText::amountProblemText(
                NumberText::amountBeingTyped(signed_ ? after.mid(1) : after));
        }));
}

void refusedKey(QLineEdit *edit, const QString &reason)
{
    edit->setToolTip(reason);
    QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), reason, edit);
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

void reportExport(QWidget *parent, Database &store, const QString &path,
                  const TableExport::Written &written, const QString &failed, const QString &done)
{
    if (!written.failure.isEmpty()) {
        Dialogs::error(parent, failed + QLatin1Char('\n') + written.failure);
        return;
    }
    try {
        AuditTrail::recordExport(store, path);
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(parent, e);
        return;
    }
    QString message = done + path;
    if (written.cutCells > 0)
        message += QLatin1Char('\n') + TableExport::kCut.arg(written.cutCells);
    Dialogs::message(parent, message);
}

} // namespace Ui
