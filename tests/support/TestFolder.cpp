#include "support/TestFolder.h"

#include "rules/admins/PasswordHash.h"
#include "store/AdminTable.h"
#include "store/CommissionTable.h"

#include <QFile>

bool copyDeliveredDatabase(const QString &name, const QString &dest)
{
    const QString source = QStringLiteral(PELLOMAR_DATA_DIR "/") + name;
    QFile::remove(dest);
    if (!QFile::copy(source, dest))
        return false;
    return QFile::setPermissions(dest, QFile::ReadOwner | QFile::WriteOwner);
}

TestFolder::TestFolder(bool open)
{
    PasswordHash::useLowestCostForTesting();
    const DataFiles f(m_dir.path());
    if (!copyDeliveredDatabase(QStringLiteral("table.mdb"), f.liveDatabase()) ||
        !copyDeliveredDatabase(QStringLiteral("zero.mdb"), f.blankTemplate()))
        qFatal("cannot copy the delivered databases into %s", qPrintable(m_dir.path()));
    m_store = std::make_unique<MemberStore>(f.liveDatabase());
    if (open && !m_store->open())
        qFatal("cannot open %s: %s", qPrintable(f.liveDatabase()),
               qPrintable(m_store->lastError()));
    m_context = std::make_unique<AppContext>(*m_store, f);
    m_context->endProgram = [this](int code) {
        ++m_endRequests;
        m_lastEndCode = code;
    };
}

void TestFolder::setSession(const QString &name, const QString &password)
{
    m_context->session = Session{name, password};
}

void TestFolder::setCommission(qint64 fixedYuan, qint64 percent)
{
    Transaction tx(*m_store);
    CommissionTable(*m_store).storeIfUnset({fixedYuan, percent});
    tx.commit();
}
