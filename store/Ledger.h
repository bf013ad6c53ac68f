#pragma once

#include "base/Money.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class Database;
struct Member;

// 账户流水: one row per change of a member's money, written by the caller
// inside the transaction of the action it records. Amounts are in fen.
// Every method throws StoreError when the database fails.
class Ledger
{
public:
    explicit Ledger(Database &store) : m_store(store) {}

    // The kinds of entry.
    static inline const QString kBalanceConsumption = QStringLiteral("余额消费");
    static inline const QString kCashConsumption = QStringLiteral("现金消费");
    static inline const QString kRecharge = QStringLiteral("充值");
    static inline const QString kOffset = QStringLiteral("冲减");
    static inline const QString kCommission = QStringLiteral("推荐提成");
    static inline const QString kReversedConsumption = QStringLiteral("撤销消费");
    static inline const QString kReversedCommission = QStringLiteral("撤销提成");
    static inline const QString kDeleted = QStringLiteral("删除会员");
    static inline const QString kOpening = QStringLiteral("期初");
    static const QStringList &kinds();

    // What an entry changes in the member's row.
    struct Change
    {
        Money balance;
        Money consumed;
        qint64 consumptions = 0;
    };

    struct Entry
    {
        qint64 number = 0;
        // As stored, "yyyy-MM-dd HH:mm:ss" (timeText()): shown and exported
        // as it is, never through the local time zone.
        QString time;
        qint64 account = 0;
        QString name;
        QString phone;
        QString kind;
        Money amount;
        Change change;
        Money balanceAfter;
        QString admin;
        qint64 linked = 0; // 0: none
        QString note;
    };

    // The account of the member with this row id, opened (an insert, without
    // an opening entry) when he has none: a member added by another tool.
    qint64 ensureAccount(qint64 memberId);
    // The account of the member with this row id, read only: nullopt when he
    // has none yet.
    std::optional<qint64> findAccount(qint64 memberId);
    // The row id of the account's member; nullopt once he is deleted.
    std::optional<qint64> memberOf(qint64 account);
    // Opens an account for a newly inserted member; an account still naming
    // the same row (a member deleted by another tool) lets go of it first.
    qint64 openAccount(qint64 memberId);
    // Writes the deletion entry that brings the account to zero, and closes it.
    void close(const Member &member);

    // Adds an entry for the member as he is after the change (his balance
    // there is the balance after); returns its number. The administrator is
    // the store's operator.
    qint64 add(const Member &after, const QString &kind, Money amount, const Change &change,
               qint64 linked = 0, const QString &note = {});

    std::optional<Entry> entry(qint64 number);
    // The entries that name this one as their linked entry, oldest first.
    QList<Entry> linkedTo(qint64 number);

    // The entries of an account, newest first, between from and to (both
    // days included; an invalid date leaves that end open), of one kind or
    // every kind (empty).
    QList<Entry> statement(qint64 account, const QDate &from, const QDate &to,
                           const QString &kind = {});

    // The same statement read a screen at a time, for accounts with more
    // entries than a screen shows.
    struct Filter
    {
        qint64 account = 0;
        QDate from;   // invalid: open
        QDate to;     // invalid: open
        QString kind; // empty: every kind
    };
    // Up to limit entries of the statement, newest first, that come after
    // entry `after` in it (older ones); 0 starts at the newest.
    QList<Entry> statementPage(const Filter &filter, qint64 after, int limit);
    // The number of entries of the whole statement and the sums of their
    // changes, summed by SQLite over the integer fen.
    struct Sums
    {
        qint64 rows = 0;
        Change change;
    };
    // The whole statement, newest first, an entry at a time, without holding
    // it all; stops early when visit returns false.
    void forEachInStatement(const Filter &filter, const std::function<bool(const Entry &)> &visit);
    Sums statementSums(const Filter &filter);

    // A member whose row differs from the sums of his account.
    struct Difference
    {
        qint64 memberId = 0;
        QString name;
        QString phone;
        Change stored;           // balance, consumption total and count in 会员登记
        Change ledger;           // their sums in the ledger
        bool unreadable = false; // 余额 or 消费金额 is not a number
    };
    // Every member whose balance, consumption total or count differs from
    // his ledger, in registration order. Changes nothing.
    QList<Difference> reconcile();
    // The comparison reconcile() runs on an engine: the candidates, rowid
    // first.
    static QString reconcileSelect(const class Engine &engine);

    static QString timeText(const QDateTime &time);
    // A stored time read back as local time; invalid when it is no such text.
    static QDateTime timeOf(const QString &text);

private:
    Database &m_store;
};
