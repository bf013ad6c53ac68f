#include "TillRun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <csignal>

TillRun::TillRun(QString worker, QString folder, int actionsEach, quint64 seed)
    : m_worker(std::move(worker)), m_folder(std::move(folder)), m_actionsEach(actionsEach),
      m_rng(seed)
{
}

TillRun::~TillRun()
{
    for (const auto &till : m_tills) {
        if (till->process->state() != QProcess::NotRunning) {
            till->process->kill();
            till->process->waitForFinished(5000);
        }
    }
}

void TillRun::start(int tills)
{
    m_total += tills * m_actionsEach;
    for (int i = 0; i < tills; ++i)
        launch(m_actionsEach);
}

void TillRun::launch(int actions)
{
    auto till = std::make_shared<Till>();
    till->process = std::make_unique<QProcess>();
    till->left = actions;
    till->process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    till->process->start(m_worker, {m_folder, QString::number(m_rng.generate64()),
                                    QString::number(actions), QString::number(++m_launched)});
    m_tills << till;
}

void TillRun::read(Till &till)
{
    while (till.process->canReadLine()) {
        const QString line = QString::fromUtf8(till.process->readLine()).trimmed();
        const QString what = line.section(QLatin1Char(' '), 0, 0);
        const QString kind = line.section(QLatin1Char(' '), 1, 1);
        const QString detail = line.section(QLatin1Char(' '), 2);
        if (what == QLatin1String("begin")) {
            till.inFlight = kind;
            continue;
        }
        if (what == QLatin1String("end")) {
            till.ended = true;
            continue;
        }
        till.inFlight.clear();
        --till.left;
        ++m_actionsRun;
        if (what == QLatin1String("done")) {
            ++m_reported.done[kind];
            m_reported.operations << detail;
        } else if (what == QLatin1String("failed")) {
            ++m_reported.failed[kind];
        } else if (what != QLatin1String("refused")) {
            m_wrong << line;
        }
    }
}

// A till that stopped: what it left unsaid.
void TillRun::settle(Till &till)
{
    read(till);
    till.settled = true;
    if (till.killed) {
        // The action in flight went with the till: done or not, unknown.
        if (!till.inFlight.isEmpty()) {
            ++m_reported.failed[till.inFlight];
            ++m_actionsRun;
            --till.left;
        }
        return;
    }
    if (!till.ended || till.left != 0 || till.process->exitCode() != 0)
        m_wrong << QStringLiteral("a till stopped with code %1, %2 actions short")
                       .arg(till.process->exitCode())
                       .arg(till.left);
}

bool TillRun::pump(int ms)
{
    QElapsedTimer clock;
    clock.start();
    bool running = true;
    while (running && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
        running = false;
        for (const auto &till : m_tills) {
            if (till->settled)
                continue;
            read(*till);
            if (till->process->state() == QProcess::NotRunning)
                settle(*till);
            else
                running = true;
        }
    }
    return running;
}

void TillRun::killOne()
{
    QList<std::shared_ptr<Till>> running;
    for (const auto &till : m_tills) {
        if (!till->settled && till->process->state() == QProcess::Running && till->left > 0)
            running << till;
    }
    if (running.isEmpty())
        return;
    const auto till = running.at(int(m_rng.bounded(quint32(running.size()))));
    ::kill(pid_t(till->process->processId()), SIGKILL);
    till->process->waitForFinished(5000);
    till->killed = true;
    settle(*till);
    if (till->left > 0)
        launch(till->left);
}
