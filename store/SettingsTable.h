#pragma once

#include <QString>
#include <optional>

class MemberStore;

// 设置: one row per named setting, its value as text. Every method throws
// StoreError when the database fails.
class SettingsTable
{
public:
    explicit SettingsTable(MemberStore &store) : m_store(store) {}

    // The stored value, or nothing while the setting was never stored.
    std::optional<QString> value(const QString &name);
    // Stores the value, replacing an earlier one. The caller holds the
    // transaction.
    void setValue(const QString &name, const QString &value);

private:
    MemberStore &m_store;
};
