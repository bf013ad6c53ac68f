#include "screens/maintenance/BackupDialog.h"

#include "base/ProgramEnd.h"
#include "base/Session.h"
#include "rules/maintenance/BackupCatalog.h"
#include "rules/maintenance/TaskProgress.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
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
    : QDialog(parent), m_session(session), m_end(end), m_paths(files),
      m_fileOps(chosen(fileOps, m_ownFiles)), m_rules(store, files, session, m_fileOps)
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

    m_generationList = new QTreeWidget(this);
    m_generationList->setObjectName(QStringLiteral("generationList"));
    m_generationList->setHeaderLabels(BackupCatalog::headings());
    m_generationList->setRootIsDecorated(false);
    m_generationList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_generationList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_restoreChosenButton = new QPushButton(QStringLiteral("还原所选备份(&S)"), this);
    m_restoreChosenButton->setObjectName(QStringLiteral("restoreChosen"));
    m_saveCopyButton = new QPushButton(QStringLiteral("另存备份…"), this);
    m_saveCopyButton->setObjectName(QStringLiteral("saveCopy"));
    m_restoreFileButton = new QPushButton(QStringLiteral("从文件还原…"), this);
    m_restoreFileButton->setObjectName(QStringLiteral("restoreFile"));

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {m_command1, m_command2, m_command4, m_command3})
        buttons->addWidget(b);
    auto *listButtons = new QHBoxLayout;
    for (QPushButton *b : {m_restoreChosenButton, m_saveCopyButton, m_restoreFileButton})
        listButtons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    layout->addWidget(m_generationList, 1);
    layout->addLayout(listButtons);
    Ui::resizeTwips(this, 9000, 6000);

    connect(m_command1, &QPushButton::clicked, this, &BackupDialog::backup);
    connect(m_command2, &QPushButton::clicked, this, &BackupDialog::restore);
    connect(m_command4, &QPushButton::clicked, this, &BackupDialog::clear);
    connect(m_command3, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_restoreChosenButton, &QPushButton::clicked, this, &BackupDialog::restoreChosen);
    connect(m_saveCopyButton, &QPushButton::clicked, this, &BackupDialog::saveCopy);
    connect(m_restoreFileButton, &QPushButton::clicked, this, &BackupDialog::restoreFromFile);

    activate();
}

BackupDialog::~BackupDialog() = default;

void BackupDialog::activate()
{
    for (QPushButton *b : {m_command1, m_command2, m_command4, m_restoreChosenButton,
                           m_saveCopyButton, m_restoreFileButton})
        b->setEnabled(true);
    m_text1->setText(m_session.password);
    m_label1->setText(m_rules.activate());
    fillGenerationList();
}

void BackupDialog::fillGenerationList()
{
    m_generationList->clear();
    for (const BackupCatalog::Entry &e : BackupCatalog(m_paths).entries()) {
        auto *item = new QTreeWidgetItem(m_generationList, BackupCatalog::columns(e));
        item->setData(0, Qt::UserRole, e.path);
    }
    if (m_generationList->topLevelItemCount() > 0)
        m_generationList->setCurrentItem(m_generationList->topLevelItem(0));
}

void BackupDialog::allowOnly(QPushButton *kind)
{
    // Backups (here or to another folder), restores and the clear: one kind
    // per visit.
    const bool backup = kind == m_command1 || kind == m_saveCopyButton;
    const bool restore =
        kind == m_command2 || kind == m_restoreChosenButton || kind == m_restoreFileButton;
    m_command1->setEnabled(backup);
    m_saveCopyButton->setEnabled(backup);
    m_command2->setEnabled(restore);
    m_restoreChosenButton->setEnabled(restore);
    m_restoreFileButton->setEnabled(restore);
    m_command4->setEnabled(kind == m_command4);
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
        m_label1->setText(*outcome.status);
    if (!outcome.endProgram)
        fillGenerationList();
    if (outcome.endProgram) {
        m_end.request(outcome.endCode);
        reject();
    }
}

void BackupDialog::backup()
{
    allowOnly(m_command1);
    report(inBackground(QStringLiteral("备份数据"), [this] { return m_rules.backup(); }));
}

void BackupDialog::restore()
{
    allowOnly(m_command2);
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
    allowOnly(m_command4);
    const QString typed = Dialogs::input(this, DataMaintenance::kClearPrompt,
                                         DataMaintenance::kClearTitle, Dialogs::Echo::Password);
    report(inBackground(QStringLiteral("清空数据"), [&] { return m_rules.clear(typed); }));
}
