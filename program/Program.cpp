#include "program/Program.h"

#include "program/AppContext.h"
#include "program/InstanceLock.h"
#include "program/LoginDialog.h"
#include "program/MainWindow.h"
#include "program/Startup.h"
#include "rules/backup/AutoBackups.h"
#include "rules/backup/DailyCheck.h"
#include "rules/backup/FileOps.h"
#include "rules/backup/TaskProgress.h"
#include "rules/server/ServerMaintenance.h"
#include "screens/Dialogs.h"
#include "store/Database.h"
#include "store/ServerSettings.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QProgressDialog>
#include <QTimer>
#include <QTranslator>
#include <QtConcurrent/QtConcurrentRun>
#include <memory>
#include <optional>

bool loadQtTranslation()
{
    auto *translator = new QTranslator(qApp);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

namespace {

// Where the automatic generations come from: verified copies of the live
// file, or archives of the server's database.
struct Generations
{
    DataFiles files;
    QString suffix;
    std::function<AutoBackups::Result(TaskProgress &)> take;
    // The day's check of a new generation: what to tell, empty when all is
    // well.
    std::function<QString(const QString &path)> check;
    // The day's first is taken on the check's thread while the till works
    // (an archive, which pg_dump reads at one snapshot whatever the tills
    // do), not before the login (a copy of the file).
    bool inBackground = false;
};

QString headed(const QString &heading, const QString &problem)
{
    return problem.isEmpty() ? problem : heading + QLatin1Char('\n') + problem;
}

Generations ofFile(const DataFiles &files)
{
    return {files, BackupGenerations::kFileSuffix,
            [files](TaskProgress &progress) {
                DiskFileOps fileOps;
                return AutoBackups(files, fileOps, &progress).take();
            },
            [](const QString &path) {
                return headed(DailyCheck::kDamaged, DailyCheck::checkFile(path));
            }};
}

Generations ofServer(const DataFiles &files, const ServerSettings &server)
{
    // Taking and reading back archives needs no one logged in.
    static const Session nobody;
    const auto rules = std::make_shared<ServerMaintenance>(server, files, nobody, QString());
    return {files, BackupGenerations::kArchiveSuffix,
            [rules](TaskProgress &) { return rules->takeGeneration(); },
            [rules](const QString &path) {
                return headed(ServerMaintenance::kGenerationUnreadable, rules->checkArchive(path));
            },
            true};
}

// An automatic generation behind a progress window.
AutoBackups::Result takeGeneration(const Generations &generations)
{
    TaskProgress progress;
    AutoBackups::Result result;
    Dialogs::runTask(nullptr, QStringLiteral("自动备份"), progress,
                     [&] { result = generations.take(progress); });
    for (const QString &message : std::as_const(result.messages))
        Dialogs::message(nullptr, message);
    return result;
}

// The first start of a day keeps a generation and checks it fully in the
// background; the check's warning comes whenever it is done.
void startOfDay(const Generations &generations, DailyCheck &check)
{
    DiskFileOps fileOps;
    if (!AutoBackups(generations.files, fileOps, nullptr, generations.suffix).firstStartToday())
        return;
    const auto warn = [](const QString &message) { Dialogs::error(nullptr, message); };
    if (generations.inBackground) {
        check.start(
            [generations] {
                TaskProgress progress;
                const AutoBackups::Result taken = generations.take(progress);
                QStringList said = taken.messages;
                if (!taken.path.isEmpty())
                    said << generations.check(taken.path);
                said.removeAll(QString());
                return said.join(QLatin1Char('\n'));
            },
            qApp, warn);
        return;
    }
    const AutoBackups::Result taken = takeGeneration(generations);
    // Without a generation there is nothing to check: the live file is never
    // checked in its place, where a connection left open by the check would
    // stand in the way of a restore or a clear. The next start tries again.
    if (taken.path.isEmpty())
        return;
    check.start([path = taken.path, check = generations.check] { return check(path); }, qApp, warn);
}

// Gives generations without a manifest one and deletes the generations past
// their time on a pooled thread, started at each start, so that nobody waits
// for it; it ends before the generation at exit is taken. A failure is told
// once the event loop runs.
class Pruning
{
public:
    explicit Pruning(const Generations &generations)
        : m_done(QtConcurrent::run([files = generations.files, suffix = generations.suffix] {
              DiskFileOps fileOps;
              AutoBackups autos(files, fileOps, nullptr, suffix);
              // A file's generation gets its manifest first, so that a
              // verified one is never pruned for it. (An archive is renamed
              // into place only whole; one without a manifest stays so.)
              if (suffix == BackupGenerations::kFileSuffix)
                  autos.vouchForUnverified();
              const QStringList failed = autos.prune();
              if (failed.isEmpty())
                  return;
              QMetaObject::invokeMethod(
                  qApp,
                  [failed] {
                      for (const QString &message : failed)
                          Dialogs::message(nullptr, message);
                  },
                  Qt::QueuedConnection);
          }))
    {
    }
    ~Pruning() { wait(); }
    Pruning(const Pruning &) = delete;
    Pruning &operator=(const Pruning &) = delete;
    void wait() { m_done.waitForFinished(); }

private:
    QFuture<void> m_done;
};

} // namespace

namespace {

struct SessionEnd
{
    int code = 0;
    bool normal = false; // the main window was shown and closed by choice
};

// The login screen, then the main window, until the event loop ends.
SessionEnd runSession(AppContext &context, const std::function<void(QWidget *)> &loginShown)
{
    std::unique_ptr<MainWindow> mainWindow;
    auto *login = new LoginDialog(context);
    login->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(login, &LoginDialog::loggedIn, [&] {
        mainWindow = std::make_unique<MainWindow>(context);
        mainWindow->show();
        // First activation once the login screen has closed.
        QTimer::singleShot(0, mainWindow.get(), [&] { mainWindow->activate(); });
    });
    QObject::connect(login, &LoginDialog::exitRequested, [&] { context.requestEnd(0); });
    login->show();
    if (loginShown)
        QTimer::singleShot(0, login, [login, &loginShown] { loginShown(login); });

    SessionEnd end;
    end.code = qApp->exec();
    end.normal = end.code == 0 && mainWindow;
    mainWindow.reset();
    return end;
}

// The generations around a session: the day's first with its check and the
// pruning before it, one more after a normal end.
int withGenerations(const std::optional<Generations> &generations,
                    const std::function<SessionEnd()> &session)
{
    DailyCheck dailyCheck;
    std::optional<Pruning> pruning;
    if (generations) {
        startOfDay(*generations, dailyCheck);
        pruning.emplace(*generations);
    }
    const auto [code, normal] = session();
    if (pruning)
        pruning->wait();
    if (generations && normal)
        takeGeneration(*generations);
    dailyCheck.wait();
    // A warning the check posted after the last event loop ended.
    QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);
    return code;
}

// On a database server the folder keeps no database: no instance lock and
// no files to check or recover. Its generations are archives of the
// server's database, unless the till is told to keep none.
int runOnServer(const DataFiles &files, const ServerSettings &server,
                const std::function<void(QWidget *)> &loginShown)
{
    Database store(server);
    if (const QString problem = Startup::openServer(store); !problem.isEmpty()) {
        Dialogs::error(nullptr, problem);
        return 1;
    }
    return withGenerations(
        server.autoBackups ? std::optional(ofServer(files, server)) : std::nullopt, [&] {
            AppContext context(store, files);
            context.server = server;
            const SessionEnd end = runSession(context, loginShown);
            store.close();
            return end;
        });
}

} // namespace

int runProgram(const QString &programFolder, const std::function<void(QWidget *)> &loginShown)
{
    const DataFiles files(programFolder);
    QString serverProblem;
    if (const auto server = Startup::chooseServer(files.folder(), &serverProblem))
        return runOnServer(files, *server, loginShown);
    if (!serverProblem.isEmpty()) {
        Dialogs::error(nullptr, serverProblem);
        return 1;
    }
    // Held until the program ends. A folder where no lock can be made is
    // reported by the check for a writable folder below.
    InstanceLock lock(files.folder());
    if (lock.acquire() == InstanceLock::Result::HeldByAnother) {
        Dialogs::message(nullptr, Startup::kAlreadyRunning);
        return 1;
    }
    if (const QString recovered = Startup::recoverInterruptedRun(files); !recovered.isEmpty())
        Dialogs::message(nullptr, recovered);
    if (const QString missing = Startup::missingFileMessage(files); !missing.isEmpty()) {
        Dialogs::message(nullptr, missing);
        return 1;
    }
    if (const QString readOnly = Startup::unwritableMessage(files); !readOnly.isEmpty()) {
        Dialogs::error(nullptr, readOnly);
        return 1;
    }
    Database store(files.liveDatabase());
    // An older file gets its ledger on the first open; a large one takes a
    // few seconds, shown by a busy progress dialog.
    std::unique_ptr<QProgressDialog> upgrading;
    store.setUpgradeNotice([&upgrading](bool running) {
        if (running) {
            upgrading = std::make_unique<QProgressDialog>(
                QStringLiteral("正在升级数据文件，请稍候……"), QString(), 0, 0);
            upgrading->setObjectName(QStringLiteral("shengji"));
            upgrading->setWindowTitle(Dialogs::kAppTitle);
            upgrading->setMinimumDuration(0);
            upgrading->setValue(0);
            upgrading->show();
            QApplication::processEvents();
        } else {
            upgrading.reset();
        }
    });
    if (const QString problem = Startup::openStore(store); !problem.isEmpty()) {
        Dialogs::error(nullptr, problem + QLatin1Char('\n') + store.lastError());
        return 1;
    }

    return withGenerations(ofFile(files), [&] {
        AppContext context(store, files);
        const SessionEnd end = runSession(context, loginShown);
        store.close();
        return end;
    });
}
