#pragma once

#include "screens/Dialogs.h"

#include <QList>
#include <QStringList>

// Stands in for every message box and input box while it exists. Input boxes
// take their answers from a queue; every box is recorded. verifyDone() (call
// it in cleanup()) fails the test when an answer was left unused, a box came
// that no answer was scripted for, or a message was never looked at.
class ScriptedDialogs : public Dialogs::Script
{
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // The answer for the next input box; "" stands for Cancel.
    void answer(const QString &text);
    // The answer for the next file or folder choice; "" stands for Cancel.
    void choose(const QString &path);
    // The titles of the progress windows shown since the last call; their
    // work ran on a pooled thread, never the calling one.
    QStringList takeTasks();

    // The texts of the messages shown since the last call, oldest first.
    QStringList takeMessages();
    // The messages with their titles and icons.
    QList<Dialogs::Message> takeMessageDetails();
    // The input boxes asked since the last call.
    QList<Dialogs::Input> takeInputs();

    // Empty when everything scripted was used and everything shown was taken.
    QString problems() const;

    void message(const Dialogs::Message &m) override;
    QString input(const Dialogs::Input &in) override;
    QString chooseFile(const Dialogs::FileChoice &choice) override;
    void runTask(const QString &title, TaskProgress &progress,
                 const std::function<void()> &work) override;

private:
    QStringList m_answers;
    QStringList m_choices;
    QStringList m_tasks;
    QList<Dialogs::Message> m_messages;
    QList<Dialogs::Input> m_inputs;
    QStringList m_unexpected;
};

// For cleanup(): QVERIFY2 on the script's problems, then reset it.
#define VERIFY_DIALOGS_DONE(script)                                                                \
    do {                                                                                           \
        const QString problems_ = (script).problems();                                             \
        (script).takeMessages();                                                                   \
        (script).takeInputs();                                                                     \
        (script).takeTasks();                                                                      \
        QVERIFY2(problems_.isEmpty(), qPrintable(problems_));                                      \
    } while (false)
