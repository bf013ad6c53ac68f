#include "program/LoginDialog.h"

#include "base/StoreError.h"
#include "base/Version.h"
#include "program/AppContext.h"
#include "program/Startup.h"
#include "rules/admins/Login.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

LoginDialog::LoginDialog(AppContext &context, QWidget *parent)
    : ScreenDialog(QStringLiteral("login"),
                   QStringLiteral("Pellomar会员系统登陆界面 Ver " PELLOMAR_VERSION), parent),
      m_context(context)
{
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Frame1"));
    panel->setFrameShape(QFrame::StyledPanel);
    m_panel = panel;
    m_nameBox = textBox("Text1", 0, panel);
    m_passwordBox = textBox("Text2", 0, panel);
    Ui::passwordBox(m_passwordBox);
    QPushButton *loginButton = button("Command1", QStringLiteral("登陆(&S)"), panel);
    loginButton->setDefault(true);
    loginButton->setAutoDefault(true);
    QPushButton *exitButton = button("Command2", QStringLiteral("退出(&X)"), panel);
    // Enter on the focused exit button ends the program, not a login.
    exitButton->setAutoDefault(true);

    auto *rows = new QGridLayout(panel);
    rows->addWidget(label("Label1", QStringLiteral("登陆用户名："), panel), 0, 0);
    rows->addWidget(m_nameBox, 0, 1);
    rows->addWidget(label("Label2", QStringLiteral("登陆密码："), panel), 1, 0);
    rows->addWidget(m_passwordBox, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(loginButton, 3);
    buttons->addWidget(exitButton, 2);
    rows->addLayout(buttons, 2, 0, 1, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    Ui::resizeTwips(this, 5055, 2190);

    setTabOrder(m_nameBox, m_passwordBox);
    setTabOrder(m_passwordBox, loginButton);
    setTabOrder(loginButton, exitButton);
    m_nameBox->setFocus();

    connect(loginButton, &QPushButton::clicked, this, &LoginDialog::logIn);
    connect(exitButton, &QPushButton::clicked, this, [this] {
        m_done = true;
        Q_EMIT exitRequested();
    });
    m_waiter = [this](std::chrono::milliseconds wait, std::function<void()> then) {
        QTimer::singleShot(wait, this, std::move(then));
    };
}

void LoginDialog::logIn()
{
    const std::chrono::milliseconds wait = m_throttle.delay();
    if (wait.count() == 0) {
        check();
        return;
    }
    m_panel->setEnabled(false);
    m_waiter(wait, [this] {
        m_panel->setEnabled(true);
        check();
    });
}

void LoginDialog::check()
{
    Login::Result result;
    try {
        result = Login::check(m_context.store, m_nameBox->text(), m_passwordBox->text());
        m_throttle.record(result);
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e);
        return;
    } catch (const std::exception &e) {
        // The password library could not start: not a database failure, so
        // not attempt()'s message.
        Dialogs::error(this, QStringLiteral("无法校验密码：") + QString::fromLocal8Bit(e.what()));
        return;
    }
    switch (result) {
    case Login::Result::EmptyName:
        Dialogs::message(this, Login::kEmptyName);
        m_nameBox->setFocus();
        return;
    case Login::Result::Invalid:
        Dialogs::message(this, Login::kInvalid);
        return;
    case Login::Result::Ok:
        try {
            m_context.session =
                Login::sessionOf(m_context.store, m_nameBox->text(), m_passwordBox->text());
        } catch (const StoreError &e) {
            Dialogs::databaseFailure(this, e.text());
            return;
        }
        m_done = true;
        Q_EMIT loggedIn();
        close();
        return;
    }
}

void LoginDialog::reject()
{
    // Escape does not dismiss the login; only the exit button and the close
    // box end the program.
}

void LoginDialog::closeEvent(QCloseEvent *event)
{
    if (!m_done) {
        m_done = true;
        Q_EMIT exitRequested();
    }
    event->accept();
}
