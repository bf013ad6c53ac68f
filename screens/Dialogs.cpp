#include "screens/Dialogs.h"

#include "store/DatabaseErrorText.h"

#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

const QString Dialogs::kAppTitle = QStringLiteral("会员系统");

namespace {
Dialogs::Script *g_script = nullptr;
// Width a title bar spends besides the title: icon, close button, margins.
constexpr int kTitleBarButtons = 120;
} // namespace

void Dialogs::setScript(Script *script)
{
    g_script = script;
}

void Dialogs::message(QWidget *parent, const QString &text, const QString &title, Icon icon)
{
    if (g_script) {
        g_script->message({title, text, icon, parent});
        return;
    }
    QMessageBox box(icon == Icon::Error ? QMessageBox::Critical : QMessageBox::NoIcon, title, text,
                    QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    // No narrower than its title with room for the window's buttons, so that
    // a short text does not cut the title off.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        const int width = box.fontMetrics().horizontalAdvance(title) + kTitleBarButtons;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
}

QString Dialogs::input(QWidget *parent, const QString &prompt, const QString &title, Echo echo)
{
    if (g_script)
        return g_script->input({title, prompt, echo});
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(QString());
    dialog.setTextEchoMode(echo == Echo::Password ? QLineEdit::Password : QLineEdit::Normal);
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

void Dialogs::databaseFailure(QWidget *parent, const QString &detail)
{
    message(parent,
            QStringLiteral("数据库操作失败，本次操作未做任何更改。\n") +
                DatabaseErrorText::withDetail(detail),
            kAppTitle, Icon::Error);
}
