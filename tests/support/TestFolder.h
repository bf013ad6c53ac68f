#pragma once

#include "program/AppContext.h"
#include "store/DataFiles.h"
#include "store/MemberStore.h"

#include <QTemporaryDir>
#include <memory>

// A temporary program folder holding copies of the delivered table.mdb and
// zero.mdb, with an open store and an application context on it. The
// context's endProgram records the call instead of ending the test.
class TestFolder
{
public:
    explicit TestFolder(bool open = true);

    // Stores a commission setting directly (0 for the unused mode).
    void setCommission(qint64 fixedYuan, qint64 percent);

    QString path() const { return m_dir.path(); }
    DataFiles files() const { return DataFiles(m_dir.path()); }
    MemberStore &store() { return *m_store; }
    AppContext &context() { return *m_context; }

    // How often, and with what code, the program was asked to end.
    int endRequests() const { return m_endRequests; }
    int lastEndCode() const { return m_lastEndCode; }

    // Logs in a session as typed (no database check).
    void setSession(const QString &name, const QString &password);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<MemberStore> m_store;
    std::unique_ptr<AppContext> m_context;
    int m_endRequests = 0;
    int m_lastEndCode = -1;
};

// Copies a delivered database file (table.mdb or zero.mdb) to dest.
bool copyDeliveredDatabase(const QString &name, const QString &dest);
