#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class Database;

// What must hold in a shop's database however many tills wrote to it, and
// however often they were cut off or killed. Each check returns the broken
// ones in words; empty when all hold.
namespace Invariants {

// Every member's balance, consumption total and count equal the sums of his
// ledger; every entry changes the balance as its kind says; all balances
// together equal recharges − offsets − balance consumptions + commissions −
// reversals; no operation number is stored twice.
QStringList books(Database &store);

// What the tills said of their actions, by kind (tillworker's kinds).
struct Reported
{
    QStringList operations; // of the actions done
    QHash<QString, int> done;
    QHash<QString, int> failed; // failed, or cut short by a kill
};

// Every action reported done is stored, once; of every kind the database
// holds no fewer entries than were done and no more than were done or may
// have been (failed). `before` are the entries of each kind already there.
QStringList reported(Database &store, const Reported &tills, const QHash<QString, int> &before);

// The entries of each kind of action (tillworker's kinds) in the database.
QHash<QString, int> entries(Database &store);

} // namespace Invariants
