#pragma once

#include "rules/admins/AdminRules.h"

class QComboBox;
class QLineEdit;
class QWidget;

// What the administrator screens share besides the screen base: the new
// password boxes and showing what a rule decided.
namespace AdminForms {

// A box for a new password: at most 20 characters (what the export screen's
// password box takes), shown as "*", no input method.
QLineEdit *newPasswordBox(QLineEdit *box);

// Shows the outcome's message with its title and icon.
void showMessage(QWidget *parent, const AdminRules::Outcome &outcome);

// Shows the outcome, then empties the new-password boxes and moves the focus
// as it says.
void present(QWidget *parent, const AdminRules::Outcome &outcome, QLineEdit *id,
             QLineEdit *password, QLineEdit *repeat);

// The items of a role box (Combo1), in the order of the Role values.
QStringList roleItems();
// Shows role in the box; only when allowed may the box change it.
void showRole(QComboBox *box, Role role, bool allowed);
Role chosenRole(const QComboBox *box);

} // namespace AdminForms
