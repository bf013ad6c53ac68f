#pragma once

#include <QString>
#include <optional>

class Database;

// 设置: what each administrator chose on the screens, one text per setting
// name, kept in the data file so that a copied program folder carries it.
class SettingsTable
{
public:
    // The settings of the administrator the store works for.
    explicit SettingsTable(Database &store);
    // The shop's own settings (the shop's name, the slips), which every
    // account shares: kept under an empty administrator's name.
    static SettingsTable shop(Database &store);

    // The stored text, or nothing when the setting was never written.
    std::optional<QString> value(const QString &name);
    bool flag(const QString &name, bool byDefault);

    // Writes the setting in a transaction of its own (or the caller's).
    void setValue(const QString &name, const QString &value);
    void setFlag(const QString &name, bool on);

private:
    SettingsTable(Database &store, const QString &admin) : m_store(store), m_admin(admin) {}
    Database &m_store;
    QString m_admin;
};
