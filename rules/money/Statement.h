#pragma once

#include "store/Ledger.h"
#include "store/Member.h"
#include "workbook/TableExport.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class Database;

// A member's statement: his ledger entries as the statement screen lists and
// exports them, and the totals of the listed rows.
namespace Statement {

inline const QString kAllKinds = QStringLiteral("全部");
inline const QString kNoMember = QStringLiteral("请先输入会员名或手机号查询会员！");
inline const QString kNotFound = QStringLiteral("查无此人，请检查是否输入有误！");
inline const QString kExported = QStringLiteral("流水已导出到 ");
inline const QString kExportFailed = QStringLiteral("流水导出失败！");

// The kinds the statement filters by, "all kinds" first.
QStringList kinds();
QStringList headers();
// The columns of headers() that name the entry's kind and its linked entry.
inline constexpr int kKindColumn = 4;
inline constexpr int kLinkedColumn = 11;

// A reversed entry and its reversal name each other: entry number -> the
// number of the entry that reversed it.
using Reversals = QHash<qint64, qint64>;
inline const QString kReversedMark = QStringLiteral("（已撤销）");

// The entry this one links to: for a reversed entry its reversal, else the
// one it reverses or the consumption that earned it; 0 when none.
qint64 linkedEntry(const Ledger::Entry &entry, const Reversals &reversals);
// The cells of one entry as texts, in the order of headers(); a reversed
// entry's kind carries kReversedMark.
QStringList cells(const Ledger::Entry &entry, const Reversals &reversals = {});
// Told when the linked entry is not among those the filters list.
QString linkedNotListed(qint64 linked);

struct Totals
{
    int rows = 0;
    Money balance;  // sum of the balance changes
    Money consumed; // sum of the consumption changes
    qint64 consumptions = 0;
};
Totals totals(const QList<Ledger::Entry> &entries);
QString totalsText(const Totals &totals);

// The statement a screen at a time: a long account is never read whole to
// show its newest entries. A kind of kAllKinds or empty shows every kind.
inline constexpr int kPageRows = 50;
struct Page
{
    QList<Ledger::Entry> entries; // newest first
    bool more = false;            // older entries follow the last one
    Reversals reversals;          // of the entries listed
};
struct FirstScreen
{
    Page page;
    Totals totals; // of every entry of the statement, not only the page
};
FirstScreen firstScreen(Database &store, qint64 account, const QDate &from, const QDate &to,
                        const QString &kind, int rows = kPageRows);
// The entries after the last one shown, lastShown being its entry number.
Page nextPage(Database &store, qint64 account, const QDate &from, const QDate &to,
              const QString &kind, qint64 lastShown, int rows = kPageRows);

// The member whose statement is shown and his account, read without writing
// anything: a member another tool added has no account yet (0), and so no
// entries. nullopt when no member has this row id.
struct Holder
{
    Member member;
    qint64 account = 0;
};
std::optional<Holder> holder(Database &store, qint64 memberId);
// The member the name or phone (or both) finds, as the consumption screen
// finds him.
std::optional<Member> find(Database &store, const QString &name, const QString &phone);
// The member who owns the account; nullopt once he is deleted.
std::optional<qint64> memberOf(Database &store, qint64 account);
// Every entry of the statement, not only a page of it.
QList<Ledger::Entry> all(Database &store, qint64 account, const QDate &from, const QDate &to,
                         const QString &kind);
// Reads every entry of the statement (a filter with an empty kind holds
// every kind) and writes them to an .xls workbook: for a thread of its own,
// with a store of that thread. Throws StoreError when the database fails.
TableExport::Written exportTo(Database &store, const Ledger::Filter &filter, const QString &path);
// The same through a connection of the calling thread to the store's file
// (the store itself is not touched).
TableExport::Written exportAlongside(const Database &store, const Ledger::Filter &filter,
                                     const QString &path);

} // namespace Statement
