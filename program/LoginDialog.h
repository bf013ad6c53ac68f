#pragma once

#include "screens/ScreenDialog.h"

struct AppContext;
class QLineEdit;

// 登陆界面 (login): the first screen. A successful login stores the session
// in the context and emits loggedIn(); the caller shows the main window.
class LoginDialog : public ScreenDialog
{
    Q_OBJECT
public:
    explicit LoginDialog(AppContext &context, QWidget *parent = nullptr);

Q_SIGNALS:
    void loggedIn();
    // The exit button, or the close box: the program ends.
    void exitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void logIn();

    AppContext &m_context;
    QLineEdit *m_nameBox;
    QLineEdit *m_passwordBox;
    bool m_done = false;
};
