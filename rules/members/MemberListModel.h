#pragma once

#include "store/MemberTable.h"

#include <QAbstractTableModel>
#include <QCache>
#include <QList>
#include <optional>

class Database;

// The member list of the search screen: column 0 is the fixed column headed
// "表头", columns 1 to 9 are the columns of 会员登记 in table order.
//
// Only the ids of the listed members are held, fetched in chunks as the view
// scrolls (fetchMore); the rows themselves are read a page at a time into a
// small cache when they are drawn. A list of a million members therefore
// costs a few megabytes and opens as fast as a list of ten.
class MemberListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kColumns = 10;
    static constexpr int kFetchRows = 1024; // ids read per fetchMore
    static constexpr int kPageRows = 64;    // rows read together for drawing
    static constexpr int kCachedRows = 2048;

    explicit MemberListModel(Database &store, QObject *parent = nullptr);

    // Lists every member (no key), or the members whose key column equals
    // value, in registration order; the first chunk is read at once. Throws
    // StoreError, leaving the list as it was.
    void show(std::optional<MemberTable::Key> key = std::nullopt, const QString &value = {});
    // Lists the members whose name contains part or whose phone ends in it
    // (see MemberSearch::idsByPart). Throws StoreError, leaving the list as it
    // was.
    void showPart(const QString &part);
    // An empty grid without columns, as before the first search.
    void clear();

    // The member shown in a row (read from the database when not cached). A
    // row whose member could not be read has only its id set.
    Member member(int row) const;
    // The row that shows the member with this id, or -1.
    int rowOf(qint64 id) const;
    // Takes these members out of the list.
    void removeIds(const QList<qint64> &ids);
    // Shows new values for a listed member.
    void update(const Member &member);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent = {}) const override;
    void fetchMore(const QModelIndex &parent = {}) override;

    // The text a cell shows.
    static QString cellText(const Member &member, int column);

Q_SIGNALS:
    // Reading the database failed while the view drew or scrolled; the list
    // stops reading until the next show().
    void loadFailed(const QString &detail);

private:
    struct Row
    {
        Member member;
        bool present = false; // false: could not be read, shown empty
    };
    const Row &cached(int row) const;
    QList<qint64> idsAfter(qint64 afterId) const;
    void reset(const QList<qint64> &first);
    void failed(const QString &detail) const;

    Database &m_store;
    bool m_shown = false;
    std::optional<MemberTable::Key> m_key;
    QString m_value;
    bool m_byPart = false;
    QList<qint64> m_ids; // ascending
    qint64 m_lastFetched = 0;
    bool m_more = false;
    mutable bool m_failed = false;
    mutable QCache<qint64, Row> m_cache{kCachedRows};
};
