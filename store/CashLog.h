#pragma once

#include <QString>

class Database;
class QDateTime;

// 现金: one row per consumption paid in cash.
class CashLog
{
public:
    explicit CashLog(Database &store) : m_store(store) {}

    // Adds a row with 名称 "现金消费", or the given name; when is stored as
    // "yyyy-MM-dd HH:mm:ss".
    void add(const QDateTime &when, const QString &amountText);
    void add(const QDateTime &when, const QString &amountText, const QString &name);
    qint64 count();

private:
    Database &m_store;
};
