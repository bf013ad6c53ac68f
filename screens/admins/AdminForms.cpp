#include "screens/admins/AdminForms.h"

#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include "screens/ScreenDialog.h"

#include <QComboBox>
#include <QLineEdit>

namespace AdminForms {

QLineEdit *newPasswordBox(QLineEdit *box)
{
    box->setMaxLength(20);
    Ui::passwordBox(box);
    return box;
}

QStringList roleItems()
{
    return {Roles::kCashier, Roles::kOwner};
}

void showRole(QComboBox *box, Role role, bool allowed)
{
    box->setCurrentIndex(role == Role::Owner ? 1 : 0);
    ScreenDialog::ownerOnly(box, allowed);
}

Role chosenRole(const QComboBox *box)
{
    return box->currentIndex() == 1 ? Role::Owner : Role::Cashier;
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
