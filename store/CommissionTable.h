#pragma once

#include "store/CommissionSetting.h"

#include <optional>

class Database;

// Statements on 提成基数.
class CommissionTable
{
public:
    explicit CommissionTable(Database &store) : m_store(store) {}

    // The first stored row, or nothing while the mode has not been chosen.
    std::optional<CommissionSetting> load();
    bool isSet() { return load().has_value(); }
    // Stores the row when the table is empty; returns false (and writes
    // nothing) when a row exists already. The caller holds the transaction.
    bool storeIfUnset(const CommissionSetting &setting);

private:
    Database &m_store;
};
