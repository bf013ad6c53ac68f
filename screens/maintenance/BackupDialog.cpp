#include "screens/maintenance/BackupDialog.h"

#include "base/ProgramEnd.h"
#include "base/Session.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
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
    : ScreenDialog(QStringLiteral("backup"), QStringLiteral("数据库备份还原"), parent), m_end(end),
      m_rules(store, files, session, chosen(fileOps, m_ownFiles))
{
    QGroupBox *statusFrame = frame("Frame1", QStringLiteral("状态提示"));
    m_statusLabel = label("Label1", QString(), statusFrame);
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_statusLabel->setMinimumHeight(Ui::twips(1200));
    auto *statusLayout = new QVBoxLayout(statusFrame);
    statusLayout->addWidget(m_statusLabel);

    m_backupButton = button("Command1", QStringLiteral("备份数据（&B）"));
    m_restoreButton = button("Command2", QStringLiteral("还原数据(&R)"));
    m_clearButton = button("Command4", QStringLiteral("清空数据(C)"));
    QPushButton *exitButton = button("Command3", QStringLiteral("退出(E)"));
    for (QPushButton *b : {m_backupButton, m_restoreButton, m_clearButton, exitButton})
        b->setAutoDefault(true);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {m_backupButton, m_restoreButton, m_clearButton, exitButton})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(statusFrame);
    layout->addLayout(buttons);
    Ui::resizeTwips(this, 6000, 3000);

    connect(m_backupButton, &QPushButton::clicked, this, &BackupDialog::backup);
    connect(m_restoreButton, &QPushButton::clicked, this, &BackupDialog::restore);
    connect(m_clearButton, &QPushButton::clicked, this, &BackupDialog::clear);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);

    activateOnce();
}

BackupDialog::~BackupDialog() = default;

void BackupDialog::activate()
{
    for (QPushButton *b : {m_backupButton, m_restoreButton, m_clearButton})
        b->setEnabled(true);
    m_statusLabel->setText(m_rules.activate());
}

void BackupDialog::report(const DataMaintenance::Outcome &outcome)
{
    for (const QString &message : outcome.messages)
        Dialogs::message(this, message);
    if (outcome.status)
        m_statusLabel->setText(*outcome.status);
    if (outcome.endProgram) {
        m_end.request(outcome.endCode);
        reject();
    }
}

void BackupDialog::backup()
{
    m_restoreButton->setEnabled(false);
    m_clearButton->setEnabled(false);
    report(m_rules.backup());
}

void BackupDialog::restore()
{
    m_backupButton->setEnabled(false);
    m_clearButton->setEnabled(false);
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
    m_backupButton->setEnabled(false);
    m_restoreButton->setEnabled(false);
    const QString typed = Dialogs::input(this, DataMaintenance::kClearPrompt,
                                         DataMaintenance::kClearTitle, Dialogs::Echo::Password);
    report(m_rules.clear(typed));
}
