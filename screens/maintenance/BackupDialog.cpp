#include "screens/maintenance/BackupDialog.h"

#include "base/ProgramEnd.h"
#include "base/Session.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

FileOps &chosen(FileOps *given, std::unique_ptr<FileOps> &own)
{
    if (given)
        return *given;
    own = std::make_unique<DiskFileOps>();
    return *own;
}

} // namespace

BackupDialog::BackupDialog(MemberStore &store, const DataFiles &files, const Session &session,
                           ProgramEnd &end, QWidget *parent, FileOps *fileOps)
    : QDialog(parent), m_session(session), m_end(end),
      m_rules(store, files, session, chosen(fileOps, m_ownFiles))
{
    setObjectName(QStringLiteral("backup"));
    setWindowTitle(QStringLiteral("数据库备份还原"));

    auto *frame = new QGroupBox(QStringLiteral("状态提示"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_label1 = new QLabel(frame);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setWordWrap(true);
    m_label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label1->setMinimumHeight(Ui::twips(1200));
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(m_label1);

    m_command1 = new QPushButton(QStringLiteral("备份数据（&B）"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command2 = new QPushButton(QStringLiteral("还原数据(&R)"), this);
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command4 = new QPushButton(QStringLiteral("清空数据(C)"), this);
    m_command4->setObjectName(QStringLiteral("Command4"));
    m_command3 = new QPushButton(QStringLiteral("退出(E)"), this);
    m_command3->setObjectName(QStringLiteral("Command3"));
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setVisible(false);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {m_command1, m_command2, m_command4, m_command3})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    Ui::resizeTwips(this, 6000, 3000);

    connect(m_command1, &QPushButton::clicked, this, &BackupDialog::backup);
    connect(m_command2, &QPushButton::clicked, this, &BackupDialog::restore);
    connect(m_command4, &QPushButton::clicked, this, &BackupDialog::clear);
    connect(m_command3, &QPushButton::clicked, this, &QDialog::reject);

    activate();
}

BackupDialog::~BackupDialog() = default;

void BackupDialog::activate()
{
    for (QPushButton *b : {m_command1, m_command2, m_command4})
        b->setEnabled(true);
    m_text1->setText(m_session.password);
    m_label1->setText(m_rules.activate());
}

void BackupDialog::report(const DataMaintenance::Outcome &outcome)
{
    for (const QString &message : outcome.messages)
        Dialogs::message(this, message);
    if (outcome.status)
        m_label1->setText(*outcome.status);
    if (outcome.endProgram) {
        m_end.request(outcome.endCode);
        reject();
    }
}

void BackupDialog::backup()
{
    m_command2->setEnabled(false);
    m_command4->setEnabled(false);
    report(m_rules.backup());
}

void BackupDialog::restore()
{
    m_command1->setEnabled(false);
    m_command4->setEnabled(false);
    const QString typed = Dialogs::input(this, DataMaintenance::kRestorePrompt,
                                         DataMaintenance::kRestoreTitle, Dialogs::Echo::Password);
    report(m_rules.restore(typed));
}

void BackupDialog::clear()
{
    if (const auto damaged = m_rules.checkTemplate()) {
        report(*damaged);
        return;
    }
    m_command1->setEnabled(false);
    m_command2->setEnabled(false);
    const QString typed = Dialogs::input(this, DataMaintenance::kClearPrompt,
                                         DataMaintenance::kClearTitle, Dialogs::Echo::Password);
    report(m_rules.clear(typed));
}
