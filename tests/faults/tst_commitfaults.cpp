// Writing actions on a disk that fails: each write and each flush of a
// consumption, a recharge, a registration and a reversal fails in turn (as
// EIO or as a full disk), and what the screen says must be what the file
// holds when the program is killed right after and started again.
#include "rules/money/Consumption.h"
#include "screens/Dialogs.h"
#include "screens/members/RegistrationDialog.h"
#include "screens/money/ConsumptionDialog.h"
#include "screens/money/RechargeDialog.h"
#include "screens/money/StatementDialog.h"
#include "store/CommissionTable.h"
#include "store/MemberTable.h"
#include "support/Controls.h"
#include "support/FaultVfs.h"
#include "support/Members.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Op = FaultVfs::Op;

// A shop whose member Buyer, referred by Ref, has consumed once (20 yuan
// from his balance of 100), so that there is a consumption to reverse.
struct Shop
{
    ProgramFolder folder;
    qint64 buyer = 0;

    Shop()
    {
        folder.setCommission(10, 0);
        folder.setSession(QStringLiteral("admin"), QStringLiteral("123456"));
        folder.store().setOperatorName(QStringLiteral("admin"));
        MemberRow(QStringLiteral("Ref"), QStringLiteral("13800000001")).addTo(folder.store());
        buyer = MemberRow(QStringLiteral("Buyer"), QStringLiteral("13800000002"))
                    .referredBy(QStringLiteral("Ref"), QStringLiteral("13800000001"))
                    .balance(Money::fromYuan(100))
                    .addTo(folder.store());
        Consumption::confirm(
            folder.store(),
            {QStringLiteral("Buyer"), {}, Consumption::kBalance, QStringLiteral("20")},
            *CommissionTable(folder.store()).load(), [] { return true; });
    }
};

// What an action can change, as one text: every member's money and counts.
QString stateOf(Database &store)
{
    QStringList rows;
    MemberTable(store).forEach([&](const Member &m) {
        rows << QStringLiteral("%1 %2/%3/%4")
                    .arg(m.name, m.balance.toString(), m.consumed.toString())
                    .arg(m.consumptions);
        return true;
    });
    return rows.join(QStringLiteral(", "));
}

// What a start after a kill finds: the file and its log as they are on disk
// at construction, opened afresh elsewhere by state().
class KilledNow
{
public:
    explicit KilledNow(const DataFiles &files)
    {
        const QString live = files.liveDatabase();
        for (const QString &suffix : {QString(), QStringLiteral("-wal")})
            if (QFile::exists(live + suffix))
                QFile::copy(live + suffix, path() + suffix);
    }
    QString state()
    {
        Database store(path());
        if (!store.open())
            return QStringLiteral("<unusable: %1>").arg(store.lastError());
        return stateOf(store);
    }

private:
    QString path() const { return m_dir.filePath(QStringLiteral("table.mdb")); }
    QTemporaryDir m_dir;
};

// Runs one action through its screen as the cashier would; returns the
// messages shown and the consumption screen's result line, if any.
QStringList act(Shop &shop, const QString &action, ScriptedDialogs &dialogs)
{
    Database &store = shop.folder.store();
    QString result;
    if (action == QLatin1String("consumption")) {
        ConsumptionDialog d(store);
        d.show();
        QTest::keyClicks(control<QLineEdit>(d, "Text1"), QStringLiteral("Buyer"));
        QTest::keyClicks(control<QLineEdit>(d, "Text5"), QStringLiteral("30"));
        control<QPushButton>(d, "Command1")->click();
        result = control<QLabel>(d, "Label4")->text();
    } else if (action == QLatin1String("recharge")) {
        RechargeDialog d(store);
        d.show();
        QTest::keyClicks(control<QLineEdit>(d, "Text1"), QStringLiteral("Buyer"));
        QTest::keyClicks(control<QLineEdit>(d, "Text3"), QStringLiteral("50"));
        control<QPushButton>(d, "Command1")->click();
    } else if (action == QLatin1String("registration")) {
        RegistrationDialog d(store);
        d.show();
        QTest::keyClicks(control<QLineEdit>(d, "Text1"), QStringLiteral("New"));
        control<QRadioButton>(d, "Option2")->click();
        QTest::keyClicks(control<QLineEdit>(d, "Text2"), QStringLiteral("13800000003"));
        QTest::keyClicks(control<QLineEdit>(d, "Text3"), QStringLiteral("Ref"));
        QTest::keyClicks(control<QLineEdit>(d, "Text4"), QStringLiteral("13800000001"));
        control<QPushButton>(d, "Command1")->click();
    } else if (action == QLatin1String("reversal")) {
        StatementDialog d(store, shop.folder.files(), shop.folder.session());
        d.showMember(shop.buyer);
        if (auto *grid = control<QTableWidget>(d, "Grid1"); grid->rowCount() > 0) {
            grid->selectRow(0);
            dialogs.answer(QStringLiteral("123456"));
            dialogs.answer(QStringLiteral("ok"));
            control<QPushButton>(d, "Command3")->click();
            dialogs.takeInputs();
        }
    }
    QStringList shown = dialogs.takeMessages();
    if (!result.isEmpty())
        shown << QStringLiteral("Label4: ") + result;
    return shown;
}

const QStringList kActions{QStringLiteral("consumption"), QStringLiteral("recharge"),
                           QStringLiteral("registration"), QStringLiteral("reversal")};

} // namespace

class TestCommitFaults : public QObject
{
    Q_OBJECT
private:
    FaultVfs m_vfs; // before any connection opens
    ScriptedDialogs m_dialogs;

private Q_SLOTS:
    void cleanup()
    {
        m_vfs.reset();
        VERIFY_DIALOGS_DONE(m_dialogs);
    }

    void everyWriteAndFlushFails_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("sticky");
        for (const QString &action : kActions) {
            // An undisturbed run counts the writes and flushes of the action.
            Shop shop;
            m_vfs.reset();
            act(shop, action, m_dialogs);
            const int counts[] = {m_vfs.count(Op::Write), m_vfs.count(Op::Sync)};
            m_vfs.reset();
            if (counts[0] == 0 || counts[1] == 0)
                qFatal("%s: %d writes, %d flushes", qPrintable(action), counts[0], counts[1]);
            for (const Op op : {Op::Write, Op::Sync}) {
                const char *opName = op == Op::Write ? "write" : "flush";
                for (int n = 1; n <= counts[int(op)]; ++n)
                    for (const auto error : {FaultVfs::Error::Io, FaultVfs::Error::Full})
                        QTest::addRow("%s, %s %d of %d, %s", qPrintable(action), opName, n,
                                      counts[int(op)],
                                      error == FaultVfs::Error::Io ? "EIO" : "disk full")
                            << action << int(op) << n << int(error) << false;
                QTest::addRow("%s, every %s from the first fails", qPrintable(action), opName)
                    << action << int(op) << 1 << int(FaultVfs::Error::Io) << true;
            }
        }
    }
    void everyWriteAndFlushFails()
    {
        QFETCH(QString, action);
        QFETCH(int, op);
        QFETCH(int, n);
        QFETCH(int, error);
        QFETCH(bool, sticky);
        // What the action says and leaves when nothing fails.
        QString after;
        QStringList success;
        {
            Shop shop;
            success = act(shop, action, m_dialogs);
            after = stateOf(shop.folder.store());
        }
        Shop shop;
        const QString before = stateOf(shop.folder.store());
        QVERIFY(before != after);
        m_vfs.reset();
        m_vfs.failAt(Op(op), FaultVfs::File::Any, n, FaultVfs::Error(error), sticky);
        const QStringList shown = act(shop, action, m_dialogs);
        KilledNow killed(shop.folder.files());
        m_vfs.reset();
        const QString found = killed.state();

        QVERIFY2(found == before || found == after, qPrintable(found));
        if (found == after) {
            // Either it went through, or its commit failed and the file read
            // again holds it: said so first, then the action's own result.
            QVERIFY2(shown == success || shown == QStringList{Dialogs::kDoneAfterAll} + success,
                     qPrintable(shown.join(QLatin1Char('|'))));
        } else {
            QCOMPARE(shown.size(), 1);
            QVERIFY2(shown.first().startsWith(Dialogs::kNotDone + QLatin1Char('\n')) ||
                         shown.first().startsWith(Dialogs::kNothingChanged + QLatin1Char('\n')),
                     qPrintable(shown.first()));
        }
        // What the program goes on with is what the disk holds.
        QVERIFY(!shop.folder.store().outcomeUnknown());
        QCOMPARE(stateOf(shop.folder.store()), found);
    }

    // The commit's flush fails and the disk is gone before the file can be
    // read again: the program cannot say, says so, and refuses every later
    // action until it starts again.
    void outcomeUnknownWhenTheFileCannotBeRead_data()
    {
        QTest::addColumn<QString>("action");
        for (const QString &action : kActions)
            QTest::newRow(qPrintable(action)) << action;
    }
    void outcomeUnknownWhenTheFileCannotBeRead()
    {
        QFETCH(QString, action);
        Shop shop;
        m_vfs.reset();
        m_vfs.failAt(Op::Sync, FaultVfs::File::Wal, 1, FaultVfs::Error::Io);
        m_vfs.onOperation([this](Op op, FaultVfs::File, int) {
            if (op == Op::Sync)
                m_vfs.failReads();
        });
        const QStringList shown = act(shop, action, m_dialogs);
        m_vfs.onOperation({});
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().startsWith(Dialogs::kOutcomeUnknown + QLatin1Char('\n')),
                 qPrintable(shown.first()));
        QVERIFY(shop.folder.store().outcomeUnknown());

        // The disk is back, but only a new start may trust the file again.
        m_vfs.reset();
        for (const QString &next : kActions) {
            const QStringList refused = act(shop, next, m_dialogs);
            QVERIFY2(!refused.isEmpty() &&
                         refused.first().startsWith(Dialogs::kOutcomeUnknown + QLatin1Char('\n')),
                     qPrintable(next + QLatin1Char(':') + refused.join(QLatin1Char('|'))));
        }
        // A new start reads the file, with or without the action.
        const QString found = KilledNow(shop.folder.files()).state();
        QVERIFY2(!found.startsWith(QLatin1String("<unusable")), qPrintable(found));
    }
};

QTEST_MAIN(TestCommitFaults)
#include "tst_commitfaults.moc"
