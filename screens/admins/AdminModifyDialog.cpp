#include "screens/admins/AdminModifyDialog.h"

#include "screens/Ui.h"
#include "screens/admins/AdminForms.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

AdminModifyDialog::AdminModifyDialog(MemberStore &store, Session &session, const Admin &row,
                                     QWidget *parent)
    : QDialog(parent), m_store(store), m_session(session), m_row(row)
{
    setObjectName(QStringLiteral("smodify"));
    setWindowTitle(QStringLiteral("管理员资料修改"));

    auto *frame = new QGroupBox(QStringLiteral("修改资料"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *grid = new QGridLayout(frame);
    using AdminForms::addRow;
    m_text1 = addRow(grid, frame, 0, QStringLiteral("Label1"), QStringLiteral("管理员ID"),
                     QStringLiteral("Text1"));
    m_text1->setText(row.name);
    Ui::readOnlyBox(m_text1);
    m_text1->setEnabled(false);
    m_text5 = addRow(grid, frame, 1, QStringLiteral("Label5"), QStringLiteral("原密码"),
                     QStringLiteral("Text5"));
    Ui::passwordBox(m_text5);
    m_text2 = AdminForms::addPasswordRow(grid, frame, 2, QStringLiteral("Label2"),
                                         QStringLiteral("新密码"), QStringLiteral("Text2"));
    m_text3 = AdminForms::addPasswordRow(grid, frame, 3, QStringLiteral("Label3"),
                                         QStringLiteral("复核密码"), QStringLiteral("Text3"));
    m_text4 = addRow(grid, frame, 4, QStringLiteral("Label4"), QStringLiteral("备注"),
                     QStringLiteral("Text4"));
    m_text4->setText(row.remark);

    m_check1 =
        new QCheckBox(QStringLiteral("我明白忘记密码就取不回来的风险，同意修改账号资料！"), frame);
    m_check1->setObjectName(QStringLiteral("Check1"));
    grid->addWidget(m_check1, 5, 0, 1, 2);

    const AdminForms::Buttons buttons = AdminForms::buttons(
        this, frame, QStringLiteral("修改资料（&M)"), QStringLiteral("退出（&E）"));
    grid->addLayout(buttons.row, 6, 0, 1, 2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);

    connect(buttons.command1, &QPushButton::clicked, this, &AdminModifyDialog::save);
    m_text5->setFocus();
}

void AdminModifyDialog::save()
{
    const AdminRules::Entry entry{m_check1->isChecked(), m_text1->text(), m_text2->text(),
                                  m_text3->text(), m_text4->text()};
    const QString oldPassword = m_text5->text();
    const auto outcome = AdminForms::attempt(
        this, [&] { return AdminRules::modify(m_store, m_session, m_row, entry, oldPassword); });
    if (!outcome)
        return;
    AdminForms::present(this, *outcome, m_text1, m_text2, m_text3);
    if (outcome->written)
        accept();
}
