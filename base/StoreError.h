#pragma once

#include <QString>
#include <stdexcept>

// Thrown by the store when a statement fails. A user action that catches it
// has been rolled back by its Transaction before the exception arrives,
// unless its commit failed: then the store has read the file again to learn
// whether the action is in it, and outcome() says what it found.
class StoreError : public std::runtime_error
{
public:
    enum class Outcome {
        NothingChanged, // rolled back: the data is as it was before the action
        NotDone,        // the commit failed, and the file read again does not hold the action
        Unknown,        // the commit failed and the file cannot be read: it may hold the action
    };

    // Why the statement failed, where the store can tell: a server's
    // connection lost, or another connection's transaction in the way (a
    // deadlock or serialization failure, worth running the action again).
    enum class Cause { Statement, ConnectionLost, Conflict };

    explicit StoreError(const QString &what, Outcome outcome = Outcome::NothingChanged,
                        Cause cause = Cause::Statement)
        : std::runtime_error(what.toStdString()), m_text(what), m_outcome(outcome), m_cause(cause)
    {
    }
    QString text() const { return m_text; }
    Outcome outcome() const { return m_outcome; }
    Cause cause() const { return m_cause; }

private:
    QString m_text;
    Outcome m_outcome;
    Cause m_cause;
};
