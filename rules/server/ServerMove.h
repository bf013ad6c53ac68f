#pragma once

#include "base/Money.h"

#include <QString>
#include <QStringList>
#include <functional>

class Database;
class QTextStream;

// Moves a shop's database file onto a database server: every table of the
// file (members, administrators and their roles, the commission, the cash
// log, the settings, the ledger's accounts and entries, the audit log, the
// operation numbers) into an empty server database, in one transaction.
// Before the commit the server's copy is reconciled with the file: the rows
// of each table, the sums of the balances and of the consumption totals,
// and the ledger's sums. Any difference rolls the whole move back.
class ServerMove
{
public:
    // The tables moved, in an order that keeps every row's references
    // behind it.
    static const QStringList &tables();

    // What both sides hold, as the reconciliation compares them.
    struct Totals
    {
        QList<qint64> rows; // one count per table, in tables() order
        Money balances;
        Money consumption;
        qint64 ledgerAmounts = 0; // fen
        qint64 ledgerBalanceChanges = 0;
        qint64 ledgerConsumptionChanges = 0;
        qint64 ledgerCountChanges = 0;
        bool operator==(const Totals &) const = default;
    };

    // file and server are open; progress lines go to out.
    ServerMove(Database &file, Database &server, QTextStream &out);

    // Runs the move. Returns an empty text when the move is committed, or
    // why nothing was moved.
    QString run();

    // Called inside the move's transaction after the copy and before the
    // reconciliation (the tests change the copy there to see it refused).
    void setBeforeReconcile(std::function<void(Database &server)> hook)
    {
        m_beforeReconcile = std::move(hook);
    }

    // The totals of a database, read by its own statements.
    static Totals totalsOf(Database &store);

    static const QString kNotEmpty;
    static const QString kDifferent;
    static const QString kMoved;

private:
    // Whether the server holds nothing but what a new database holds (the
    // built-in administrator and the numbers of the actions that made it).
    bool serverIsEmpty();
    // Copies one table; returns the rows copied.
    qint64 copyTable(const QString &table);
    void printTotals(const Totals &file, const Totals &server);

    Database &m_file;
    Database &m_server;
    QTextStream &m_out;
    std::function<void(Database &)> m_beforeReconcile;
};
