#include "screens/admins/AdminModifyDialog.h"

#include "screens/Ui.h"
#include "screens/admins/AdminForms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

AdminModifyDialog::AdminModifyDialog(Database &store, Session &session, const Admin &row,
                                     QWidget *parent)
    : ScreenDialog(QStringLiteral("smodify"), QStringLiteral("管理员资料修改"), parent),
      m_store(store), m_session(session), m_row(row)
{
    QGroupBox *box = frame("Frame1", QStringLiteral("修改资料"));
    auto *rows = new QGridLayout(box);
    m_idBox = textRow(rows, 0, "Label1", QStringLiteral("管理员ID"), "Text1");
    m_idBox->setText(row.name);
    Ui::readOnlyBox(m_idBox);
    m_idBox->setEnabled(false);
    m_oldPasswordBox =
        textRow(rows, 1, "Label5",
                AdminRules::isOwnAccount(session, row.name) ? QStringLiteral("原密码")
                                                            : AdminRules::kOwnerPasswordCaption,
                "Text5");
    Ui::passwordBox(m_oldPasswordBox);
    m_passwordBox =
        AdminForms::newPasswordBox(textRow(rows, 2, "Label2", QStringLiteral("新密码"), "Text2"));
    m_repeatBox =
        AdminForms::newPasswordBox(textRow(rows, 3, "Label3", QStringLiteral("复核密码"), "Text3"));
    m_remarkBox = textRow(rows, 4, "Label4", QStringLiteral("备注"), "Text4");
    m_remarkBox->setText(row.remark);
    m_roleBox = comboBox("Combo1", AdminForms::roleItems(), box);
    rows->addWidget(label("Label6", QStringLiteral("角色"), box), 5, 0);
    rows->addWidget(m_roleBox, 5, 1);
    AdminForms::showRole(m_roleBox, row.role, AdminRules::mayGiveRole(session, row.name));

    m_agreedBox = checkBox(
        "Check1", QStringLiteral("我明白忘记密码就取不回来的风险，同意修改账号资料！"), box);
    rows->addWidget(m_agreedBox, 6, 0, 1, 2);
    QPushButton *confirmButton = button("Command1", QStringLiteral("修改资料（&M)"), box);
    confirmButton->setAutoDefault(true);
    QPushButton *exitButton = button("Command2", QStringLiteral("退出（&E）"), box);
    rows->addLayout(buttonRow(confirmButton, exitButton), 7, 0, 1, 2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(box);

    connect(confirmButton, &QPushButton::clicked, this, &AdminModifyDialog::save);
    m_oldPasswordBox->setFocus();
}

void AdminModifyDialog::save()
{
    AdminRules::Entry entry{m_agreedBox->isChecked(), m_idBox->text(), m_passwordBox->text(),
                            m_repeatBox->text(), m_remarkBox->text()};
    if (m_roleBox->isEnabled())
        entry.role = AdminForms::chosenRole(m_roleBox);
    const QString oldPassword = m_oldPasswordBox->text();
    const auto outcome =
        attempt([&] { return AdminRules::modify(m_store, m_session, m_row, entry, oldPassword); });
    if (!outcome)
        return;
    AdminForms::present(this, *outcome, m_idBox, m_passwordBox, m_repeatBox);
    if (outcome->written)
        accept();
}
