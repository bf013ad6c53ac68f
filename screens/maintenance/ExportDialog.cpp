#include "screens/maintenance/ExportDialog.h"

#include "base/Session.h"
#include "base/StoreError.h"
#include "rules/maintenance/MemberExport.h"
#include "rules/maintenance/TaskProgress.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <optional>

ExportDialog::ExportDialog(MemberStore &store, const DataFiles &files, const Session &session,
                           QWidget *parent)
    : QDialog(parent), m_store(store), m_files(files), m_session(session)
{
    setObjectName(QStringLiteral("daochu"));
    setWindowTitle(QStringLiteral("会员数据导出"));

    auto *frame = new QGroupBox(QStringLiteral("说明："), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *label1 =
        new QLabel(QStringLiteral("本功能为实验性功能，在部分电脑上可能无法正常导出数据；"
                                  "导出失败不会影响本系统其他功能的正常使用。"),
                   frame);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setWordWrap(true);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(label1);

    auto *label2 = new QLabel(QStringLiteral("请输入系统管理员密码："), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_text3 = new QLineEdit(this);
    m_text3->setObjectName(QStringLiteral("Text3"));
    m_text3->setMaxLength(20);
    Ui::passwordBox(m_text3);
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setVisible(false);
    m_text2 = new QLineEdit(this);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setVisible(false);

    m_command1 = new QPushButton(QStringLiteral("导出数据(&X)"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    auto *command2 = new QPushButton(QStringLiteral("退出(&E)"), this);
    command2->setObjectName(QStringLiteral("Command2"));

    auto *passwordRow = new QHBoxLayout;
    passwordRow->addWidget(label2);
    passwordRow->addWidget(m_text3);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_command1);
    buttons->addWidget(command2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(passwordRow);
    layout->addLayout(buttons);
    Ui::resizeTwips(this, 5500, 3200);

    connect(m_command1, &QPushButton::clicked, this, &ExportDialog::exportMembers);
    connect(command2, &QPushButton::clicked, this, &QDialog::reject);

    activate();
}

void ExportDialog::activate()
{
    m_text1->setText(m_session.name);
    m_text2->setText(m_session.password);
    m_refused = !m_session.isBuiltInAdmin();
    m_command1->setEnabled(!m_refused);
    if (m_refused) {
        Dialogs::message(this, MemberExport::kNotAllowed);
        // Closes the screen however it is shown.
        QTimer::singleShot(0, this, &QDialog::reject);
    }
}

int ExportDialog::exec()
{
    if (m_refused)
        return QDialog::Rejected;
    return QDialog::exec();
}

void ExportDialog::exportMembers()
{
    MemberExport::Outcome outcome;
    std::optional<QString> failure;
    const QString typed = m_text3->text();
    // The workbook is written off the window's thread; the store is not
    // touched from here until it is done.
    TaskProgress progress;
    progress.setPhase(QStringLiteral("正在导出会员资料…"), -1);
    Dialogs::runTask(this, QStringLiteral("会员资料导出"), progress, [&] {
        try {
            outcome = MemberExport::run(m_store, m_files.exportWorkbook(), m_session, typed);
        } catch (const StoreError &e) {
            failure = e.text();
        }
    });
    if (failure) {
        Dialogs::databaseFailure(this, *failure);
        return;
    }
    switch (outcome.kind) {
    case MemberExport::Outcome::Kind::Refused:
        Dialogs::message(this, outcome.message);
        return;
    case MemberExport::Outcome::Kind::Failed:
        Dialogs::error(this, outcome.message);
        return;
    case MemberExport::Outcome::Kind::Exported:
        Dialogs::message(this, outcome.message);
        accept();
        return;
    }
}
