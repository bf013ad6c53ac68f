#pragma once

#include <QtGlobal>
#include <optional>

class MemberStore;

// The one row of 提成基数, once the commission mode is chosen.
struct CommissionSetting
{
    qint64 fixedYuan = 0; // 固定提成
    qint64 percent = 0;   // 消费比例提成
};

class CommissionTable
{
public:
    explicit CommissionTable(MemberStore &store) : m_store(store) {}

    // The first stored row, or nothing while the mode has not been chosen.
    std::optional<CommissionSetting> load();
    bool isSet() { return load().has_value(); }
    // Stores the row when the table is empty; returns false (and writes
    // nothing) when a row exists already. The caller holds the transaction.
    bool storeIfUnset(const CommissionSetting &setting);

private:
    MemberStore &m_store;
};
