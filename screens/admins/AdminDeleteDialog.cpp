#include "screens/admins/AdminDeleteDialog.h"

#include "base/ProgramEnd.h"
#include "screens/Ui.h"
#include "screens/admins/AdminForms.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

const QString AdminDeleteDialog::kProgramEnds =
    QStringLiteral("删除账号后程序将立即退出，请重新登录后继续使用。");

AdminDeleteDialog::AdminDeleteDialog(Database &store, ProgramEnd &end, const Admin &row,
                                     const Session &session, QWidget *parent)
    : AdminDeleteDialog(store, end, row, parent)
{
    m_session = session;
    if (AdminRules::isOwnAccount(session, row.name))
        return;
    // Another account: the owner's own password, and the program goes on.
    if (auto *caption = findChild<QLabel *>(QStringLiteral("Label2")))
        caption->setText(AdminRules::kOwnerPasswordCaption);
    if (auto *warning = findChild<QLabel *>(QStringLiteral("Label3")))
        warning->hide();
}

AdminDeleteDialog::AdminDeleteDialog(Database &store, ProgramEnd &end, const Admin &row,
                                     QWidget *parent)
    : ScreenDialog(QStringLiteral("sdelete"), QStringLiteral("会员删除"), parent), m_store(store),
      m_end(end), m_row(row)
{
    QGroupBox *box = frame("Frame1", QStringLiteral("会员删除"));
    auto *rows = new QGridLayout(box);
    QLineEdit *nameBox = textRow(rows, 0, "Label1", QStringLiteral("会员名"), "Text1");
    nameBox->setText(row.name);
    Ui::readOnlyBox(nameBox);
    m_passwordBox = textRow(rows, 1, "Label2", QStringLiteral("密码验证"), "Text2");
    Ui::passwordBox(m_passwordBox);
    // Said before, not after: the program ends once the account is gone.
    QLabel *warning = label("Label3", kProgramEnds, box);
    warning->setWordWrap(true);
    warning->setStyleSheet(QStringLiteral("color: red;"));
    rows->addWidget(warning, 2, 0, 1, 2);

    QPushButton *confirmButton = button("Command1", QStringLiteral("确认删除会员(&D)"));
    confirmButton->setAutoDefault(true);
    QPushButton *exitButton = button("Command2", QStringLiteral("退出(&E)"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addLayout(buttonRow(confirmButton, exitButton));
    setMinimumWidth(Ui::twips(4800));

    connect(confirmButton, &QPushButton::clicked, this, &AdminDeleteDialog::confirm);
    m_passwordBox->setFocus();
}

void AdminDeleteDialog::confirm()
{
    const QString typed = m_passwordBox->text();
    const auto outcome = attempt([&] {
        return m_session ? AdminRules::remove(m_store, *m_session, m_row, typed)
                         : AdminRules::remove(m_store, m_row, typed);
    });
    if (!outcome)
        return;
    AdminForms::showMessage(this, *outcome);
    if (!outcome->written)
        return;
    accept();
    if (outcome->endsProgram)
        m_end.request();
}
