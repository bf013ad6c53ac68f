#include "program/LoginDialog.h"

#include "base/StoreError.h"
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

LoginDialog::LoginDialog(AppContext &context, QWidget *parent) : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("login"));
    setWindowTitle(QStringLiteral("Pellomar会员系统登陆界面 Ver 1.0.1"));

    auto *frame = new QFrame(this);
    m_frame = frame;
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::StyledPanel);
    auto *label1 = new QLabel(QStringLiteral("登陆用户名："), frame);
    label1->setObjectName(QStringLiteral("Label1"));
    m_text1 = new QLineEdit(frame);
    m_text1->setObjectName(QStringLiteral("Text1"));
    auto *label2 = new QLabel(QStringLiteral("登陆密码："), frame);
    label2->setObjectName(QStringLiteral("Label2"));
    m_text2 = new QLineEdit(frame);
    m_text2->setObjectName(QStringLiteral("Text2"));
    Ui::passwordBox(m_text2);
    auto *command1 = new QPushButton(QStringLiteral("登陆(&S)"), frame);
    command1->setObjectName(QStringLiteral("Command1"));
    command1->setDefault(true);
    command1->setAutoDefault(true);
    auto *command2 = new QPushButton(QStringLiteral("退出(&X)"), frame);
    command2->setObjectName(QStringLiteral("Command2"));
    // Enter on the focused exit button ends the program, not a login.
    command2->setAutoDefault(true);

    auto *grid = new QGridLayout(frame);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(m_text1, 0, 1);
    grid->addWidget(label2, 1, 0);
    grid->addWidget(m_text2, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(command1, 3);
    buttons->addWidget(command2, 2);
    grid->addLayout(buttons, 2, 0, 1, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    Ui::resizeTwips(this, 5055, 2190);

    setTabOrder(m_text1, m_text2);
    setTabOrder(m_text2, command1);
    setTabOrder(command1, command2);
    m_text1->setFocus();

    connect(command1, &QPushButton::clicked, this, &LoginDialog::logIn);
    connect(command2, &QPushButton::clicked, this, [this] {
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
    m_frame->setEnabled(false);
    m_waiter(wait, [this] {
        m_frame->setEnabled(true);
        check();
    });
}

void LoginDialog::check()
{
    Login::Result result;
    try {
        result = Login::check(m_context.store, m_text1->text(), m_text2->text());
        m_throttle.record(result);
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    } catch (const std::exception &e) { // the password library could not start
        Dialogs::error(this, QStringLiteral("无法校验密码：") + QString::fromLocal8Bit(e.what()));
        return;
    }
    switch (result) {
    case Login::Result::EmptyName:
        Dialogs::message(this, Login::kEmptyName);
        m_text1->setFocus();
        return;
    case Login::Result::Invalid:
        Dialogs::message(this, Login::kInvalid);
        return;
    case Login::Result::Ok:
        m_context.session = Session{m_text1->text(), m_text2->text()};
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
