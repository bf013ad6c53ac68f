// Runs one backup, restore or clear on a program folder and kills itself
// with SIGKILL at a chosen file operation:
//   maintenanceworker <folder> backup|restore|clear|generation <step> before|after|during
// step counts the changing file operations from 1 (0: never killed);
// "during" kills a copy half way, its staged file half written. Like the
// program it holds the folder's lock, which the kill leaves behind. Prints
// the operations it made, one a line; exits 0 when not killed, 2 on bad use,
// 3 when the lock was taken.
//   maintenanceworker <folder> hold 0 before
// takes the lock, prints "held" and waits to be killed.
//   maintenanceworker <folder> startup <step> before
// starts the whole program on the folder (offscreen, every box answered by
// a script) and kills itself before the step-th write, flush or truncation
// of a database file, its journal or its log; it leaves at the login screen
// and prints how many such operations the start made.
#include "base/Session.h"
#include "base/StagedFile.h"
#include "program/InstanceLock.h"
#include "program/Program.h"
#include "rules/backup/AutoBackups.h"
#include "rules/backup/DataMaintenance.h"
#include "rules/backup/FileOps.h"
#include "store/Database.h"
#include "store/sqlite/DatabaseReader.h"
#include "support/FaultVfs.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

class KillingFileOps : public DiskFileOps
{
public:
    KillingFileOps(int step, QString when) : m_step(step), m_when(std::move(when)) {}

    bool makeFolder(const QString &path) override
    {
        return around(QStringLiteral("mkdir ") + name(path),
                      [&] { return DiskFileOps::makeFolder(path); });
    }
    bool copy(const QString &from, const QString &to) override
    {
        if (m_count + 1 == m_step && m_when == QLatin1String("during")) {
            QFile in(from);
            StagedFile out(to);
            if (in.open(QIODevice::ReadOnly) && out.isOpen()) {
                const QByteArray half = in.read(in.size() / 2);
                out.write(half.constData(), half.size());
            }
            die();
        }
        return around(QStringLiteral("copy ") + name(from) + QLatin1Char(' ') + name(to),
                      [&] { return DiskFileOps::copy(from, to); });
    }
    bool copyDatabase(const QString &from, const QString &to) override
    {
        if (m_count + 1 == m_step && m_when == QLatin1String("during")) {
            // Half of the copy in its staged file, read as the copy reads.
            DatabaseReader in(from);
            StagedFile out(to);
            QByteArray half(QFileInfo(from).size() / 2, Qt::Uninitialized);
            if (in.isOpen() && out.isOpen() && in.read(half.data(), half.size()) > 0)
                out.write(half.constData(), half.size());
            die();
        }
        return around(QStringLiteral("copy ") + name(from) + QLatin1Char(' ') + name(to),
                      [&] { return DiskFileOps::copyDatabase(from, to); });
    }
    bool rename(const QString &from, const QString &to) override
    {
        return around(QStringLiteral("rename ") + name(from) + QLatin1Char(' ') + name(to),
                      [&] { return DiskFileOps::rename(from, to); });
    }
    bool remove(const QString &path) override
    {
        return around(QStringLiteral("remove ") + name(path),
                      [&] { return DiskFileOps::remove(path); });
    }

private:
    static QString name(const QString &path) { return QFileInfo(path).fileName(); }
    [[noreturn]] static void die()
    {
        ::kill(::getpid(), SIGKILL);
        std::_Exit(9);
    }
    template <typename F> bool around(const QString &what, F operation)
    {
        ++m_count;
        if (m_count == m_step && m_when == QLatin1String("before"))
            die();
        const bool ok = operation();
        std::printf("%s\n", qPrintable(what));
        std::fflush(stdout);
        if (m_count == m_step && m_when == QLatin1String("after"))
            die();
        return ok;
    }

    int m_step;
    QString m_when;
    int m_count = 0;
};

// The program's start on the folder, killed before the step-th file
// operation SQLite makes (0: never).
int startUp(const QString &folder, int step)
{
    FaultVfs vfs;
    int made = 0;
    vfs.onOperation([&](FaultVfs::Op, FaultVfs::File, int) {
        if (++made == step) {
            ::kill(::getpid(), SIGKILL);
            std::_Exit(9);
        }
    });
    ScriptedDialogs dialogs;
    const int code = runProgram(folder, [](QWidget *login) {
        if (auto *exit = login->findChild<QPushButton *>(QStringLiteral("Command2")))
            exit->click();
    });
    for (const QString &message : dialogs.takeMessages())
        std::printf("message: %s\n", qPrintable(message));
    std::printf("%d\n", made);
    return code;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2;
    if (args.at(2) == QLatin1String("startup"))
        return startUp(args.at(1), args.at(3).toInt());
    const DataFiles files(args.at(1));
    InstanceLock lock(files.folder());
    if (lock.acquire() != InstanceLock::Result::Acquired)
        return 3;
    if (args.at(2) == QLatin1String("hold")) {
        std::printf("held\n");
        std::fflush(stdout);
        // Until killed, or the test that started it is gone.
        for (const pid_t parent = ::getppid(); ::getppid() == parent;)
            QThread::sleep(1);
        return 0;
    }
    Database store(files.liveDatabase());
    store.open();
    const Session session{QStringLiteral("admin"), QStringLiteral("secret"), Role::Owner};
    KillingFileOps ops(args.at(3).toInt(), args.at(4));
    DataMaintenance rules(store, files, session, ops);
    const QString op = args.at(2);
    if (op == QLatin1String("backup"))
        rules.backup();
    else if (op == QLatin1String("restore"))
        rules.restore(session.password);
    else if (op == QLatin1String("clear"))
        rules.clear(session.password);
    else if (op == QLatin1String("generation"))
        AutoBackups(files, ops).take();
    else
        return 2;
    return 0;
}
