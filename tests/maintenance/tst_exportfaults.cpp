// The export with each disk call failing in turn, and with a real fault (a
// file size limit): the failure is reported, the earlier workbook stays
// as it was and nothing is left behind.
#include "Fixtures.h"
#include "MemberWorkbook.h"
#include "rules/maintenance/DiskCalls.h"
#include "rules/maintenance/MemberExport.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The real calls, logged; from the nth on they fail as the mode says.
class FailingDiskCalls : public DiskCalls
{
public:
    enum class Mode {
        Once,     // the nth call fails with EIO, later ones succeed
        DiskFull, // the nth call writes half and returns; every later write fails with ENOSPC
    };
    FailingDiskCalls(int failAt, Mode mode) : m_failAt(failAt), m_mode(mode) {}

    QStringList log() const { return m_log; }

    ssize_t write(int fd, const void *data, size_t size) override
    {
        const ssize_t n = writing(QStringLiteral("write"), size);
        return n < 0 ? n : DiskCalls::write(fd, data, size_t(n));
    }
    ssize_t pwrite(int fd, const void *data, size_t size, off_t offset) override
    {
        const ssize_t n = writing(QStringLiteral("pwrite"), size);
        return n < 0 ? n : DiskCalls::pwrite(fd, data, size_t(n), offset);
    }
    ssize_t pread(int fd, void *data, size_t size, off_t offset) override
    {
        if (fails(QStringLiteral("pread")))
            return -1;
        return DiskCalls::pread(fd, data, size, offset);
    }
    int fsync(int fd) override
    {
        if (fails(QStringLiteral("fsync")) || m_full)
            return -1;
        return DiskCalls::fsync(fd);
    }
    int close(int fd) override
    {
        const bool failed = fails(QStringLiteral("close"));
        const int rc = DiskCalls::close(fd); // the descriptor goes either way
        return failed ? -1 : rc;
    }

private:
    // How many bytes of size the call may write: size, fewer, or -1.
    ssize_t writing(const QString &what, size_t size)
    {
        if (m_full) {
            m_log << what;
            errno = ENOSPC;
            return -1;
        }
        if (!fails(what))
            return ssize_t(size);
        if (m_mode == Mode::Once)
            return -1;
        m_full = true;
        errno = ENOSPC;
        return size > 1 ? ssize_t(size / 2) : -1;
    }
    bool fails(const QString &what)
    {
        m_log << what;
        if (m_log.size() != m_failAt)
            return false;
        errno = EIO;
        return true;
    }

    int m_failAt;
    Mode m_mode;
    bool m_full = false;
    QStringList m_log;
};

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
                                  clean.folder.context().session, QStringLiteral("pw"), logged);
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
                                  s.folder.context().session, QStringLiteral("pw"), failing);
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
                              s.folder.context().session, QStringLiteral("pw"));
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
