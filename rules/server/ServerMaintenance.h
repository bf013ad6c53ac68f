#pragma once

#include "rules/backup/AutoBackups.h"
#include "rules/backup/DataMaintenance.h"
#include "store/ServerSettings.h"

#include <functional>

// Backup, restore and clear when the shop's database is on a server; the
// backup screen reaches them through DataMaintenance.
//
// A backup is the server's own archive of the whole database (pg_dump's
// custom format) in backup/backup.dump, with a manifest as a file's backup
// has (its digest, members and total balance). The automatic generations
// are such archives in backup/auto/, named, kept and pruned as a file's
// (AutoBackups with the suffix "dump"); the database a restore or a clear
// replaces is archived there first, under the maintenance lock. A restore
// puts an archive back with pg_restore in one transaction, and a clear
// empties every table and seeds the built-in admin again in one
// transaction. While
// either runs, this till holds the maintenance lock: the other tills'
// actions are refused with "数据库正在维护，请稍后再试！", and none writes
// into a half-restored database. Each runs on a connection of its own, made
// on the thread it runs on; its audit row is written there, before the
// lock goes, and names the till.
class ServerMaintenance
{
public:
    // Runs a tool of the server (pg_dump, pg_restore) with the arguments;
    // returns an empty text on success, else what went wrong.
    using Tool = std::function<QString(const QString &program, const QStringList &arguments)>;

    ServerMaintenance(ServerSettings server, DataFiles paths, const Session &session,
                      QString operatorName);

    static QString archiveOf(const DataFiles &paths); // backup/backup.dump

    // An automatic generation of the server's database in backup/auto/;
    // when free space is short the oldest generations make room, as for a
    // file.
    AutoBackups::Result takeGeneration();
    // Reads the whole archive back (pg_restore into no database): empty
    // when every part of it can be read, else what went wrong.
    QString checkArchive(const QString &path) const;

    QString activate();
    DataMaintenance::Outcome backup();
    // source: an archive (backup.dump when empty).
    DataMaintenance::Outcome restore(const QString &typed, const QString &source = {});
    DataMaintenance::Outcome clear(const QString &typed);
    // 另存备份: the archive and its manifest copied into folder.
    DataMaintenance::Outcome saveCopy(const QString &folder);

    // The tools as a test wants them; by default they run as processes.
    void setTool(Tool tool) { m_tool = std::move(tool); }
    static QString runProcess(const QString &program, const QStringList &arguments);

    static const QString kDumpFailed;
    // The archive of the day could not be read back (the tool's words follow).
    static const QString kGenerationUnreadable;
    // A file chosen to restore that is not an archive of pg_dump (a
    // database file of a single shop, say).
    static const QString kNotAServerBackup;

private:
    QString statusLine(const QString &heading) const;
    // Archives the database into target with its manifest, counting members
    // and balances on store; an empty text on success.
    // A manifest that could not be written leaves the archive unverified,
    // and note says so.
    QString dump(Database &store, const QString &target, BackupKind kind, QString *note);
    // Under the maintenance lock: the database a restore or a clear is
    // about to replace, archived among the generations.
    QString keepAside(Database &store, BackupKind kind);

    ServerSettings m_server;
    DataFiles m_paths;
    const Session &m_session;
    QString m_operator;
    Tool m_tool;
};
