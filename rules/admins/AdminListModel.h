#pragma once

#include "store/AdminTable.h"

#include <QAbstractTableModel>
#include <QList>

class Database;

// The rows of the administrator list. Column 0 is the fixed header column,
// then 管理员名字, 密码 and 备注. The password column exists so the grid
// keeps the table's columns, but it is always empty: password hashes are
// never loaded into the list.
class AdminListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { HeaderColumn, NameColumn, PasswordColumn, RemarkColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // Reloads every administrator. Throws StoreError when the database fails;
    // the list is then empty.
    void reload(Database &store);

    // The row as loaded (its password hash is always empty).
    const Admin &admin(int row) const { return m_rows.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<Admin> m_rows;
};
