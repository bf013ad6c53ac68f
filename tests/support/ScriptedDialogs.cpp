#include "support/ScriptedDialogs.h"

#include <QtConcurrent/QtConcurrentRun>

ScriptedDialogs::ScriptedDialogs()
{
    Dialogs::setScript(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    Dialogs::setScript(nullptr);
}

void ScriptedDialogs::answer(const QString &text)
{
    m_answers << text;
}

QStringList ScriptedDialogs::takeMessages()
{
    QStringList texts;
    for (const Dialogs::Message &m : std::as_const(m_messages))
        texts << m.text;
    m_messages.clear();
    return texts;
}

QList<Dialogs::Message> ScriptedDialogs::takeMessageDetails()
{
    return std::exchange(m_messages, {});
}

QList<Dialogs::Input> ScriptedDialogs::takeInputs()
{
    return std::exchange(m_inputs, {});
}

QString ScriptedDialogs::problems() const
{
    QStringList p = m_unexpected;
    if (!m_choices.isEmpty())
        p << QStringLiteral("unused file choices: ") + m_choices.join(QStringLiteral(" | "));
    if (!m_answers.isEmpty())
        p << QStringLiteral("unused answers: ") + m_answers.join(QStringLiteral(" | "));
    for (const Dialogs::Message &m : m_messages)
        p << QStringLiteral("message not checked: ") + m.text;
    return p.join(QLatin1Char('\n'));
}

void ScriptedDialogs::message(const Dialogs::Message &m)
{
    m_messages << m;
}

QString ScriptedDialogs::input(const Dialogs::Input &in)
{
    m_inputs << in;
    if (m_answers.isEmpty()) {
        m_unexpected << QStringLiteral("input box without a scripted answer: ") + in.prompt;
        return QString();
    }
    return m_answers.takeFirst();
}

void ScriptedDialogs::choose(const QString &path)
{
    m_choices << path;
}

QStringList ScriptedDialogs::takeTasks()
{
    return std::exchange(m_tasks, {});
}

QString ScriptedDialogs::chooseFile(const Dialogs::FileChoice &choice)
{
    if (m_choices.isEmpty()) {
        m_unexpected << QStringLiteral("file choice without a scripted answer: ") + choice.title;
        return QString();
    }
    return m_choices.takeFirst();
}

void ScriptedDialogs::runTask(const QString &title, TaskProgress &,
                              const std::function<void()> &work)
{
    m_tasks << title;
    QtConcurrent::run(work).waitForFinished();
}
