#include "support/TestFolder.h"

#include "rules/admins/Login.h"
#include "rules/admins/PasswordHash.h"
#include "store/CommissionTable.h"
#include "support/TestServer.h"

#include <QFile>

bool copyDeliveredDatabase(const QString &name, const QString &dest)
{
    const QString source = QStringLiteral(PELLOMAR_DATA_DIR "/") + name;
    QFile::remove(dest);
    if (!QFile::copy(source, dest))
        return false;
    return QFile::setPermissions(dest, QFile::ReadOwner | QFile::WriteOwner);
}

TestFolder::TestFolder(bool open) : m_end([this](int code) { recordEnd(code); })
{
    PasswordHash::useLowestCostForTesting();
    const DataFiles f(m_dir.path());
    if (!copyDeliveredDatabase(QStringLiteral("table.mdb"), f.liveDatabase()) ||
        !copyDeliveredDatabase(QStringLiteral("zero.mdb"), f.blankTemplate()))
        qFatal("cannot copy the delivered databases into %s", qPrintable(m_dir.path()));
    if (TestServer::cluster()) {
        m_server = TestServer::freshDatabase();
        m_store = std::make_unique<Database>(*m_server);
    } else {
        m_store = std::make_unique<Database>(f.liveDatabase());
    }
    if (open && !m_store->open())
        qFatal("cannot open %s: %s", qPrintable(f.liveDatabase()),
               qPrintable(m_store->lastError()));
}

TestFolder::~TestFolder()
{
    m_store.reset();
    if (m_server)
        TestServer::release(*m_server);
}

std::unique_ptr<Database> TestFolder::newStore() const
{
    return m_server ? std::make_unique<Database>(*m_server)
                    : std::make_unique<Database>(files().liveDatabase());
}

void TestFolder::recordEnd(int code)
{
    ++m_endRequests;
    m_lastEndCode = code;
}

void TestFolder::setSession(const QString &name, const QString &password)
{
    session() = Login::sessionOf(*m_store, name, password);
}

void TestFolder::setCommission(qint64 fixedYuan, qint64 percent)
{
    Transaction tx(*m_store);
    CommissionTable(*m_store).storeIfUnset({fixedYuan, percent});
    tx.commit();
}
