// Runs the crash test's stream of actions through the shop's own rules on a
// database file until it is killed: crashworker <database> <seed>.
//
// After each action it writes the number of actions finished so far as one
// line to stdout, unbuffered, so the test knows a lower bound of what must
// be in the file. It exits on its own only when something went wrong: an
// outcome the stream does not allow (exit 3), a database failure (exit 4),
// or no kill within a minute (exit 5).
#include "CrashStream.h"

#include "base/Clock.h"
#include "base/StoreError.h"
#include "rules/members/Registration.h"
#include "rules/money/Consumption.h"
#include "rules/money/Recharge.h"
#include "store/AdminTable.h"
#include "store/CommissionTable.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <unistd.h>

using namespace CrashStream;

namespace {

[[noreturn]] void fail(int code, const QString &why)
{
    std::fprintf(stderr, "crashworker: %s\n", qPrintable(why));
    std::_Exit(code);
}

void reportStep(quint64 step)
{
    const QByteArray line = QByteArray::number(step) + '\n';
    if (::write(STDOUT_FILENO, line.constData(), size_t(line.size())) != line.size())
        std::_Exit(6); // the test is gone
}

// Runs one action; false when the rules refused it. Any outcome other than
// done or the one refusal the stream can cause ends the worker.
bool run(Database &store, const CommissionSetting &setting, const Action &a, const Person &member)
{
    switch (a.kind) {
    case Action::Kind::Consume: {
        const Consumption::Request request{nameBox(a, member), phoneBox(a, member),
                                           a.cash ? Consumption::kCash : Consumption::kBalance,
                                           QString::number(a.yuan)};
        const auto outcome = Consumption::confirm(store, request, setting, [] {
            fail(3, QStringLiteral("asked to go on without a record"));
            return false;
        });
        if (outcome.kind == Consumption::Outcome::Kind::Done)
            return true;
        if (!a.cash && outcome.message == Consumption::kInsufficient)
            return false;
        fail(3, QStringLiteral("consumption of %1: %2").arg(member.name, outcome.message));
    }
    case Action::Kind::Recharge: {
        const QString amount =
            (a.offset ? QStringLiteral("-") : QString()) + QString::number(a.yuan);
        const auto outcome =
            Recharge::recharge(store, {nameBox(a, member), phoneBox(a, member), amount, a.offset});
        if (outcome.done)
            return true;
        if (a.offset && outcome.message == Recharge::kNegative)
            return false;
        fail(3, QStringLiteral("recharge of %1: %2").arg(member.name, outcome.message));
    }
    case Action::Kind::Register: {
        const Registration::Request request{a.newcomer.name, a.sex,           a.newcomer.phone,
                                            a.referrer,      a.referrerPhone, fixedNow().date()};
        const auto outcome = Registration::add(store, request, [] { return true; });
        if (outcome.registered)
            return true;
        fail(3, QStringLiteral("registration of %1: %2").arg(a.newcomer.name, outcome.message));
    }
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // Never outlive the test that started us.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        fail(2, QStringLiteral("usage: crashworker <database> <seed>"));
    bool seedOk = false;
    const quint64 seed = args.at(2).toULongLong(&seedOk);
    if (!seedOk)
        fail(2, QStringLiteral("bad seed"));
    Clock::setSourceForTesting([] { return fixedNow(); });

    Database store(args.at(1));
    if (!store.open())
        fail(4, store.lastError());
    QElapsedTimer clock;
    clock.start();
    try {
        const std::optional<CommissionSetting> setting = CommissionTable(store).load();
        if (!setting)
            fail(2, QStringLiteral("no commission setting"));
        QList<Person> people;
        MemberTable(store).forEach([&](const Member &m) {
            people << Person{m.name, m.phone};
            return true;
        });
        Generator stream(seed, people);
        for (quint64 step = 1;; ++step) {
            const Action a = stream.next();
            run(store, *setting, a, stream.people().at(a.member));
            reportStep(step);
            if (clock.elapsed() > 60'000)
                fail(5, QStringLiteral("never killed"));
        }
    } catch (const StoreError &e) {
        fail(4, e.text());
    }
}
