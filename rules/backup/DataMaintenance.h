#pragma once

#include "rules/backup/BackupManifest.h"
#include "rules/backup/VerifiedCopy.h"
#include "store/AuditLog.h"
#include "store/DataFiles.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class FileOps;
class Database;
class ServerMaintenance;
struct ServerSettings;
class QThread;
struct Session;
class TaskProgress;

// Backup, restore and clear of the database file (on a database server:
// of the server's database, through ServerMaintenance).
//
// A backup copies the live file under a transaction of its own, with the
// write-ahead log emptied into the file first, so it is one committed state
// even while another program writes. Restore and
// clear close the store before they replace the file (the main window
// reopens it; so does record()). Copies arrive complete or not at all
// (FileOps::copy). A new backup is renamed into place only once the live
// file passed the schema and quick checks (VerifiedCopy), and the backup to
// restore must match its manifest or pass the full database check. At every
// step either the live database or its roll-back copy is on disk; a
// database moves and goes together with its journal (DatabaseFile), and the
// data a restore or clear replaced joins the generations. A run cut short
// is finished or undone at the next start (InterruptedRun); a roll-back
// copy still found here is moved aside to a name with a time stamp and
// kept, never overwritten or deleted.
//
// No method shows anything or needs the GUI thread: the outcome says what
// to show. The store is touched only on the thread that owns it (the one
// that made this object): record() writes there, and releaseStore() closes
// the store there before a restore or a clear is handed to a worker.
class DataMaintenance
{
public:
    static const QString kNoBackupYet;          // 当前没有备份数据，请注意备份！
    static const QString kCurrentBackupHeading; // 当前备份数据最后备份时间为：
    static const QString kBackupDoneHeading;    // 备份成功，最后备份时间：
    static const QString kKeptBackupHeading;    // 最后备份时间：
    static const QString kRestoreDoneHeading;   // 还原成功，恢复的版本时间为：
    static const QString kSourceMissing;
    static const QString kBackupRolledBack;
    static const QString kBackupFailed;
    static const QString kBackupRollbackFailed;
    static const QString kOldBackupNotRemoved;

    static const QString kRestorePrompt;
    static const QString kRestoreTitle; // 危险操作警告
    static const QString kRestoreRefused;
    static const QString kNoBackupToRestore;
    static const QString kBackupDamaged;
    static const QString kRestoreFailed;
    static const QString kRestoreRolledBack;
    static const QString kRestoreRollbackFailed;
    static const QString kOldLiveNotRemoved;
    static const QString kDataKeptAt; // %1: where the live database was kept
    // A journal or log lay beside the restored backup.
    static const QString kBesideNotUsed;

    static const QString kTemplateDamaged;
    static const QString kClearPrompt;
    static const QString kClearTitle; // 严重危险操作警告
    static const QString kClearRefused;
    static const QString kTemplateMissing;
    static const QString kCleared;
    static const QString kClearFailed;
    static const QString kClearLostLive;

    static const QString kNotSynced; // a folder could not be flushed to disk
    static const QString kNotLogged; // the audit row could not be written

    static const QString kLeftoverKept;  // %1 kept as %2
    static const QString kLeftoverStuck; // %1 could not be moved aside

    // What the screen shows after an operation: message boxes in order, then
    // the new status text (when it changes), then the end of the program.
    struct Outcome
    {
        QStringList messages;
        std::optional<QString> status;
        bool endProgram = false;
        int endCode = 0;
        // Set when the operation succeeded: its row of the audit log.
        struct Logged
        {
            QString kind;
            QString detail;
        };
        std::optional<Logged> logged;
    };

    // server: the database server the store is on (the operations then
    // work on the server, see ServerMaintenance); null for the file.
    DataMaintenance(Database &store, DataFiles paths, const Session &session, FileOps &files,
                    const ServerSettings *server = nullptr);
    ~DataMaintenance();

    // Creates the backup folder when missing and returns the status text.
    QString activate();
    Outcome backup();
    // typed: the password the operator answered ("" for Cancel); source: the
    // backup to put back (backup.mdb when empty). A file from outside the
    // backup folder always gets the full checks, whatever its manifest says.
    Outcome restore(const QString &typed, const QString &source = {}, bool fromOutside = false);
    // On the store's thread, before restore() or clear() runs on another:
    // when the typed password confirms, closes the store, as they replace
    // the live file. Run on the store's own thread, they close it themselves.
    void releaseStore(const QString &typed);

    // Before the password is asked: the template of the wrong size ends the
    // program at once.
    std::optional<Outcome> checkTemplate();
    Outcome clear(const QString &typed);
    // 另存备份: a verified copy with its manifest in the chosen folder.
    Outcome saveCopy(const QString &folder);

    // Writes the outcome's audit row, if it has one, on the store's own
    // thread once the operation is over. After a restore or a clear the row
    // goes into the file that is live now: the store is opened on it first
    // (and closed again when the program is to end). A row that cannot be
    // written adds a message; the operation stays done.
    void record(Outcome &outcome);

    // Heading, a line break, and the backup file's modification time.
    QString statusLine(const QString &heading);

    // Where the operations report how far they have come (none when null).
    void setProgress(TaskProgress *progress) { m_progress = progress; }

private:
    // Closes the store when called on its thread; elsewhere it must be
    // closed already (releaseStore()).
    void closeStore();
    // Moves a leftover roll-back copy aside; false when it is still in the way.
    bool setAside(const QString &path, Outcome &outcome);
    // Why the file cannot serve as a database of this program ("" if it can).
    QString problemWith(const QString &path);
    // Removes a damaged copy and puts the roll-back copy back in its place.
    bool rollBack(const QString &rollback, const QString &target);
    // The audit detail of a restore: which backup, and when it was taken.
    QString restoredFrom(const QString &source, bool fromOutside,
                         const VerifiedCopy::Verdict &verdict);
    // The live database a restore or clear replaced joins the generations,
    // marked. When it cannot, it stays where it is and the returned message
    // says so ("" when it was moved).
    QString retire(const QString &old, BackupKind kind);
    // Reports a folder that could not be flushed after the operation.
    void noteSync(Outcome &outcome);
    // Before a restore moves the live file: its audit log, whose rows
    // since the backup recordRestore() carries into the restored data.
    void keepLiveAuditLog();
    // The restore's transaction on the restored data: the kept rows newer
    // than its own log, then the restore's row. Throws StoreError.
    void recordRestore(const QString &detail);

    Database &m_store;
    DataFiles m_paths;
    const Session &m_session;
    FileOps &m_files;
    TaskProgress *m_progress = nullptr;
    QThread *m_storeThread;
    QList<AuditLog::Row> m_liveAuditLog;
    std::unique_ptr<ServerMaintenance> m_server;
};
