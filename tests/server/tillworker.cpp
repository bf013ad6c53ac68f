// One till of a shop with several: runs a number of random money actions
// through the shop's own rules on the members already registered, and says
// what became of each one, a line at a time, unbuffered:
//
//   begin <kind>                     an action starts
//   done <kind> <operation number>   the action was written
//   refused <kind> <message>         the rules refused it, as they may
//   failed <kind> <why>              the database failed; the till goes on
//   wrong <kind> <message>           a refusal these actions never cause
//   end                              every action has run
//
// tillworker <folder> <seed> <actions> <till>
// The folder holds pellomar-server.ini (a server) or table.mdb (a file).
// Kinds: balance, cash, recharge, offset, reversal, registration.
#include "base/Session.h"
#include "base/StoreError.h"
#include "rules/members/Registration.h"
#include "rules/money/Consumption.h"
#include "rules/money/Recharge.h"
#include "rules/money/Reversal.h"
#include "store/CommissionTable.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/MemberTable.h"
#include "store/ServerSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(int code, const QString &why)
{
    std::fprintf(stderr, "tillworker: %s\n", qPrintable(why));
    std::_Exit(code);
}

void say(const QString &what, const QString &kind, const QString &detail = {})
{
    QString line = what;
    if (!kind.isEmpty())
        line += QLatin1Char(' ') + kind;
    if (!detail.isEmpty())
        line += QLatin1Char(' ') + QString(detail).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray bytes = line.toUtf8() + '\n';
    if (::write(STDOUT_FILENO, bytes.constData(), size_t(bytes.size())) != bytes.size())
        std::_Exit(6); // the test is gone
}

const QString kNewcomer = QStringLiteral("新客");

struct Person
{
    QString name;
    QString phone;
};

// What one action came to: done with its number, or refused with the
// rules' message and whether such a refusal may happen here.
struct Result
{
    bool done = false;
    QString text; // the operation number, or the refusal
    bool allowed = true;
};

class Till
{
public:
    Till(Database &store, quint64 seed) : m_store(store), m_rng(seed) {}

    // Reads what every action needs; throws StoreError while the database
    // cannot be reached.
    void load()
    {
        const std::optional<CommissionSetting> setting = CommissionTable(m_store).load();
        if (!setting)
            fail(2, QStringLiteral("no commission setting"));
        m_setting = *setting;
        m_people.clear();
        // The members registered before the tills started; the newcomers
        // are left to the registrations.
        MemberTable(m_store).forEach([&](const Member &m) {
            if (!m.name.startsWith(kNewcomer))
                m_people << Person{m.name, m.phone};
            return true;
        });
        if (m_people.isEmpty())
            fail(2, QStringLiteral("no members"));
    }

    QString nextKind()
    {
        const quint32 roll = m_rng.bounded(100);
        if (roll < 35)
            return QStringLiteral("balance");
        if (roll < 50)
            return QStringLiteral("cash");
        if (roll < 70)
            return QStringLiteral("recharge");
        if (roll < 80)
            return QStringLiteral("offset");
        if (roll < 90 && !m_consumptions.isEmpty())
            return QStringLiteral("reversal");
        return QStringLiteral("registration");
    }

    Result run(const QString &kind)
    {
        if (kind == QLatin1String("balance") || kind == QLatin1String("cash"))
            return consume(kind == QLatin1String("cash"));
        if (kind == QLatin1String("recharge") || kind == QLatin1String("offset"))
            return recharge(kind == QLatin1String("offset"));
        if (kind == QLatin1String("reversal"))
            return reverse();
        return registerOne();
    }

private:
    const Person &anyone() { return m_people.at(int(m_rng.bounded(quint32(m_people.size())))); }
    // Yuan with fen now and then: "12", "3.07".
    QString yuan(quint32 from, quint32 to)
    {
        const quint32 whole = from + m_rng.bounded(to - from + 1);
        if (m_rng.bounded(3) != 0)
            return QString::number(whole);
        return QStringLiteral("%1.%2").arg(whole).arg(m_rng.bounded(100), 2, 10, QLatin1Char('0'));
    }
    // The boxes a cashier fills: the name, the phone, or both.
    std::pair<QString, QString> keys(const Person &p)
    {
        switch (m_rng.bounded(3)) {
        case 0:
            return {p.name, {}};
        case 1:
            return {{}, p.phone};
        default:
            return {p.name, p.phone};
        }
    }

    Result consume(bool cash)
    {
        const auto [name, phone] = keys(anyone());
        const Consumption::Request request{
            name, phone, cash ? Consumption::kCash : Consumption::kBalance, yuan(1, 60)};
        const auto outcome =
            Consumption::confirm(m_store, request, m_setting, [] { return false; });
        if (outcome.kind == Consumption::Outcome::Kind::Done) {
            m_consumptions << outcome.entry;
            return {true, outcome.operation};
        }
        return {false, outcome.message, !cash && outcome.message == Consumption::kInsufficient};
    }

    Result recharge(bool offset)
    {
        const auto [name, phone] = keys(anyone());
        const QString amount =
            (offset ? QStringLiteral("-") : QString()) + (offset ? yuan(1, 30) : yuan(10, 200));
        const auto outcome = Recharge::recharge(m_store, {name, phone, amount, offset});
        if (outcome.done)
            return {true, outcome.operation};
        return {false, outcome.message, offset && outcome.message == Recharge::kNegative};
    }

    Result reverse()
    {
        // One of this till's own consumptions, never twice.
        const qint64 entry =
            m_consumptions.takeAt(int(m_rng.bounded(quint32(m_consumptions.size()))));
        const Session owner{QStringLiteral("admin"), QStringLiteral("pw"), Role::Owner};
        const auto outcome = Reversal::reverse(m_store, owner, entry, owner.password,
                                               [](const QString &) { return true; });
        if (outcome.done)
            return {true, outcome.operation};
        return {false, outcome.message, false};
    }

    Result registerOne()
    {
        // Numbers shared by every till, so that two tills now and then
        // register the same newcomer at the same moment.
        const quint32 n = m_rng.bounded(400);
        const Person &referrer = anyone();
        const Registration::Request request{kNewcomer + QString::number(n),
                                            n % 2 ? Registration::kMale : Registration::kFemale,
                                            QStringLiteral("139%1").arg(n, 8, 10, QLatin1Char('0')),
                                            referrer.name,
                                            referrer.phone,
                                            QDate::currentDate()};
        const auto outcome = Registration::add(m_store, request, [] { return true; });
        if (outcome.registered)
            return {true, m_store.operationNumber()};
        return {false, outcome.message,
                outcome.message == Registration::kNameTaken ||
                    outcome.message == Registration::kPhoneTaken};
    }

    Database &m_store;
    QRandomGenerator m_rng;
    CommissionSetting m_setting;
    QList<Person> m_people;
    QList<qint64> m_consumptions; // this till's, not yet reversed
};

std::unique_ptr<Database> storeIn(const QString &folder)
{
    QString error;
    const std::optional<ServerSettings> server = ServerSettings::read(folder, &error);
    if (!error.isEmpty())
        fail(2, error);
    if (server)
        return std::make_unique<Database>(*server);
    return std::make_unique<Database>(DataFiles(folder).liveDatabase());
}

} // namespace

int main(int argc, char *argv[])
{
    // Never outlive the test that started us.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        fail(2, QStringLiteral("usage: tillworker <folder> <seed> <actions> <till>"));
    const quint64 seed = args.at(2).toULongLong();
    const int actions = args.at(3).toInt();
    const int tillNumber = args.at(4).toInt();

    std::unique_ptr<Database> store = storeIn(args.at(1));
    store->setOperatorName(QStringLiteral("till%1").arg(tillNumber));
    Till till(*store, seed);
    // The server may be restarting as the till starts: it keeps trying for
    // a while, as a cashier would.
    QElapsedTimer waiting;
    waiting.start();
    for (;;) {
        try {
            if (store->isOpen() || store->open()) {
                till.load();
                break;
            }
        } catch (const StoreError &) {
        }
        if (waiting.elapsed() > 30'000)
            fail(4, store->lastError());
        QThread::msleep(100);
    }
    for (int i = 0; i < actions; ++i) {
        const QString kind = till.nextKind();
        say(QStringLiteral("begin"), kind);
        try {
            const Result r = till.run(kind);
            say(r.done      ? QStringLiteral("done")
                : r.allowed ? QStringLiteral("refused")
                            : QStringLiteral("wrong"),
                kind, r.text);
        } catch (const StoreError &e) {
            say(QStringLiteral("failed"), kind, e.text());
            // A cashier does not press the key again at once.
            QThread::msleep(20);
        }
    }
    say(QStringLiteral("end"), {});
    return 0;
}
