#include "screens/admins/AdminRegistrationDialog.h"

#include "screens/admins/AdminForms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

AdminRegistrationDialog::AdminRegistrationDialog(Database &store, QWidget *parent)
    : AdminRegistrationDialog(store, Session{}, parent)
{
}

AdminRegistrationDialog::AdminRegistrationDialog(Database &store, const Session &by,
                                                 QWidget *parent)
    : ScreenDialog(QStringLiteral("sregedit"), QStringLiteral("管理员注册"), parent),
      m_store(store), m_by(by)
{
    QGroupBox *box = frame("Frame1", QStringLiteral("管理员信息"));
    auto *rows = new QGridLayout(box);
    m_idBox = textRow(rows, 0, "Label1", QStringLiteral("管理员ID"), "Text1", 10);
    m_passwordBox =
        AdminForms::newPasswordBox(textRow(rows, 1, "Label2", QStringLiteral("密码"), "Text2"));
    m_repeatBox =
        AdminForms::newPasswordBox(textRow(rows, 2, "Label3", QStringLiteral("重复密码"), "Text3"));
    m_remarkBox = textRow(rows, 3, "Label4", QStringLiteral("备注"), "Text4");
    m_roleBox = comboBox("Combo1", AdminForms::roleItems(), box);
    rows->addWidget(label("Label5", QStringLiteral("角色"), box), 4, 0);
    rows->addWidget(m_roleBox, 4, 1);
    AdminForms::showRole(m_roleBox, Role::Cashier, AdminRules::mayGiveRole(m_by, {}));
    m_agreedBox =
        checkBox("Check1", QStringLiteral("我明白忘记密码就取不回来的风险，同意注册账号！"));

    QPushButton *confirmButton = mainAction(button("Command1", QStringLiteral("注册账号（&R）")));
    QPushButton *exitButton = button("Command2", QStringLiteral("退出（&E)"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(m_agreedBox);
    layout->addLayout(buttonRow(confirmButton, exitButton));

    connect(confirmButton, &QPushButton::clicked, this, &AdminRegistrationDialog::registerAccount);
    m_idBox->setFocus();
}

void AdminRegistrationDialog::registerAccount()
{
    const AdminRules::Entry entry{m_agreedBox->isChecked(), m_idBox->text(),
                                  m_passwordBox->text(),    m_repeatBox->text(),
                                  m_remarkBox->text(),      AdminForms::chosenRole(m_roleBox)};
    const auto outcome = attempt([&] { return AdminRules::registerAccount(m_store, m_by, entry); });
    if (!outcome)
        return;
    AdminForms::present(this, *outcome, m_idBox, m_passwordBox, m_repeatBox);
    if (outcome->written)
        accept();
}
