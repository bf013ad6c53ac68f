#include "screens/maintenance/BackupDialog.h"

#include "base/ProgramEnd.h"
#include "base/Session.h"
#include "rules/admins/Permissions.h"
#include "rules/backup/AutoBackups.h"
#include "rules/backup/BackupCatalog.h"
#include "rules/backup/TaskProgress.h"
#include "rules/server/ServerMaintenance.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {

FileOps &chosen(FileOps *given, std::unique_ptr<FileOps> &own)
{
    if (given)
        return *given;
    own = std::make_unique<DiskFileOps>();
    return *own;
}

} // namespace

BackupDialog::BackupDialog(Database &store, const DataFiles &files, const Session &session,
                           ProgramEnd &end, QWidget *parent, FileOps *fileOps,
                           const ServerSettings *server)
    : ScreenDialog(QStringLiteral("backup"), QStringLiteral("数据库备份还原"), parent), m_end(end),
      m_session(session), m_paths(files),
      m_manualBackup(server ? ServerMaintenance::archiveOf(files) : files.backupDatabase()),
      m_rules(store, files, session, chosen(fileOps, m_ownFiles), server)
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

    m_generationList = new QTreeWidget(this);
    m_generationList->setObjectName(QStringLiteral("generationList"));
    m_generationList->setHeaderLabels(BackupCatalog::headings());
    m_generationList->setRootIsDecorated(false);
    m_generationList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_generationList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_restoreChosenButton = button("restoreChosen", QStringLiteral("还原所选备份(&S)"));
    m_saveCopyButton = button("saveCopy", QStringLiteral("另存备份…"));
    m_restoreFileButton = button("restoreFile", QStringLiteral("从文件还原…"));
    for (QPushButton *b : {m_backupButton, m_restoreButton, m_clearButton, exitButton,
                           m_restoreChosenButton, m_saveCopyButton, m_restoreFileButton})
        b->setAutoDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(statusFrame);
    layout->addLayout(rowOf({m_backupButton, m_restoreButton, m_clearButton, exitButton}));
    layout->addWidget(m_generationList, 1);
    layout->addLayout(rowOf({m_restoreChosenButton, m_saveCopyButton, m_restoreFileButton}));
    Ui::resizeTwips(this, 9000, 6000);

    connect(m_backupButton, &QPushButton::clicked, this, &BackupDialog::backup);
    connect(m_restoreButton, &QPushButton::clicked, this, &BackupDialog::restore);
    connect(m_clearButton, &QPushButton::clicked, this, &BackupDialog::clear);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_restoreChosenButton, &QPushButton::clicked, this, &BackupDialog::restoreChosen);
    connect(m_saveCopyButton, &QPushButton::clicked, this, &BackupDialog::saveCopy);
    connect(m_restoreFileButton, &QPushButton::clicked, this, &BackupDialog::restoreFromFile);
    connect(&m_vouching, &QFutureWatcher<void>::finished, this, &BackupDialog::fillGenerationList);

    activateOnce();
}

BackupDialog::~BackupDialog() = default;

void BackupDialog::activate()
{
    for (QPushButton *b : {m_backupButton, m_restoreButton, m_clearButton, m_restoreChosenButton,
                           m_saveCopyButton, m_restoreFileButton})
        b->setEnabled(true);
    keepForOwners();
    m_statusLabel->setText(m_rules.activate());
    fillGenerationList();
}

void BackupDialog::fillGenerationList()
{
    m_generationList->clear();
    for (const BackupCatalog::Entry &e : BackupCatalog(m_paths, m_manualBackup).entries()) {
        auto *item = new QTreeWidgetItem(m_generationList, BackupCatalog::columns(e));
        item->setData(0, Qt::UserRole, e.path);
        for (const int number : {2, 3}) // members and their balance
            item->setTextAlignment(number, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (m_generationList->topLevelItemCount() > 0)
        m_generationList->setCurrentItem(m_generationList->topLevelItem(0));
}

void BackupDialog::allowOnly(QPushButton *kind)
{
    // Backups (here or to another folder), restores and the clear: one kind
    // per visit.
    const bool backup = kind == m_backupButton || kind == m_saveCopyButton;
    const bool restore =
        kind == m_restoreButton || kind == m_restoreChosenButton || kind == m_restoreFileButton;
    m_backupButton->setEnabled(backup);
    m_saveCopyButton->setEnabled(backup);
    m_restoreButton->setEnabled(restore);
    m_restoreChosenButton->setEnabled(restore);
    m_restoreFileButton->setEnabled(restore);
    m_clearButton->setEnabled(kind == m_clearButton);
    keepForOwners();
}

void BackupDialog::keepForOwners()
{
    using Permissions::Action;
    const bool restore = Permissions::allows(m_session, Action::Restore);
    for (QPushButton *b : {m_restoreButton, m_restoreChosenButton, m_restoreFileButton})
        ownerOnly(b, restore);
    ownerOnly(m_clearButton, Permissions::allows(m_session, Action::Clear));
}

DataMaintenance::Outcome
BackupDialog::inBackground(const QString &title,
                           const std::function<DataMaintenance::Outcome()> &work)
{
    TaskProgress progress;
    m_rules.setProgress(&progress);
    DataMaintenance::Outcome outcome;
    Dialogs::runTask(this, title, progress, [&] { outcome = work(); });
    m_rules.setProgress(nullptr);
    return outcome;
}

void BackupDialog::report(DataMaintenance::Outcome outcome)
{
    m_rules.record(outcome);
    for (const QString &message : outcome.messages)
        Dialogs::message(this, message);
    if (outcome.status)
        m_statusLabel->setText(*outcome.status);
    if (!outcome.endProgram)
        fillGenerationList();
    // The 还原前 copy gets its manifest now rather than at the next start.
    if (outcome.status && outcome.status->startsWith(DataMaintenance::kRestoreDoneHeading) &&
        !m_vouching.isRunning()) {
        m_vouching.setFuture(QtConcurrent::run([files = m_paths] {
            DiskFileOps disk;
            AutoBackups(files, disk).vouchForUnverified();
        }));
    }
    if (outcome.endProgram) {
        m_end.request(outcome.endCode);
        reject();
    }
}

void BackupDialog::backup()
{
    allowOnly(m_backupButton);
    report(inBackground(QStringLiteral("备份数据"), [this] { return m_rules.backup(); }));
}

void BackupDialog::restore()
{
    allowOnly(m_restoreButton);
    restoreFrom(QString(), false);
}

void BackupDialog::restoreChosen()
{
    const QTreeWidgetItem *item = m_generationList->currentItem();
    if (!item) {
        Dialogs::message(this, QStringLiteral("请先在列表中选择要还原的备份！"));
        return;
    }
    allowOnly(m_restoreChosenButton);
    restoreFrom(item->data(0, Qt::UserRole).toString(), false);
}

void BackupDialog::restoreFromFile()
{
    const QString file = Dialogs::chooseFile(this, QStringLiteral("选择要还原的备份文件"));
    if (file.isEmpty())
        return;
    allowOnly(m_restoreFileButton);
    restoreFrom(file, true);
}

void BackupDialog::restoreFrom(const QString &source, bool fromOutside)
{
    const QString typed = Dialogs::input(this, DataMaintenance::kRestorePrompt,
                                         DataMaintenance::kRestoreTitle, Dialogs::Echo::Password);
    m_rules.releaseStore(typed);
    report(inBackground(QStringLiteral("还原数据"),
                        [&] { return m_rules.restore(typed, source, fromOutside); }));
}

void BackupDialog::saveCopy()
{
    const QString folder = Dialogs::chooseFolder(this, QStringLiteral("选择保存备份的文件夹"));
    if (folder.isEmpty())
        return;
    allowOnly(m_saveCopyButton);
    report(inBackground(QStringLiteral("另存备份"), [&] { return m_rules.saveCopy(folder); }));
}

void BackupDialog::clear()
{
    if (const auto damaged = m_rules.checkTemplate()) {
        report(*damaged);
        return;
    }
    allowOnly(m_clearButton);
    const QString typed = Dialogs::input(this, DataMaintenance::kClearPrompt,
                                         DataMaintenance::kClearTitle, Dialogs::Echo::Password);
    m_rules.releaseStore(typed);
    report(inBackground(QStringLiteral("清空数据"), [&] { return m_rules.clear(typed); }));
}
