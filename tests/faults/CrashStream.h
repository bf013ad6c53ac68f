#pragma once

#include "base/Money.h"
#include "store/MemberTable.h"

#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// A reproducible stream of shop actions for the crash test. The worker runs
// it through the program's rules on a real file; the test replays it on a
// plain model of the tables and compares. Everything an action does follows
// from the seed and the members registered before it, so the state after
// any number of steps can be computed without the database.
namespace CrashStream {

struct Person
{
    QString name;
    QString phone;
};

struct Action
{
    enum class Kind { Consume, Recharge, Register } kind = Kind::Consume;
    enum class Key { Name, Phone, Both } key = Key::Name;

    int member = 0;      // Consume, Recharge: index in registration order
    bool cash = false;   // Consume: paid in cash instead of from the balance
    bool offset = false; // Recharge: takes the amount back
    qint64 yuan = 0;     // Consume, Recharge

    Person newcomer; // Register
    QString sex;
    QString referrer;
    QString referrerPhone;
};

// A generator seeded with all 64 bits of seed.
QRandomGenerator seeded(quint64 seed);

// The date every registration of the stream carries, and the time of every
// cash row.
QDateTime fixedNow();

// The boxes a lookup by this key fills: name, phone, or both.
QString nameBox(const Action &a, const Person &p);
QString phoneBox(const Action &a, const Person &p);

class Generator
{
public:
    Generator(quint64 seed, QList<Person> people);

    // The next action. A registration adds its newcomer to people() at once:
    // it never fails, as names and phones of newcomers are unique.
    Action next();
    const QList<Person> &people() const { return m_people; }

private:
    int anyone() { return int(m_rng.bounded(quint32(m_people.size()))); }
    Action::Key anyKey() { return Action::Key(m_rng.bounded(3)); }

    QRandomGenerator m_rng;
    QList<Person> m_people;
};

// The tables as the stream leaves them: members in registration order and
// the amounts of the cash rows.
struct Tables
{
    QList<Member> members;
    QStringList cash;

    QList<Person> people() const;
};

// What one consumption earns the referrer: a fixed sum, or a percentage.
struct Rate
{
    qint64 fixedYuan = 0;
    qint64 percent = 0;
};

// Applies one action the way the shop's rules should; returns false when
// the action is refused (a balance that does not cover a payment or an
// offset) and leaves the tables unchanged then.
bool apply(Tables &tables, const Rate &rate, const Action &action);

// The first difference between two states (row ids aside), for a failure
// message; empty when they are equal.
QString difference(const Tables &expected, const Tables &actual);

} // namespace CrashStream
