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

    explicit StoreError(const QString &what, Outcome outcome = Outcome::NothingChanged)
        : std::runtime_error(what.toStdString()), m_text(what), m_outcome(outcome)
    {
    }
    QString text() const { return m_text; }
    Outcome outcome() const { return m_outcome; }

private:
    QString m_text;
    Outcome m_outcome;
};
