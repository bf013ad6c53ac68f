#include "SyntheticData.h"

#include "store/AdminTable.h"
#include "store/CommissionTable.h"
#include "store/Ledger.h"
#include "store/MemberStore.h"
#include "store/MemberTable.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

#include <sqlite3.h>

#include <vector>

namespace SyntheticData {

namespace {

// The raw C API on a file being built: no journal and no flushes (a file
// that fails half-way is built again from the start), a large cache, every
// statement prepared once.
class Builder
{
public:
    explicit Builder(const QString &path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE,
                            nullptr) != SQLITE_OK)
            qFatal("cannot open %s", qPrintable(path));
        exec(QStringLiteral("PRAGMA journal_mode=OFF"));
        exec(QStringLiteral("PRAGMA synchronous=OFF"));
        exec(QStringLiteral("PRAGMA cache_size=-262144"));
    }
    ~Builder()
    {
        for (sqlite3_stmt *s : m_statements)
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }
    void exec(const QString &sql)
    {
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            qFatal("building failed: %s", sqlite3_errmsg(m_db));
    }
    sqlite3_stmt *prepare(const QString &sql)
    {
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK)
            qFatal("building failed: %s", sqlite3_errmsg(m_db));
        m_statements.push_back(s);
        return s;
    }
    // Runs a statement that returns no rows and resets it.
    void run(sqlite3_stmt *s)
    {
        if (sqlite3_step(s) != SQLITE_DONE)
            qFatal("building failed: %s", sqlite3_errmsg(m_db));
        sqlite3_reset(s);
    }

private:
    sqlite3 *m_db = nullptr;
    std::vector<sqlite3_stmt *> m_statements;
};

QByteArray columnBytes(sqlite3_stmt *s, int column)
{
    return QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(s, column)),
                      sqlite3_column_bytes(s, column));
}

// Binds an amount in the form the program stores it in 会员登记.
void bindStored(sqlite3_stmt *s, int i, qint64 fen)
{
    const QVariant stored = Money::fromFen(fen).toStored();
    if (stored.typeId() == QMetaType::LongLong)
        sqlite3_bind_int64(s, i, stored.toLongLong());
    else
        sqlite3_bind_double(s, i, stored.toDouble());
}

// Copies a prepared database to the partial file another one is built in.
QString startFrom(const QString &source, const QString &path)
{
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    if (!QFile::copy(source, partial))
        qFatal("cannot copy %s", qPrintable(source));
    QFile::setPermissions(partial, QFile::ReadOwner | QFile::WriteOwner);
    return partial;
}

void finish(const QString &partial, const QString &path)
{
    if (!QFile::rename(partial, path))
        qFatal("cannot rename %s", qPrintable(partial));
}

// A file built by an earlier version of the program is upgraded once here
// rather than in every copy the benchmarks open.
QString upToDate(const QString &path)
{
    if (Schema::versionOf(path) != Schema::kVersion) {
        if (const QString problem = Schema::upgradeFile(path); !problem.isEmpty())
            qFatal("cannot upgrade %s: %s", qPrintable(path), qPrintable(problem));
    }
    return path;
}

} // namespace

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
        return upToDate(path);
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

QString ledgerDatabase(const QString &folder, qint64 members, qint64 entries, qint64 busyEntries)
{
    const QString path = QStringLiteral("%1/ledger-%2-%3-%4.mdb")
                             .arg(folder)
                             .arg(members)
                             .arg(entries)
                             .arg(busyEntries);
    if (QFile::exists(path))
        return upToDate(path);
    if (entries < members + busyEntries || busyEntries < 2 || kBusyMember >= members)
        qFatal("no such ledger");
    const QString partial = startFrom(database(folder, members), path);
    QTextStream(stderr) << "building a ledger of " << entries << " entries ...\n";
    Builder b(partial);
    b.exec(QStringLiteral("BEGIN"));
    // The ledger's indexes are made again after its rows: sorting once is
    // far quicker than keeping them in order row by row.
    QStringList drops, creates;
    {
        sqlite3_stmt *s = b.prepare(QStringLiteral(
            "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = '账户流水' "
            "AND sql IS NOT NULL"));
        while (sqlite3_step(s) == SQLITE_ROW) {
            drops << QStringLiteral("DROP INDEX ") + QString::fromUtf8(columnBytes(s, 0));
            creates << QString::fromUtf8(columnBytes(s, 1));
        }
    }
    for (const QString &sql : drops)
        b.exec(sql);
    b.exec(QStringLiteral("DELETE FROM 账户流水"));
    b.exec(QStringLiteral("DELETE FROM 会员账户"));
    b.exec(
        QStringLiteral("INSERT INTO 会员账户 (会员号, 会员行) SELECT rowid, rowid FROM 会员登记"));

    struct Account
    {
        qint64 id = 0;
        QByteArray name, phone;
        qint64 balance = 0, consumed = 0, count = 0; // fen, fen, consumptions
        int turn = 0;                                // of the kinds below
    };
    std::vector<Account> accounts;
    accounts.reserve(size_t(members));
    {
        sqlite3_stmt *s = b.prepare(
            QStringLiteral("SELECT rowid, 会员名, 手机号, CAST(round(余额 * 100) AS INTEGER), "
                           "CAST(round(消费金额 * 100) AS INTEGER), 被推荐人消费次数 FROM 会员登记 "
                           "ORDER BY rowid"));
        while (sqlite3_step(s) == SQLITE_ROW)
            accounts.push_back({sqlite3_column_int64(s, 0), columnBytes(s, 1), columnBytes(s, 2),
                                sqlite3_column_int64(s, 3), sqlite3_column_int64(s, 4),
                                sqlite3_column_int64(s, 5)});
    }
    if (qint64(accounts.size()) != members ||
        accounts[size_t(kBusyMember)].name != memberName(kBusyMember).toUtf8())
        qFatal("the members are not those of the prepared database");

    sqlite3_stmt *insert = b.prepare(QStringLiteral(
        "INSERT INTO 账户流水 (时间, 会员号, 会员名, 手机号, 类别, 金额, 余额变动, "
        "余额, 消费变动, 次数变动, 管理员) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QByteArray admin = QByteArrayLiteral("admin");
    const QByteArray opening = Ledger::kOpening.toUtf8();
    const QByteArray recharge = Ledger::kRecharge.toUtf8();
    const QByteArray fromBalance = Ledger::kBalanceConsumption.toUtf8();
    const QByteArray cash = Ledger::kCashConsumption.toUtf8();
    char time[32];
    const auto add = [&](const Account &a, const QByteArray &kind, qint64 amount, qint64 balance,
                         qint64 consumed, qint64 count) {
        sqlite3_bind_text(insert, 1, time, -1, SQLITE_STATIC);
        sqlite3_bind_int64(insert, 2, a.id);
        sqlite3_bind_text(insert, 3, a.name.constData(), int(a.name.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, a.phone.constData(), int(a.phone.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 5, kind.constData(), int(kind.size()), SQLITE_STATIC);
        sqlite3_bind_int64(insert, 6, amount);
        sqlite3_bind_int64(insert, 7, balance);
        sqlite3_bind_int64(insert, 8, a.balance);
        sqlite3_bind_int64(insert, 9, consumed);
        sqlite3_bind_int64(insert, 10, count);
        sqlite3_bind_text(insert, 11, admin.constData(), int(admin.size()), SQLITE_STATIC);
        b.run(insert);
    };

    // Every member opens with what he has, as an upgraded file does.
    std::snprintf(time, sizeof time, "2023-12-31 09:00:00");
    for (const Account &a : accounts)
        add(a, opening, a.balance, a.balance, a.consumed, a.count);

    // Then one entry every 15 seconds for a member drawn at random, every
    // `spacing`-th for the busy member; each member's entries are in turn a
    // recharge, a consumption from the balance (in cash when the balance is
    // short) and a cash consumption.
    const qint64 later = entries - members;
    const qint64 spacing = later / (busyEntries - 1);
    qint64 busyLeft = busyEntries - 1;
    QRandomGenerator rng(7);
    const QDate firstDay(2024, 1, 1);
    qint64 shownDay = -1;
    QByteArray dayText;
    for (qint64 k = 0; k < later; ++k) {
        const qint64 seconds = 8 * 3600 + k * 15;
        if (seconds / 86400 != shownDay) {
            shownDay = seconds / 86400;
            dayText = firstDay.addDays(shownDay).toString(Qt::ISODate).toLatin1();
        }
        const int s = int(seconds % 86400);
        std::snprintf(time, sizeof time, "%s %02d:%02d:%02d", dayText.constData(), s / 3600,
                      s / 60 % 60, s % 60);
        qint64 i = qint64(rng.bounded(quint64(members)));
        if (busyLeft > 0 && k % spacing == spacing / 2) {
            i = kBusyMember;
            --busyLeft;
        } else if (i == kBusyMember) {
            i = (i + 1) % members;
        }
        Account &a = accounts[size_t(i)];
        const qint64 amount = (k % 40 + 1) * 100;
        const int kind = a.turn++ % 3;
        if (kind == 0) {
            a.balance += amount;
            add(a, recharge, amount, amount, 0, 0);
        } else if (kind == 1 && a.balance >= amount) {
            a.balance -= amount;
            a.consumed += amount;
            ++a.count;
            add(a, fromBalance, amount, -amount, amount, 1);
        } else {
            a.consumed += amount;
            ++a.count;
            add(a, cash, amount, 0, amount, 1);
        }
    }

    // Each member's row as the sums of his entries.
    sqlite3_stmt *update = b.prepare(QStringLiteral(
        "UPDATE 会员登记 SET 余额 = ?, 消费金额 = ?, 被推荐人消费次数 = ? WHERE rowid = ?"));
    for (const Account &a : accounts) {
        bindStored(update, 1, a.balance);
        bindStored(update, 2, a.consumed);
        sqlite3_bind_int64(update, 3, a.count);
        sqlite3_bind_int64(update, 4, a.id);
        b.run(update);
    }
    for (const QString &sql : creates)
        b.exec(sql);
    b.exec(QStringLiteral("COMMIT"));
    finish(partial, path);
    return path;
}

QString databaseOfVersion2(const QString &folder, qint64 members)
{
    const QString path = QStringLiteral("%1/members-%2-version2.mdb").arg(folder).arg(members);
    if (QFile::exists(path))
        return path;
    // The same members with the tables of later versions taken out: a file
    // as the program of version 2 left it.
    const QString partial = startFrom(database(folder, members), path);
    {
        Builder b(partial);
        b.exec(QStringLiteral("BEGIN"));
        for (const char *table : {"账户流水", "会员账户", "操作日志"})
            b.exec(QStringLiteral("DROP TABLE ") + QString::fromUtf8(table));
        b.exec(QStringLiteral("PRAGMA user_version = 2"));
        b.exec(QStringLiteral("COMMIT"));
        b.exec(QStringLiteral("VACUUM"));
    }
    if (Schema::versionOf(partial) != 2 ||
        !Schema::problemWithFile(partial, Schema::Check::Quick).isEmpty())
        qFatal("%s is not a file of version 2", qPrintable(partial));
    finish(partial, path);
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
