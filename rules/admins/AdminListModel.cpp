#include "rules/admins/AdminListModel.h"

#include "store/Database.h"

void AdminListModel::reload(Database &store)
{
    beginResetModel();
    m_rows.clear();
    try {
        m_rows = AdminTable(store).listWithoutPasswords();
    } catch (...) {
        endResetModel();
        throw;
    }
    for (Admin &a : m_rows)
        a.passwordHash.clear();
    endResetModel();
}

int AdminListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int AdminListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AdminListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const Admin &a = m_rows.at(index.row());
    switch (index.column()) {
    case NameColumn:
        return a.name;
    case RemarkColumn:
        return a.remark;
    default:
        return QString();
    }
}

QVariant AdminListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case HeaderColumn:
        return QStringLiteral("表头");
    case NameColumn:
        return QStringLiteral("管理员名字");
    case PasswordColumn:
        return QStringLiteral("密码");
    case RemarkColumn:
        return QStringLiteral("备注");
    default:
        return {};
    }
}
