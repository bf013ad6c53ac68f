#pragma once

#include "base/StoreError.h"

#include <QString>
#include <functional>

class QThreadPool;
class QWidget;
class TaskProgress;

// Every message box and input box of the program goes through here. In the
// program they are real QMessageBox and QInputDialog windows; tests install
// a Script that records each box and supplies the answers.
class Dialogs
{
public:
    static const QString kAppTitle; // "会员系统"

    enum class Icon { None, Error };
    enum class Echo { Normal, Password };

    struct Message
    {
        QString title;
        QString text;
        Icon icon = Icon::None;
        const QWidget *parent = nullptr; // the window the box stands over
    };
    struct Input
    {
        QString title;
        QString prompt;
        Echo echo = Echo::Normal;
    };
    struct FileChoice
    {
        QString title;
        bool folder = false; // a folder to write into, else a file to open
    };

    // A stand-in for the real boxes.
    class Script
    {
    public:
        virtual ~Script() = default;
        virtual void message(const Message &m) = 0;
        // The answer; an empty text stands for Cancel.
        virtual QString input(const Input &in) = 0;
        // The chosen path; an empty text stands for Cancel.
        virtual QString chooseFile(const FileChoice &choice) = 0;
        // Must run work to its end before returning, off the calling thread.
        virtual void runTask(const QString &title, TaskProgress &progress,
                             const std::function<void()> &work) = 0;
    };

    // A message with an OK button only.
    static void message(QWidget *parent, const QString &text, const QString &title = kAppTitle,
                        Icon icon = Icon::None);
    static void error(QWidget *parent, const QString &text, const QString &title = kAppTitle)
    {
        message(parent, text, title, Icon::Error);
    }
    // An input box with an empty default answer. Cancel and closing the box
    // give an empty answer.
    static QString input(QWidget *parent, const QString &prompt, const QString &title = kAppTitle,
                         Echo echo = Echo::Normal);

    // A folder to write into, or a file to open; empty for Cancel.
    static QString chooseFolder(QWidget *parent, const QString &title);
    static QString chooseFile(QWidget *parent, const QString &title);
    // Where the next choice starts: the folder of the last choice made in
    // this run, or the user's home.
    static QString startFolder();

    // Runs work on a worker thread while a progress window shows how far it
    // has come; the window stays responsive and offers to cancel while the
    // progress allows it. Returns when work has ended: true, or false when it
    // threw, after the failure was shown as a database failure. The work
    // must not touch the caller's database connection (Qt lets a connection
    // be used only on the thread that made it): it opens one of its own.
    static bool runTask(QWidget *parent, const QString &title, TaskProgress &progress,
                        const std::function<void()> &work);

    // Installs a script (nullptr restores the real boxes).
    static void setScript(Script *script);

    // The typed confirmation: the answer in upper case must equal "OK".
    static bool isOk(const QString &answer) { return answer.toUpper() == QLatin1String("OK"); }

    // The message shown when the database fails during an action. detail is
    // the engine's text: the box says what became of the action, in words
    // what happened and what to do, with that text as a detail line.
    static void databaseFailure(QWidget *parent, const QString &detail,
                                StoreError::Outcome outcome = StoreError::Outcome::NothingChanged);
    static void databaseFailure(QWidget *parent, const StoreError &error)
    {
        databaseFailure(parent, error.text(), error.outcome());
    }
    // The first line of the box, by what became of the action.
    static const QString kNothingChanged;
    static const QString kNotDone;
    static const QString kOutcomeUnknown;
    // Shown before the action's own result when its commit failed but the
    // file read again holds it.
    static const QString kDoneAfterAll;

private:
    static QThreadPool &taskPool();
    static void showProgressOf(QWidget *parent, const QString &title, TaskProgress &progress,
                               const std::function<void()> &work);
};
