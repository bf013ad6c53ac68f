#pragma once

#include <QString>
#include <stdexcept>

// Thrown by the store when a statement fails. A user action that catches it
// has been rolled back by its Transaction before the exception arrives.
class StoreError : public std::runtime_error
{
public:
    explicit StoreError(const QString &what) : std::runtime_error(what.toStdString()), m_text(what)
    {
    }
    QString text() const { return m_text; }

private:
    QString m_text;
};
