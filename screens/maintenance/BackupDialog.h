#pragma once

#include "rules/maintenance/DataMaintenance.h"
#include "rules/maintenance/FileOps.h"
#include "screens/ScreenDialog.h"

#include <memory>

class MemberStore;
class ProgramEnd;
struct Session;
class QLabel;
class QPushButton;

// 数据库备份还原 (backup): backup, restore and clear of the database file.
// Each visit allows one kind of operation: the first one disables the
// buttons of the others until the screen is opened again.
class BackupDialog : public ScreenDialog
{
    Q_OBJECT
public:
    // files: the file operations to use; the real file system when null.
    BackupDialog(MemberStore &store, const DataFiles &files, const Session &session,
                 ProgramEnd &end, QWidget *parent = nullptr, FileOps *fileOps = nullptr);
    ~BackupDialog() override;

    // Enables the buttons, creates the backup folder when missing and shows
    // the backup's time.
    void activate() override;

private:
    void backup();
    void restore();
    void clear();
    void report(const DataMaintenance::Outcome &outcome);

    ProgramEnd &m_end;
    std::unique_ptr<FileOps> m_ownFiles;
    DataMaintenance m_rules;
    QLabel *m_statusLabel;
    QPushButton *m_backupButton;
    QPushButton *m_restoreButton;
    QPushButton *m_clearButton;
};
