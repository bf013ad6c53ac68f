#pragma once

#include "store/Ledger.h"
#include "store/Member.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class MemberStore;

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
// The cells of one entry as texts, in the order of headers().
QStringList cells(const Ledger::Entry &entry);

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
};
struct FirstScreen
{
    Page page;
    Totals totals; // of every entry of the statement, not only the page
};
FirstScreen firstScreen(MemberStore &store, qint64 account, const QDate &from, const QDate &to,
                        const QString &kind, int rows = kPageRows);
// The entries after the last one shown, lastShown being its entry number.
Page nextPage(MemberStore &store, qint64 account, const QDate &from, const QDate &to,
              const QString &kind, qint64 lastShown, int rows = kPageRows);

// The member whose statement is shown and his account, read without writing
// anything: a member another tool added has no account yet (0), and so no
// entries. nullopt when no member has this row id.
struct Holder
{
    Member member;
    qint64 account = 0;
};
std::optional<Holder> holder(MemberStore &store, qint64 memberId);
// The member the name or phone (or both) finds, as the consumption screen
// finds him.
std::optional<Member> find(MemberStore &store, const QString &name, const QString &phone);
// The member who owns the account; nullopt once he is deleted.
std::optional<qint64> memberOf(MemberStore &store, qint64 account);
// Every entry of the statement, not only a page of it.
QList<Ledger::Entry> all(MemberStore &store, qint64 account, const QDate &from, const QDate &to,
                         const QString &kind);

// Writes the entries to an .xls workbook; empty on success, else why not.
QString exportTo(const QString &path, const QList<Ledger::Entry> &entries);

} // namespace Statement
