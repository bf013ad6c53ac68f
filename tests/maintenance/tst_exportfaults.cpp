// The export with each disk call failing in turn, and with a real fault (a
// file size limit): the failure is reported, the earlier workbook stays
// as it was and nothing is left behind.
#include "Fixtures.h"
#include "MemberWorkbook.h"
#include "base/DiskCalls.h"
#include "rules/export/MemberExport.h"
#include "support/FailingDiskCalls.h"
#include "support/Members.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A program folder with 10,000 members (so the spool is written and read
// back in several pieces), an earlier workbook, and one member more since.
struct Scenario
{
    TestFolder folder;
    QByteArray earlier;
    QStringList files;

    Scenario()
    {
        folder.setSession(QStringLiteral("admin"), QStringLiteral("pw"));
        MemberWorkbook::generate(folder.store(), 10000);
        const QString path = folder.files().exportWorkbook();
        if (!MemberExport::write(folder.store(), path).failure.isEmpty())
            qFatal("the earlier export failed");
        earlier = bytesOf(path);
        addMember(folder.store(), QStringLiteral("后来的会员"));
        files = filesIn(folder.path());
    }

    // The export failed, said so, and left everything as it was.
    QString checkFailed(const MemberExport::Outcome &outcome) const
    {
        if (outcome.kind != MemberExport::Outcome::Kind::Failed)
            return QStringLiteral("not reported as a failure: ") + outcome.message;
        if (!outcome.message.startsWith(MemberExport::kFailed + QLatin1Char('\n')))
            return QStringLiteral("message: ") + outcome.message;
        if (bytesOf(folder.files().exportWorkbook()) != earlier)
            return QStringLiteral("the earlier workbook changed");
        if (filesIn(folder.path()) != files)
            return QStringLiteral("files now: ") + filesIn(folder.path()).join(QLatin1Char(' '));
        return {};
    }
};

} // namespace

class TestExportFaults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachCallFailingInTurn_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("one call fails") << int(FailingDiskCalls::Mode::Once);
        QTest::newRow("the disk fills up") << int(FailingDiskCalls::Mode::DiskFull);
    }
    void eachCallFailingInTurn()
    {
        QFETCH(int, mode);
        QStringList calls;
        {
            Scenario clean;
            FailingDiskCalls logged(0, FailingDiskCalls::Mode::Once);
            const MemberExport::Outcome done =
                MemberExport::run(clean.folder.store(), clean.folder.files().exportWorkbook(),
                                  clean.folder.session(), QStringLiteral("pw"), logged);
            QCOMPARE(int(done.kind), int(MemberExport::Outcome::Kind::Exported));
            calls = logged.log();
            const QString problems = MemberWorkbook::compare(
                clean.folder.store(), clean.folder.files().exportWorkbook(), false);
            QVERIFY2(problems.isEmpty(), qPrintable(problems));
        }
        // The spool written in pieces, a sheet's row count written into it
        // afterwards, read back in pieces; the workbook; its sync and close.
        const QString all = calls.join(QLatin1Char(' '));
        QVERIFY2(calls.count(QStringLiteral("write")) >= 2, qPrintable(all));
        QVERIFY2(calls.count(QStringLiteral("pread")) >= 2, qPrintable(all));
        QVERIFY2(calls.count(QStringLiteral("pwrite")) >= 4, qPrintable(all));
        QVERIFY2(all.endsWith(QStringLiteral(" fsync close")), qPrintable(all));

        // A failed export leaves everything as it was, so one folder serves
        // every run.
        Scenario s;
        for (int n = 1; n <= calls.size(); ++n) {
            FailingDiskCalls failing(n, FailingDiskCalls::Mode(mode));
            const MemberExport::Outcome outcome =
                MemberExport::run(s.folder.store(), s.folder.files().exportWorkbook(),
                                  s.folder.session(), QStringLiteral("pw"), failing);
            const QString what = QStringLiteral("call %1 (%2): ").arg(n).arg(calls.at(n - 1));
            const QString wrong = s.checkFailed(outcome);
            QVERIFY2(wrong.isEmpty(), qPrintable(what + wrong));
        }
    }

    // A real fault: a file size limit makes a write fail (EFBIG) in the
    // spool or, later, in the workbook itself.
    void fileSizeLimit_data()
    {
        QTest::addColumn<double>("share"); // of the complete workbook's size
        QTest::newRow("nothing fits") << 0.0;
        QTest::newRow("the spool does not fit") << 0.5;
        QTest::newRow("the workbook's last sector does not fit") << 0.999;
    }
    void fileSizeLimit()
    {
        QFETCH(double, share);
        Scenario s;
        const rlim_t limit = rlim_t(double(s.earlier.size()) * share);
        struct rlimit before;
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &before) == 0);
        struct rlimit lowered = before;
        lowered.rlim_cur = limit;
        auto *signalBefore = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &lowered) == 0);
        const MemberExport::Outcome outcome =
            MemberExport::run(s.folder.store(), s.folder.files().exportWorkbook(),
                              s.folder.session(), QStringLiteral("pw"));
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &before) == 0);
        std::signal(SIGXFSZ, signalBefore);
        const QString wrong = s.checkFailed(outcome);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QVERIFY2(outcome.message.contains(QString::fromLocal8Bit(std::strerror(EFBIG))),
                 qPrintable(outcome.message));
    }
};

QTEST_GUILESS_MAIN(TestExportFaults)
#include "tst_exportfaults.moc"
