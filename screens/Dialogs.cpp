#include "screens/Dialogs.h"

#include "base/StoreError.h"
#include "rules/backup/TaskProgress.h"
#include "store/DatabaseErrorText.h"

#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

const QString Dialogs::kAppTitle = QStringLiteral("会员系统");

namespace {
Dialogs::Script *g_script = nullptr;
// Width a title bar spends besides the title: icon, close button, margins.
constexpr int kTitleBarButtons = 120;
} // namespace

void Dialogs::setScript(Script *script)
{
    g_script = script;
}

void Dialogs::message(QWidget *parent, const QString &text, const QString &title, Icon icon)
{
    if (g_script) {
        g_script->message({title, text, icon, parent});
        return;
    }
    QMessageBox box(icon == Icon::Error ? QMessageBox::Critical : QMessageBox::NoIcon, title, text,
                    QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    // No narrower than its title with room for the window's buttons, so that
    // a short text does not cut the title off.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        const int width = box.fontMetrics().horizontalAdvance(title) + kTitleBarButtons;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
}

QString Dialogs::input(QWidget *parent, const QString &prompt, const QString &title, Echo echo)
{
    if (g_script)
        return g_script->input({title, prompt, echo});
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(QString());
    dialog.setTextEchoMode(echo == Echo::Password ? QLineEdit::Password : QLineEdit::Normal);
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

const QString Dialogs::kNothingChanged = QStringLiteral("数据库操作失败，本次操作未做任何更改。");
const QString Dialogs::kNotDone = QStringLiteral("本次操作未完成，数据未改动");
const QString Dialogs::kOutcomeUnknown =
    QStringLiteral("无法确认本次操作是否完成，请重新打开程序后在会员流水中核对，切勿重复登记。");
const QString Dialogs::kDoneAfterAll =
    QStringLiteral("操作已完成\n保存时磁盘报告了错误，重新读取数据文件后确认本次操作已经保存，"
                   "请不要重复登记。请尽快检查磁盘并备份数据。");

void Dialogs::databaseFailure(QWidget *parent, const QString &detail, StoreError::Outcome outcome)
{
    const QString &what = outcome == StoreError::Outcome::NotDone   ? kNotDone
                          : outcome == StoreError::Outcome::Unknown ? kOutcomeUnknown
                                                                    : kNothingChanged;
    message(parent, what + QLatin1Char('\n') + DatabaseErrorText::withDetail(detail), kAppTitle,
            Icon::Error);
}

namespace {

// The folder of the last file or folder chosen in this run.
QString g_lastFolder;

QString remembered(const QString &chosen, bool folder)
{
    if (!chosen.isEmpty())
        g_lastFolder = folder ? chosen : QFileInfo(chosen).absolutePath();
    return chosen;
}

} // namespace

QString Dialogs::startFolder()
{
    if (!g_lastFolder.isEmpty() && QFileInfo(g_lastFolder).isDir())
        return g_lastFolder;
    return QDir::homePath();
}

QString Dialogs::chooseFolder(QWidget *parent, const QString &title)
{
    if (g_script)
        return remembered(g_script->chooseFile({title, true}), true);
    return remembered(QFileDialog::getExistingDirectory(parent, title, startFolder()), true);
}

QString Dialogs::chooseFile(QWidget *parent, const QString &title)
{
    if (g_script)
        return remembered(g_script->chooseFile({title, false}), false);
    return remembered(
        QFileDialog::getOpenFileName(parent, title, startFolder(),
                                     QStringLiteral("数据库备份 (*.mdb);;所有文件 (*)")),
        false);
}

bool Dialogs::runTask(QWidget *parent, const QString &title, TaskProgress &progress,
                      const std::function<void()> &work)
{
    std::exception_ptr thrown;
    const std::function<void()> guarded = [&] {
        try {
            work();
        } catch (...) {
            thrown = std::current_exception();
        }
    };
    if (g_script)
        g_script->runTask(title, progress, guarded);
    else
        showProgressOf(parent, title, progress, guarded);
    if (!thrown)
        return true;
    // Said here, on the window's thread, so that no failure of the work
    // leaves the slot that started it.
    try {
        std::rethrow_exception(thrown);
    } catch (const StoreError &e) {
        databaseFailure(parent, e.text());
    } catch (const std::exception &e) {
        databaseFailure(parent, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        databaseFailure(parent, QString());
    }
    return false;
}

QThreadPool &Dialogs::taskPool()
{
    // Threads of their own, so that work queued on Qt's shared pool never
    // keeps a progress window waiting.
    static QThreadPool pool;
    return pool;
}

void Dialogs::showProgressOf(QWidget *parent, const QString &title, TaskProgress &progress,
                             const std::function<void()> &work)
{
    QProgressDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    // A short task ends before the window would only flash.
    dialog.setMinimumDuration(300);
    dialog.setRange(0, 1000);
    dialog.setCancelButtonText(QStringLiteral("取消"));
    // Cancel asks the work to stop; the window stays until it has.
    QObject::disconnect(&dialog, &QProgressDialog::canceled, &dialog, &QProgressDialog::cancel);
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] {
        if (progress.requestCancel())
            dialog.setLabelText(QStringLiteral("正在取消…"));
    });
    const auto show = [&dialog, &progress] {
        if (!progress.cancelled())
            dialog.setLabelText(progress.phase());
        const int perMille = progress.perMille();
        dialog.setMaximum(perMille < 0 ? 0 : 1000);
        if (perMille >= 0)
            dialog.setValue(perMille);
        if (auto *cancel = dialog.findChild<QPushButton *>())
            cancel->setEnabled(progress.cancellable() && !progress.cancelled());
    };
    show();
    // The worker tells of each change; the window shows it when its turn
    // comes. What is still queued when the window goes is dropped with it.
    progress.setObserver(
        [&dialog, show] { QMetaObject::invokeMethod(&dialog, show, Qt::QueuedConnection); });

    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(&taskPool(), work));
    loop.exec();
    progress.setObserver({});
}
