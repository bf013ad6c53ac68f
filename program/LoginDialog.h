#pragma once

#include "rules/admins/LoginThrottle.h"

#include <QDialog>
#include <chrono>
#include <functional>

struct AppContext;
class QLineEdit;

// 登陆界面 (login): the first screen. A successful login stores the session
// in the context and emits loggedIn(); the caller shows the main window.
class LoginDialog : public QDialog
{
    Q_OBJECT
public:
    explicit LoginDialog(AppContext &context, QWidget *parent = nullptr);

    // Runs a delayed attempt after the wait; by default a timer while the
    // boxes and buttons are disabled. Tests replace it to record the waits.
    using Waiter = std::function<void(std::chrono::milliseconds, std::function<void()>)>;
    void setWaiter(Waiter waiter) { m_waiter = std::move(waiter); }

Q_SIGNALS:
    void loggedIn();
    // The exit button, or the close box: the program ends.
    void exitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void logIn();
    void check();

    AppContext &m_context;
    LoginThrottle m_throttle;
    Waiter m_waiter;
    QWidget *m_frame;
    QLineEdit *m_text1;
    QLineEdit *m_text2;
    bool m_done = false;
};
