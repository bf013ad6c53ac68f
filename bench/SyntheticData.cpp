#include "SyntheticData.h"

#include "store/AdminTable.h"
#include "store/CommissionTable.h"
#include "store/MemberStore.h"
#include "store/MemberTable.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

namespace SyntheticData {

QString memberName(qint64 i)
{
    return QStringLiteral("会员%1").arg(i, 7, 10, QLatin1Char('0'));
}

QString memberPhone(qint64 i)
{
    return QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0'));
}

qint64 balanceFen(qint64 i)
{
    return (i * 7919) % 1000000;
}

QString database(const QString &folder, qint64 members)
{
    QDir().mkpath(folder);
    const QString path = QStringLiteral("%1/members-%2.mdb").arg(folder).arg(members);
    if (QFile::exists(path))
        return path;
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    if (!QFile::copy(QStringLiteral(PELLOMAR_DATA_DIR "/zero.mdb"), partial))
        qFatal("cannot copy the template");
    QFile::setPermissions(partial, QFile::ReadOwner | QFile::WriteOwner);
    QTextStream(stderr) << "building " << members << " members ...\n";
    {
        MemberStore store(partial);
        if (!store.open())
            qFatal("cannot open %s", qPrintable(partial));
        MemberTable table(store);
        const qint64 batch = 20000;
        for (qint64 start = 0; start < members; start += batch) {
            Transaction tx(store);
            for (qint64 i = start; i < std::min(members, start + batch); ++i) {
                Member m;
                m.name = memberName(i);
                m.sex = i % 2 ? QStringLiteral("女") : QStringLiteral("男");
                m.phone = memberPhone(i);
                if (i > 0) { // each member was referred by the one registered at half his number
                    m.referrer = memberName(i / 2);
                    m.referrerPhone = memberPhone(i / 2);
                }
                m.balance = Money::fromFen(balanceFen(i));
                m.registered = QDate(2020, 1, 1).addDays(i % 2000);
                table.insert(m);
            }
            tx.commit();
        }
        Transaction tx(store);
        CommissionTable(store).storeIfUnset({5, 0});
        tx.commit();
    }
    if (!QFile::rename(partial, path))
        qFatal("cannot rename %s", qPrintable(partial));
    return path;
}

bool makeProgramFolder(const QString &database, const QString &folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    return QFile::copy(database, folder + QStringLiteral("/table.mdb")) &&
           QFile::copy(QStringLiteral(PELLOMAR_DATA_DIR "/zero.mdb"),
                       folder + QStringLiteral("/zero.mdb")) &&
           QFile::setPermissions(folder + QStringLiteral("/table.mdb"),
                                 QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace SyntheticData
