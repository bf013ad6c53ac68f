#include "rules/members/MemberListModel.h"

#include "base/Clock.h"
#include "base/Formats.h"
#include "base/StoreError.h"
#include "rules/members/MemberSearch.h"
#include "store/Schema.h"

#include <algorithm>

MemberListModel::MemberListModel(Database &store, QObject *parent)
    : QAbstractTableModel(parent), m_store(store)
{
}

QList<qint64> MemberListModel::idsAfter(qint64 afterId) const
{
    MemberTable members(m_store);
    return m_byPart ? MemberSearch::idsByPart(members, m_value, afterId, kFetchRows)
                    : members.idsAfter(afterId, kFetchRows, m_key, m_value);
}

void MemberListModel::show(std::optional<MemberTable::Key> key, const QString &value)
{
    const QList<qint64> first = MemberTable(m_store).idsAfter(0, kFetchRows, key, value);
    beginResetModel();
    m_key = key;
    m_value = value;
    m_byPart = false;
    reset(first);
    endResetModel();
}

void MemberListModel::showPart(const QString &part)
{
    MemberTable members(m_store);
    const QList<qint64> first = MemberSearch::idsByPart(members, part, 0, kFetchRows);
    beginResetModel();
    m_key.reset();
    m_value = part;
    m_byPart = true;
    reset(first);
    endResetModel();
}

void MemberListModel::reset(const QList<qint64> &first)
{
    m_shown = true;
    m_ids = first;
    m_lastFetched = first.isEmpty() ? 0 : first.last();
    m_more = first.size() == kFetchRows;
    m_failed = false;
    m_cache.clear();
}

void MemberListModel::clear()
{
    beginResetModel();
    m_shown = false;
    m_key.reset();
    m_value.clear();
    m_byPart = false;
    m_ids.clear();
    m_lastFetched = 0;
    m_more = false;
    m_failed = false;
    m_cache.clear();
    endResetModel();
}

bool MemberListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_more && !m_failed;
}

void MemberListModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    QList<qint64> next;
    try {
        next = idsAfter(m_lastFetched);
    } catch (const StoreError &e) {
        failed(e.text());
        return;
    }
    m_more = next.size() == kFetchRows;
    if (next.isEmpty())
        return;
    m_lastFetched = next.last();
    beginInsertRows({}, int(m_ids.size()), int(m_ids.size() + next.size() - 1));
    m_ids += next;
    endInsertRows();
}

void MemberListModel::failed(const QString &detail) const
{
    if (m_failed)
        return;
    m_failed = true;
    Q_EMIT const_cast<MemberListModel *>(this)->loadFailed(detail);
}

const MemberListModel::Row &MemberListModel::cached(int row) const
{
    const qint64 id = m_ids.at(row);
    if (const Row *r = m_cache.object(id))
        return *r;
    // Read the page around the row; ids that come back without a row (or all
    // of them, when reading fails) are cached with only their id.
    const int start = row - row % kPageRows;
    const QList<qint64> page = m_ids.mid(start, kPageRows);
    QList<Member> rows;
    if (!m_failed) {
        try {
            rows = MemberTable(m_store).byIds(page);
        } catch (const StoreError &e) {
            failed(e.text());
        }
    }
    QHash<qint64, Member> found;
    for (const Member &m : std::as_const(rows))
        found.insert(m.id, m);
    for (qint64 pageId : page) {
        auto *r = new Row;
        const auto it = found.constFind(pageId);
        r->present = it != found.cend();
        r->member = r->present ? *it : Member{};
        r->member.id = pageId;
        m_cache.insert(pageId, r);
    }
    return *m_cache.object(id);
}

Member MemberListModel::member(int row) const
{
    if (row < 0 || row >= m_ids.size())
        return {};
    return cached(row).member;
}

int MemberListModel::rowOf(qint64 id) const
{
    const auto it = std::lower_bound(m_ids.cbegin(), m_ids.cend(), id);
    return it != m_ids.cend() && *it == id ? int(it - m_ids.cbegin()) : -1;
}

void MemberListModel::removeIds(const QList<qint64> &ids)
{
    QList<int> rows;
    for (qint64 id : ids) {
        const int row = rowOf(id);
        if (row >= 0)
            rows << row;
        m_cache.remove(id);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Remove runs of neighbouring rows from the bottom up, so the rows still
    // to go keep their numbers.
    for (qsizetype end = rows.size(); end > 0;) {
        qsizetype begin = end - 1;
        while (begin > 0 && rows.at(begin - 1) == rows.at(begin) - 1)
            --begin;
        const int first = rows.at(begin);
        const int last = rows.at(end - 1);
        beginRemoveRows({}, first, last);
        m_ids.remove(first, last - first + 1);
        endRemoveRows();
        end = begin;
    }
}

void MemberListModel::update(const Member &member)
{
    const int row = rowOf(member.id);
    if (row < 0)
        return;
    m_cache.insert(member.id, new Row{member, true});
    Q_EMIT dataChanged(index(row, 1), index(row, kColumns - 1), {Qt::DisplayRole});
}

int MemberListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

int MemberListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_shown ? 0 : kColumns;
}

QString MemberListModel::cellText(const Member &m, int column)
{
    switch (column) {
    case 1:
        return m.name;
    case 2:
        return m.sex;
    case 3:
        return m.phone;
    case 4:
        return m.consumed.toStringWithCents();
    case 5:
        return m.referrer;
    case 6:
        return m.referrerPhone;
    case 7:
        return QString::number(m.consumptions);
    case 8:
        return m.balance.toStringWithCents();
    case 9:
        return Formats::shortDate(m.registered);
    default:
        return {};
    }
}

namespace {

// The amounts and the count of consumptions.
constexpr bool isNumberColumn(int column)
{
    return column == 4 || column == 7 || column == 8;
}

} // namespace

QVariant MemberListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_ids.size())
        return {};
    if (role == Qt::TextAlignmentRole && isNumberColumn(index.column()))
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    if (role != Qt::DisplayRole)
        return {};
    const Row &row = cached(index.row());
    if (!row.present)
        return QString();
    return cellText(row.member, index.column());
}

QVariant MemberListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section == 0)
        return QStringLiteral("表头");
    if (section > 0 && section < kColumns)
        return Schema::kMemberColumns.at(section - 1);
    return {};
}
