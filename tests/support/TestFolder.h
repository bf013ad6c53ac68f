#pragma once

#include "base/ProgramEnd.h"
#include "base/Session.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/ServerSettings.h"
#include "support/TestServer.h"

#include <QTemporaryDir>
#include <memory>
#include <optional>

// A temporary program folder holding copies of the delivered table.mdb and
// zero.mdb, with an open store on it, a session and a way to end the
// program that records the request instead of ending the test. With
// PELLOMAR_TEST_SERVER set the store is on a fresh database of the test
// cluster instead (support/TestServer.h); the folder still holds the files.
class TestFolder
{
public:
    explicit TestFolder(bool open = true);
    virtual ~TestFolder();

    // Stores a commission setting directly (0 for the unused mode).
    void setCommission(qint64 fixedYuan, qint64 percent);

    QString path() const { return m_dir.path(); }
    DataFiles files() const { return DataFiles(m_dir.path()); }
    Database &store() { return *m_store; }
    // A further store, not yet open, on the same database as store().
    std::unique_ptr<Database> newStore() const;
    // The server database of the store; nothing on a file.
    const std::optional<ServerSettings> &server() const { return m_server; }
    virtual Session &session() { return m_session; }
    virtual ProgramEnd &end() { return m_end; }

    // How often, and with what code, the program was asked to end.
    int endRequests() const { return m_endRequests; }
    int lastEndCode() const { return m_lastEndCode; }

    // Logs in a session as typed, with the role the account has (no password
    // check).
    void setSession(const QString &name, const QString &password);

protected:
    void recordEnd(int code);

private:
    QTemporaryDir m_dir;
    std::optional<ServerSettings> m_server;
    std::unique_ptr<Database> m_store;
    Session m_session;
    ProgramEnd m_end;
    int m_endRequests = 0;
    int m_lastEndCode = -1;
};

// Copies a delivered database file (table.mdb or zero.mdb) to dest.
bool copyDeliveredDatabase(const QString &name, const QString &dest);
