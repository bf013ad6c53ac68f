#include "CrashStream.h"

#include <QDateTime>

namespace CrashStream {

QDateTime fixedNow()
{
    return QDateTime(QDate(2026, 3, 4), QTime(9, 30, 0));
}

QString nameBox(const Action &a, const Person &p)
{
    return a.key == Action::Key::Phone ? QString() : p.name;
}

QString phoneBox(const Action &a, const Person &p)
{
    return a.key == Action::Key::Name ? QString() : p.phone;
}

QString cashRow(const QString &date, const QString &name, const QString &amount)
{
    return date + QLatin1Char('|') + name + QLatin1Char('|') + amount;
}

QRandomGenerator seeded(quint64 seed)
{
    const quint32 words[] = {quint32(seed), quint32(seed >> 32)};
    return QRandomGenerator(words, 2);
}

Generator::Generator(quint64 seed, QList<Person> people)
    : m_rng(seeded(seed)), m_people(std::move(people))
{
}

Action Generator::next()
{
    Action a;
    const quint32 roll = m_rng.bounded(100);
    if (roll < 50) {
        a.kind = Action::Kind::Consume;
        a.member = anyone();
        a.key = anyKey();
        a.cash = m_rng.bounded(2) == 0;
        a.yuan = 1 + m_rng.bounded(150);
        return a;
    }
    if (roll < 80) {
        a.kind = Action::Kind::Recharge;
        a.member = anyone();
        a.key = anyKey();
        a.offset = m_rng.bounded(5) == 0;
        a.yuan = 1 + m_rng.bounded(a.offset ? 300 : 500);
        return a;
    }
    a.kind = Action::Kind::Register;
    const int n = int(m_people.size());
    a.newcomer = {QStringLiteral("会员%1").arg(n),
                  QStringLiteral("139%1").arg(n, 8, 10, QLatin1Char('0'))};
    a.sex = m_rng.bounded(2) == 0 ? QStringLiteral("男") : QStringLiteral("女");
    const Person &referrer = m_people.at(anyone());
    const Person &other = m_people.at(anyone());
    switch (m_rng.bounded(6)) {
    case 0: // by name, in any letter case
        a.referrer = m_rng.bounded(2) == 0 ? referrer.name : referrer.name.toUpper();
        break;
    case 1:
        a.referrerPhone = referrer.phone;
        break;
    case 2:
        a.referrer = referrer.name;
        a.referrerPhone = referrer.phone;
        break;
    case 3: // the name decides
        a.referrer = referrer.name;
        a.referrerPhone = other.phone;
        break;
    case 4: // a name nobody has: the phone decides
        a.referrer = QStringLiteral("无名氏");
        a.referrerPhone = referrer.phone;
        break;
    default:
        break;
    }
    m_people << a.newcomer;
    return a;
}

QList<Person> Tables::people() const
{
    QList<Person> people;
    for (const Member &m : members)
        people << Person{m.name, m.phone};
    return people;
}

namespace {

// The member a consumer's referrer fields name: by name first, then by phone.
Member *referrerOf(Tables &t, const Member &consumer)
{
    if (!consumer.referrer.isEmpty()) {
        for (Member &m : t.members)
            if (!m.name.isEmpty() && m.name.compare(consumer.referrer, Qt::CaseInsensitive) == 0)
                return &m;
    }
    const QString phone = consumer.referrerPhone.trimmed();
    if (!phone.isEmpty()) {
        for (Member &m : t.members)
            if (m.phone == phone)
                return &m;
    }
    return nullptr;
}

} // namespace

bool apply(Tables &t, const Rate &rate, const Action &a)
{
    switch (a.kind) {
    case Action::Kind::Consume: {
        Member &m = t.members[a.member];
        const Money amount = Money::fromYuan(a.yuan);
        if (!a.cash && m.balance < amount)
            return false;
        m.consumed += amount;
        if (!a.cash)
            m.balance -= amount;
        ++m.consumptions;
        if (a.cash)
            t.cash << cashRow(fixedNow().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                              QStringLiteral("现金消费"), QString::number(a.yuan));
        // Whole yuan times a whole percent is a whole number of fen.
        if (Member *referrer = referrerOf(t, m))
            referrer->balance += rate.fixedYuan > 0 ? Money::fromYuan(rate.fixedYuan)
                                                    : Money::fromFen(a.yuan * rate.percent);
        return true;
    }
    case Action::Kind::Recharge: {
        Member &m = t.members[a.member];
        const Money balance = m.balance + Money::fromYuan(a.offset ? -a.yuan : a.yuan);
        if (balance < Money())
            return false;
        m.balance = balance;
        return true;
    }
    case Action::Kind::Register: {
        Member m;
        m.name = a.newcomer.name;
        m.sex = a.sex;
        m.phone = a.newcomer.phone;
        m.referrer = a.referrer;
        m.referrerPhone = a.referrerPhone;
        m.registered = fixedNow().date();
        t.members << m;
        return true;
    }
    }
    return false;
}

QString difference(const Tables &expected, const Tables &actual)
{
    if (expected.members.size() != actual.members.size())
        return QStringLiteral("%1 members instead of %2")
            .arg(actual.members.size())
            .arg(expected.members.size());
    for (qsizetype i = 0; i < expected.members.size(); ++i) {
        const Member &e = expected.members.at(i);
        const Member &a = actual.members.at(i);
        const QStringList es = {e.name,
                                e.sex,
                                e.phone,
                                e.consumed.toString(),
                                e.referrer,
                                e.referrerPhone,
                                QString::number(e.consumptions),
                                e.balance.toString(),
                                e.registered.toString(Qt::ISODate)};
        const QStringList as = {a.name,
                                a.sex,
                                a.phone,
                                a.consumed.toString(),
                                a.referrer,
                                a.referrerPhone,
                                QString::number(a.consumptions),
                                a.balance.toString(),
                                a.registered.toString(Qt::ISODate)};
        if (es != as)
            return QStringLiteral("member %1 is [%2], expected [%3]")
                .arg(i)
                .arg(as.join(QLatin1Char(',')), es.join(QLatin1Char(',')));
    }
    if (expected.cash != actual.cash)
        return QStringLiteral("cash rows [%1], expected [%2]")
            .arg(actual.cash.join(QLatin1Char(',')), expected.cash.join(QLatin1Char(',')));
    return {};
}

} // namespace CrashStream
