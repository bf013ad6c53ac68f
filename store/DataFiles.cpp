#include "store/DataFiles.h"

#include <QDir>
#include <QFileInfo>

DataFiles::DataFiles(QString programFolder) : m_folder(QDir::cleanPath(std::move(programFolder))) {}

QString DataFiles::liveDatabase() const
{
    return m_folder + QStringLiteral("/table.mdb");
}
QString DataFiles::blankTemplate() const
{
    return m_folder + QStringLiteral("/zero.mdb");
}
QString DataFiles::liveRollback() const
{
    return m_folder + QStringLiteral("/tableold.mdb");
}
QString DataFiles::restoreStaging() const
{
    return m_folder + QStringLiteral("/tablenew.mdb");
}
QString DataFiles::backupFolder() const
{
    return m_folder + QStringLiteral("/backup");
}
QString DataFiles::backupDatabase() const
{
    return backupFolder() + QStringLiteral("/backup.mdb");
}
QString DataFiles::backupRollback() const
{
    return backupFolder() + QStringLiteral("/backupold.mdb");
}
QString DataFiles::exportWorkbook() const
{
    return m_folder + QStringLiteral("/会员数据导出.xls");
}

bool DataFiles::isPresent(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isHidden();
}

// The size of data/zero.mdb as delivered; a test compares the two.
const qint64 DataFiles::kBlankTemplateSize = 139264;
