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

// An automatic generation of the live database behind a progress window.
AutoBackups::Result takeGeneration(const DataFiles &files)
{
    DiskFileOps fileOps;
    TaskProgress progress;
    AutoBackups::Result result;
    Dialogs::runTask(nullptr, QStringLiteral("自动备份"), progress,
                     [&] { result = AutoBackups(files, fileOps, &progress).take(); });
    for (const QString &message : std::as_const(result.messages))
        Dialogs::message(nullptr, message);
    return result;
}

// The first start of a day keeps a generation and checks it fully in the
// background; the check's warning comes whenever it is done.
void startOfDay(const DataFiles &files, DailyCheck &check)
{
    DiskFileOps fileOps;
    if (!AutoBackups(files, fileOps).firstStartToday())
        return;
    const AutoBackups::Result taken = takeGeneration(files);
    // Without a generation there is nothing to check: the live file is never
    // checked in its place, where a connection left open by the check would
    // stand in the way of a restore or a clear. The next start tries again.
    if (taken.path.isEmpty())
        return;
    check.start(taken.path, qApp, [](const QString &problem) {
        Dialogs::error(nullptr, DailyCheck::kDamaged + QLatin1Char('\n') + problem);
    });
}

// Gives generations without a manifest one and deletes the generations past
// their time on a pooled thread, started at each start, so that nobody waits
// for it; it ends before the generation at exit is taken. A failure is told
// once the event loop runs.
class Pruning
{
public:
    explicit Pruning(const DataFiles &files)
        : m_done(QtConcurrent::run([files] {
              DiskFileOps fileOps;
              AutoBackups autos(files, fileOps);
              // A generation gets its manifest first, so that a verified one
              // is never pruned for it.
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

// On a database server the folder keeps no database: no instance lock, no
// files to check or recover, no generations (the server's own backups
// serve the chain; a backup from the backup screen lands in backup/).
int runOnServer(const DataFiles &files, const ServerSettings &server,
                const std::function<void(QWidget *)> &loginShown)
{
    Database store(server);
    if (const QString problem = Startup::openServer(store); !problem.isEmpty()) {
        Dialogs::error(nullptr, problem);
        return 1;
    }
    AppContext context(store, files);
    context.server = server;
    const int code = runSession(context, loginShown).code;
    store.close();
    return code;
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

    DailyCheck dailyCheck;
    startOfDay(files, dailyCheck);
    Pruning pruning(files);

    AppContext context(store, files);
    const SessionEnd end = runSession(context, loginShown);
    store.close();
    pruning.wait();
    if (end.normal)
        takeGeneration(files);
    dailyCheck.wait();
    // A warning the check posted after the last event loop ended.
    QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);
    return end.code;
}
