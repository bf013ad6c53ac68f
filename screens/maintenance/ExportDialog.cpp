#include "screens/maintenance/ExportDialog.h"

#include "base/Session.h"
#include "rules/admins/Permissions.h"
#include "rules/backup/TaskProgress.h"
#include "rules/export/MemberExport.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ExportDialog::ExportDialog(Database &store, const DataFiles &files, const Session &session,
                           QWidget *parent)
    : ScreenDialog(QStringLiteral("daochu"), QStringLiteral("会员数据导出"), parent),
      m_store(store), m_files(files), m_session(session)
{
    QGroupBox *noteFrame = frame("Frame1", QStringLiteral("说明："));
    QLabel *note = label("Label1",
                         QStringLiteral("本功能为实验性功能，在部分电脑上可能无法正常导出数据；"
                                        "导出失败不会影响本系统其他功能的正常使用。"),
                         noteFrame);
    note->setWordWrap(true);
    auto *noteLayout = new QVBoxLayout(noteFrame);
    noteLayout->addWidget(note);

    m_passwordBox = textBox("Text3", 20);
    Ui::passwordBox(m_passwordBox);
    // The operator's name, kept hidden as on the other screens.
    m_operatorBox = textBox("Text1");
    m_operatorBox->setVisible(false);

    m_exportButton = button("Command1", QStringLiteral("导出数据(&X)"));
    QPushButton *exitButton = button("Command2", QStringLiteral("退出(&E)"));
    m_exportButton->setAutoDefault(true);
    exitButton->setAutoDefault(true);

    auto *passwordRow = new QHBoxLayout;
    passwordRow->addWidget(label("Label2", QStringLiteral("请输入系统管理员密码：")));
    passwordRow->addWidget(m_passwordBox);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(noteFrame);
    layout->addLayout(passwordRow);
    layout->addLayout(buttonRow(m_exportButton, exitButton));
    Ui::resizeTwips(this, 5500, 3200);

    connect(m_exportButton, &QPushButton::clicked, this, &ExportDialog::exportMembers);

    activateOnce();
}

void ExportDialog::activate()
{
    m_operatorBox->setText(m_session.name);
    m_exportButton->setEnabled(!refuseUnless(
        Permissions::allows(m_session, Permissions::Action::Export), MemberExport::kNotAllowed));
}

void ExportDialog::exportMembers()
{
    if (const auto refused = MemberExport::refusal(m_session, m_passwordBox->text())) {
        Dialogs::message(this, refused->message);
        return;
    }
    // The workbook is written off the window's thread, which reads through
    // a connection of its own; the audit row is written here once it is done.
    const QString path = m_files.exportWorkbook();
    TaskProgress progress;
    progress.setPhase(QStringLiteral("正在导出会员资料…"), -1);
    MemberExport::Written written;
    if (!Dialogs::runTask(this, QStringLiteral("会员资料导出"), progress,
                          [&] { written = MemberExport::writeAlongside(m_store, path); }))
        return;
    const auto result = attempt([&] { return MemberExport::finish(m_store, path, written); });
    if (!result)
        return;
    const MemberExport::Outcome &outcome = *result;
    switch (outcome.kind) {
    case MemberExport::Outcome::Kind::Refused:
        Dialogs::message(this, outcome.message);
        return;
    case MemberExport::Outcome::Kind::Failed:
        Dialogs::error(this, outcome.message);
        return;
    case MemberExport::Outcome::Kind::Exported:
        Dialogs::message(this, outcome.message + QStringLiteral("\n导出文件：") +
                                   QDir::toNativeSeparators(m_files.exportWorkbook()));
        accept();
        return;
    }
}
