#pragma once

#include "rules/admins/AdminRules.h"

#include <QString>
#include <functional>
#include <optional>

class QDialog;
class QGridLayout;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QWidget;

// What the administrator screens share: labelled boxes, running a rule, and
// showing what it decided.
namespace AdminForms {

// Adds a label and a text box as one row of the grid; both belong to parent.
QLineEdit *addRow(QGridLayout *grid, QWidget *parent, int row, const QString &labelName,
                  const QString &labelText, const QString &editName);

// A row for a new password: at most 20 characters (what the export screen's
// password box takes), shown as "*", no input method.
QLineEdit *addPasswordRow(QGridLayout *grid, QWidget *parent, int row, const QString &labelName,
                          const QString &labelText, const QString &editName);

// Command1 and Command2 side by side in a row for the caller to place;
// Command2 closes the dialog.
struct Buttons
{
    QPushButton *command1;
    QHBoxLayout *row;
};
Buttons buttons(QDialog *dialog, QWidget *parent, const QString &command1Text,
                const QString &command2Text);

// Runs the action. A database failure (or a hash that cannot be made) is
// shown and gives nothing; the action's transaction has rolled back.
std::optional<AdminRules::Outcome> attempt(QWidget *parent,
                                           const std::function<AdminRules::Outcome()> &action);

// Shows the outcome's message with its title and icon.
void showMessage(QWidget *parent, const AdminRules::Outcome &outcome);

// Shows the outcome, then empties the new-password boxes and moves the focus
// as it says.
void present(QWidget *parent, const AdminRules::Outcome &outcome, QLineEdit *id,
             QLineEdit *password, QLineEdit *repeat);

} // namespace AdminForms
