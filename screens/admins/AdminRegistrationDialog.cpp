#include "screens/admins/AdminRegistrationDialog.h"

#include "screens/Ui.h"
#include "screens/admins/AdminForms.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

AdminRegistrationDialog::AdminRegistrationDialog(MemberStore &store, QWidget *parent)
    : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("sregedit"));
    setWindowTitle(QStringLiteral("管理员注册"));

    auto *frame = new QGroupBox(QStringLiteral("管理员信息"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *grid = new QGridLayout(frame);
    using AdminForms::addRow;
    m_text1 = addRow(grid, frame, 0, QStringLiteral("Label1"), QStringLiteral("管理员ID"),
                     QStringLiteral("Text1"));
    m_text1->setMaxLength(10);
    m_text2 = AdminForms::addPasswordRow(grid, frame, 1, QStringLiteral("Label2"),
                                         QStringLiteral("密码"), QStringLiteral("Text2"));
    m_text3 = AdminForms::addPasswordRow(grid, frame, 2, QStringLiteral("Label3"),
                                         QStringLiteral("重复密码"), QStringLiteral("Text3"));
    m_text4 = addRow(grid, frame, 3, QStringLiteral("Label4"), QStringLiteral("备注"),
                     QStringLiteral("Text4"));

    m_check1 =
        new QCheckBox(QStringLiteral("我明白忘记密码就取不回来的风险，同意注册账号！"), this);
    m_check1->setObjectName(QStringLiteral("Check1"));

    const AdminForms::Buttons buttons = AdminForms::buttons(
        this, this, QStringLiteral("注册账号（&R）"), QStringLiteral("退出（&E)"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(m_check1);
    layout->addLayout(buttons.row);

    connect(buttons.command1, &QPushButton::clicked, this,
            &AdminRegistrationDialog::registerAccount);
    m_text1->setFocus();
}

void AdminRegistrationDialog::registerAccount()
{
    const AdminRules::Entry entry{m_check1->isChecked(), m_text1->text(), m_text2->text(),
                                  m_text3->text(), m_text4->text()};
    const auto outcome =
        AdminForms::attempt(this, [&] { return AdminRules::registerAccount(m_store, entry); });
    if (!outcome)
        return;
    AdminForms::present(this, *outcome, m_text1, m_text2, m_text3);
    if (outcome->written)
        accept();
}
