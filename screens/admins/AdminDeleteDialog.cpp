#include "screens/admins/AdminDeleteDialog.h"

#include "base/ProgramEnd.h"
#include "screens/Ui.h"
#include "screens/admins/AdminForms.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

AdminDeleteDialog::AdminDeleteDialog(MemberStore &store, ProgramEnd &end, const Admin &row,
                                     QWidget *parent)
    : QDialog(parent), m_store(store), m_end(end), m_row(row)
{
    setObjectName(QStringLiteral("sdelete"));
    setWindowTitle(QStringLiteral("会员删除"));

    auto *frame = new QGroupBox(QStringLiteral("会员删除"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *grid = new QGridLayout(frame);
    QLineEdit *text1 = AdminForms::addRow(grid, frame, 0, QStringLiteral("Label1"),
                                          QStringLiteral("会员名"), QStringLiteral("Text1"));
    text1->setText(row.name);
    Ui::readOnlyBox(text1);
    m_text2 = AdminForms::addRow(grid, frame, 1, QStringLiteral("Label2"),
                                 QStringLiteral("密码验证"), QStringLiteral("Text2"));
    Ui::passwordBox(m_text2);

    const AdminForms::Buttons buttons = AdminForms::buttons(
        this, this, QStringLiteral("确认删除会员(&D)"), QStringLiteral("退出(&E)"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons.row);
    setMinimumWidth(Ui::twips(4800));

    connect(buttons.command1, &QPushButton::clicked, this, &AdminDeleteDialog::confirm);
    m_text2->setFocus();
}

void AdminDeleteDialog::confirm()
{
    const QString typed = m_text2->text();
    const auto outcome =
        AdminForms::attempt(this, [&] { return AdminRules::remove(m_store, m_row, typed); });
    if (!outcome)
        return;
    AdminForms::showMessage(this, *outcome);
    if (!outcome->written)
        return;
    accept();
    m_end.request();
}
