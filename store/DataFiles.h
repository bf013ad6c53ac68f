#pragma once

#include <QString>

// Every file the program uses, addressed relative to the data folder: the
// folder that holds the executable, or the user's data folder when the
// program is installed (see DataFolder).
class DataFiles
{
public:
    explicit DataFiles(QString programFolder);

    QString folder() const { return m_folder; }
    QString liveDatabase() const;   // table.mdb
    QString blankTemplate() const;  // zero.mdb
    QString liveRollback() const;   // tableold.mdb
    QString restoreStaging() const; // tablenew.mdb: a backup's copy on its way in
    QString backupFolder() const;   // backup
    QString backupDatabase() const; // backup/backup.mdb
    QString backupRollback() const; // backup/backupold.mdb
    QString exportWorkbook() const; // 会员数据导出.xls

    // True when the path names a regular, non-hidden file.
    static bool isPresent(const QString &path);

    // Byte size of the delivered blank template; a template of any other size
    // is treated as damaged by the clear-data operation.
    static const qint64 kBlankTemplateSize;

private:
    QString m_folder;
};
