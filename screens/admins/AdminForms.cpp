#include "screens/admins/AdminForms.h"

#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QLineEdit>

namespace AdminForms {

QLineEdit *newPasswordBox(QLineEdit *box)
{
    box->setMaxLength(20);
    Ui::passwordBox(box);
    return box;
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
    if (outcome.passwordRejected) {
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
