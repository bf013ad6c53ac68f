#pragma once

#include "rules/backup/DataMaintenance.h"
#include "rules/backup/FileOps.h"
#include "screens/ScreenDialog.h"

#include <QFutureWatcher>
#include <functional>
#include <memory>

class Database;
class ProgramEnd;
struct ServerSettings;
struct Session;
class QLabel;
class QPushButton;
class QTreeWidget;

// 数据库备份还原 (backup): backup, restore and clear of the database file.
// Each visit allows one kind of operation: the first one disables the
// buttons of the others until the screen is opened again. Below them, the
// list of every backup (the manual one first, then the generations, newest
// first), which a restore may choose from, and the copy to and from a
// folder outside the program. The file work runs on a worker thread behind
// a progress window.
class BackupDialog : public ScreenDialog
{
    Q_OBJECT
public:
    // files: the file operations to use; the real file system when null.
    // server: the database server the store is on; null for the file.
    BackupDialog(Database &store, const DataFiles &files, const Session &session, ProgramEnd &end,
                 QWidget *parent = nullptr, FileOps *fileOps = nullptr,
                 const ServerSettings *server = nullptr);
    ~BackupDialog() override;

    // Enables the buttons, creates the backup folder when missing, shows
    // the backup's time and lists the backups.
    void activate() override;

private:
    void backup();
    void restore();
    void clear();
    void restoreChosen();
    void saveCopy();
    void restoreFromFile();
    // Asks for the password and restores source through the checked path.
    void restoreFrom(const QString &source, bool fromOutside);
    void report(DataMaintenance::Outcome outcome);
    // Runs a file operation behind the progress window.
    DataMaintenance::Outcome inBackground(const QString &title,
                                          const std::function<DataMaintenance::Outcome()> &work);
    void fillGenerationList();
    void allowOnly(QPushButton *kind);
    // Restores and the clear stay disabled for a cashier.
    void keepForOwners();

    ProgramEnd &m_end;
    const Session &m_session;
    DataFiles m_paths;
    QString m_manualBackup; // backup.mdb, or a server's archive
    std::unique_ptr<FileOps> m_ownFiles;
    DataMaintenance m_rules;
    QLabel *m_statusLabel;
    QPushButton *m_backupButton;
    QPushButton *m_restoreButton;
    QPushButton *m_clearButton;
    QTreeWidget *m_generationList;
    QPushButton *m_restoreChosenButton;
    QPushButton *m_saveCopyButton;
    QPushButton *m_restoreFileButton;
    // The manifest of the data a restore set aside, written once it passed
    // the full check, on a pooled thread; the list is filled again after.
    QFutureWatcher<void> m_vouching;
};
