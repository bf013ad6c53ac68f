#pragma once

#include <QDialog>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// A screen the main window opens modally. activate() runs each time the
// screen is shown; the helpers create controls under the names the screens
// are known by.
class ScreenDialog : public QDialog
{
    Q_OBJECT
public:
    ScreenDialog(const QString &name, const QString &title, QWidget *parent = nullptr);

    virtual void activate() {}

protected:
    void showEvent(QShowEvent *event) override;

    // Closes the screen once its event loop runs: closing from inside show()
    // would leave exec() waiting on a hidden window.
    void closeLater();

    static QLabel *newLabel(const char *name, const QString &text, QWidget *parent);
    // maxLength 0 leaves the length free.
    static QLineEdit *newTextBox(const char *name, int maxLength, QWidget *parent);
    // A button that Enter in a text box does not press.
    static QPushButton *newButton(const char *name, const QString &text, QWidget *parent);
    // The confirm and exit buttons side by side; exit closes the screen.
    QHBoxLayout *newButtonRow(QPushButton *confirm, QPushButton *exit);
};
