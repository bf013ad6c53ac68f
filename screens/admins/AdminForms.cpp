#include "screens/admins/AdminForms.h"

#include "base/StoreError.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace AdminForms {

QLineEdit *addRow(QGridLayout *grid, QWidget *parent, int row, const QString &labelName,
                  const QString &labelText, const QString &editName)
{
    auto *label = new QLabel(labelText, parent);
    label->setObjectName(labelName);
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(editName);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

QLineEdit *addPasswordRow(QGridLayout *grid, QWidget *parent, int row, const QString &labelName,
                          const QString &labelText, const QString &editName)
{
    QLineEdit *edit = addRow(grid, parent, row, labelName, labelText, editName);
    edit->setMaxLength(20);
    Ui::passwordBox(edit);
    return edit;
}

Buttons buttons(QDialog *dialog, QWidget *parent, const QString &command1Text,
                const QString &command2Text)
{
    auto *command1 = new QPushButton(command1Text, parent);
    command1->setObjectName(QStringLiteral("Command1"));
    auto *command2 = new QPushButton(command2Text, parent);
    command2->setObjectName(QStringLiteral("Command2"));
    command2->setAutoDefault(false);
    QObject::connect(command2, &QPushButton::clicked, dialog, &QDialog::reject);
    auto *row = new QHBoxLayout;
    row->addWidget(command1);
    row->addWidget(command2);
    return {command1, row};
}

std::optional<AdminRules::Outcome> attempt(QWidget *parent,
                                           const std::function<AdminRules::Outcome()> &action)
{
    try {
        return action();
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(parent, e.text());
    } catch (const std::exception &e) {
        Dialogs::databaseFailure(parent, QString::fromLocal8Bit(e.what()));
    }
    return std::nullopt;
}

void showMessage(QWidget *parent, const AdminRules::Outcome &outcome)
{
    Dialogs::message(parent, outcome.message,
                     outcome.title.isEmpty() ? Dialogs::kAppTitle : outcome.title,
                     outcome.error ? Dialogs::Icon::Error : Dialogs::Icon::None);
}

void present(QWidget *parent, const AdminRules::Outcome &outcome, QLineEdit *id,
             QLineEdit *password, QLineEdit *repeat)
{
    showMessage(parent, outcome);
    if (outcome.clearPasswords) {
        password->clear();
        repeat->clear();
    }
    switch (outcome.focus) {
    case AdminRules::Outcome::Focus::Id:
        id->setFocus();
        break;
    case AdminRules::Outcome::Focus::Password:
        password->setFocus();
        break;
    case AdminRules::Outcome::Focus::None:
        break;
    }
}

} // namespace AdminForms
