#pragma once

#include "Invariants.h"

#include <QList>
#include <QProcess>
#include <QRandomGenerator>
#include <QString>
#include <memory>

// Several tillworker processes on one shop's folder, and what they said.
// A till that is killed is replaced by a new one (another seed) that runs
// the actions the killed one left; its action in flight counts as failed.
class TillRun
{
public:
    TillRun(QString worker, QString folder, int actionsEach, quint64 seed);
    ~TillRun();

    void start(int tills);
    // Reads what the tills said for a while; false once all have ended.
    bool pump(int ms);
    // SIGKILLs one running till at random and starts its replacement.
    void killOne();

    int actionsRun() const { return m_actionsRun; }
    int total() const { return m_total; }
    const Invariants::Reported &reported() const { return m_reported; }
    // Lines no till may say (a refusal the actions never cause, a till that
    // ended without saying "end"), and each till's errors.
    const QStringList &wrong() const { return m_wrong; }

private:
    struct Till
    {
        std::unique_ptr<QProcess> process;
        int left = 0;       // actions not yet reported
        QString inFlight;   // the kind begun and not yet reported
        bool ended = false; // said "end"
        bool killed = false;
        bool settled = false; // stopped, and all it said is read
    };
    void launch(int actions);
    void read(Till &till);
    void settle(Till &till);

    QString m_worker;
    QString m_folder;
    int m_total = 0;
    int m_actionsEach;
    int m_actionsRun = 0;
    int m_launched = 0;
    QRandomGenerator m_rng;
    QList<std::shared_ptr<Till>> m_tills;
    Invariants::Reported m_reported;
    QStringList m_wrong;
};
