#include "SyntheticData.h"

#include "store/AdminTable.h"
#include "store/CommissionTable.h"
#include "store/Database.h"
#include "store/Ledger.h"
#include "store/MemberTable.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
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

namespace {

QString buildMembers(const QString &path, qint64 members, QString (*nameOf)(qint64))
{
    if (QFile::exists(path))
        return upToDate(path);
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    if (!QFile::copy(QStringLiteral(PELLOMAR_DATA_DIR "/zero.mdb"), partial))
        qFatal("cannot copy the template");
    QFile::setPermissions(partial, QFile::ReadOwner | QFile::WriteOwner);
    QTextStream(stderr) << "building " << members << " members ...\n";
    {
        Database store(partial);
        if (!store.open())
            qFatal("cannot open %s", qPrintable(partial));
        MemberTable table(store);
        const qint64 batch = 20000;
        for (qint64 start = 0; start < members; start += batch) {
            Transaction tx(store);
            for (qint64 i = start; i < std::min(members, start + batch); ++i) {
                Member m;
                m.name = nameOf(i);
                m.sex = i % 2 ? QStringLiteral("女") : QStringLiteral("男");
                m.phone = memberPhone(i);
                if (i > 0) { // each member was referred by the one registered at half his number
                    m.referrer = nameOf(i / 2);
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

// Surnames with their share in thousandths of a percent, most common first.
struct Weighted
{
    const char *text;
    int weight;
};
const Weighted kSurnames[] = {
    {"王", 7170}, {"李", 7000}, {"张", 6740}, {"刘", 5380}, {"陈", 4530}, {"杨", 3080},
    {"黄", 2230}, {"赵", 2140}, {"吴", 2050}, {"周", 1890}, {"徐", 1450}, {"孙", 1380},
    {"马", 1290}, {"朱", 1260}, {"胡", 1150}, {"郭", 1050}, {"何", 910},  {"高", 900},
    {"林", 890},  {"罗", 860},  {"郑", 820},  {"梁", 770},  {"谢", 650},  {"宋", 620},
    {"唐", 610},  {"许", 590},  {"韩", 560},  {"冯", 550},  {"邓", 550},  {"曹", 530},
    {"彭", 530},  {"曾", 520},  {"肖", 510},  {"田", 500},  {"董", 490},  {"袁", 480},
    {"潘", 470},  {"于", 460},  {"蒋", 450},  {"蔡", 440},  {"余", 430},  {"杜", 420},
    {"叶", 410},  {"程", 400},  {"苏", 390},  {"魏", 380},  {"吕", 370},  {"丁", 360},
    {"任", 350},  {"沈", 340},  {"姚", 330},  {"卢", 320},  {"姜", 310},  {"崔", 300},
    {"钟", 290},  {"谭", 280},  {"陆", 270},  {"汪", 260},  {"范", 250},  {"金", 240},
    {"石", 230},  {"廖", 220},  {"贾", 210},  {"夏", 200},  {"韦", 190},  {"付", 180},
    {"方", 170},  {"白", 160},  {"邹", 150},  {"孟", 140},  {"熊", 130},  {"秦", 120},
    {"邱", 110},  {"江", 100},  {"尹", 90},   {"薛", 80},   {"闫", 70},   {"段", 60},
    {"雷", 50},   {"欧阳", 30}, {"上官", 8},  {"司马", 6},  {"诸葛", 4},  {"覃", 3},
};
// Characters of given names by how often names hold them.
const Weighted kGiven[] = {
    {"伟", 120}, {"芳", 110}, {"娜", 100}, {"敏", 95}, {"静", 95}, {"丽", 90}, {"强", 90},
    {"磊", 85},  {"军", 85},  {"洋", 80},  {"勇", 80}, {"艳", 80}, {"杰", 78}, {"娟", 75},
    {"涛", 75},  {"明", 74},  {"超", 72},  {"秀", 70}, {"霞", 70}, {"平", 68}, {"刚", 66},
    {"桂", 64},  {"英", 64},  {"华", 62},  {"玉", 62}, {"兰", 60}, {"文", 60}, {"辉", 58},
    {"建", 58},  {"国", 56},  {"红", 56},  {"梅", 54}, {"萍", 54}, {"鹏", 52}, {"飞", 52},
    {"波", 50},  {"斌", 50},  {"宇", 48},  {"浩", 48}, {"凯", 46}, {"健", 46}, {"俊", 44},
    {"帆", 44},  {"帅", 42},  {"旭", 42},  {"宁", 40}, {"龙", 40}, {"林", 38}, {"欣", 38},
    {"婷", 36},  {"雪", 36},  {"琳", 34},  {"晨", 34}, {"阳", 32}, {"佳", 32}, {"怡", 30},
    {"思", 30},  {"雨", 28},  {"子", 28},  {"涵", 26}, {"轩", 26}, {"博", 24}, {"泽", 24},
    {"然", 22},  {"一", 22},  {"嘉", 20},  {"昊", 20}, {"晓", 18}, {"小", 18}, {"海", 16},
    {"燕", 16},  {"玲", 14},  {"春", 14},  {"金", 12}, {"云", 12}, {"亮", 10}, {"成", 10},
    {"志", 9},   {"新", 8},   {"宏", 7},   {"峰", 6},  {"东", 5},  {"霖", 4},  {"瑞", 3},
    {"鑫", 2},   {"琪", 2},   {"颖", 1},   {"翀", 1},
};
// The long tail of given names' characters, each as rare as the last above.
const char kGivenTail[] =
    "安邦宝北贝彬冰秉昌辰承澄驰崇楚川纯聪丹道德迪典定冬栋朵恩尔发凡芬丰枫凤福富钢歌耕恭谷冠光"
    "广贵翰航豪和鹤恒弘鸿厚虎淮欢寰焕惠吉继坚江姣洁劲晶景敬靖菊钧君康珂可克坤岚朗乐黎莉廉良烈"
    "麟灵凌岭柳隆露伦满茂美蒙淼妙民名铭沐穆楠妮诺鸥盼培沛朋琦启谦茜倩乔勤青清晴庆秋泉仁荣蓉睿"
    "润若森山善尚绍深胜诗石时守书舒淑树双爽顺松素泰堂韬腾天田彤童婉旺威薇维卫蔚温翔向潇笑心信"
    "星兴雄修煦萱雅岩彦炎耀叶依仪艺奕逸毅茵银莹盈永优友瑜昱元园源远月悦越韵展昭真振征正之芝智"
    "忠舟竹卓梓宗祖";

// A deterministic draw in [0, total) for member i and the n-th choice.
quint64 draw(qint64 i, int n, quint64 total)
{
    quint64 x = quint64(i) * 0x9E3779B97F4A7C15ull + quint64(n) * 0xBF58476D1CE4E5B9ull;
    x ^= x >> 31;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 29;
    return x % total;
}

template <size_t N> const char *pick(const Weighted (&table)[N], quint64 at)
{
    for (const Weighted &w : table) {
        if (at < quint64(w.weight))
            return w.text;
        at -= quint64(w.weight);
    }
    return table[N - 1].text;
}

template <size_t N> quint64 total(const Weighted (&table)[N])
{
    quint64 sum = 0;
    for (const Weighted &w : table)
        sum += quint64(w.weight);
    return sum;
}

// A character of a given name: from the weighted list, or one of the tail.
QString givenCharacter(quint64 at)
{
    static const QList<uint> tail = QString::fromUtf8(kGivenTail).toUcs4();
    const quint64 listed = total(kGiven);
    if (at < listed)
        return QString::fromUtf8(pick(kGiven, at));
    const char32_t c = tail.at(qsizetype(at - listed));
    return QString::fromUcs4(&c, 1);
}

// The names of members 0 to n - 1, drawn once.
const QList<QString> &realNames(qint64 n)
{
    static QList<QString> names;
    static QSet<QString> taken;
    const quint64 surnames = total(kSurnames);
    const quint64 given = total(kGiven) + quint64(QString::fromUtf8(kGivenTail).toUcs4().size());
    for (qint64 i = names.size(); i < n; ++i) {
        for (int attempt = 0;; ++attempt) {
            QString name = QString::fromUtf8(pick(kSurnames, draw(i, 3 * attempt, surnames)));
            name += givenCharacter(draw(i, 3 * attempt + 1, given));
            // Three names in ten have a given name of one character.
            if (draw(i, 3 * attempt + 2, 10) >= 3)
                name += givenCharacter(draw(i, 3 * attempt + 2 + 1000, given));
            if (!taken.contains(name)) {
                taken.insert(name);
                names << name;
                break;
            }
        }
    }
    return names;
}

} // namespace

const QString kCommonSurname = QStringLiteral("王");
const QString kRareSurname = QStringLiteral("诸葛");
const QString kRareGivenCharacter = QStringLiteral("翀");

QString realisticName(qint64 i)
{
    return realNames(i + 1).at(i);
}

QString database(const QString &folder, qint64 members)
{
    QDir().mkpath(folder);
    return buildMembers(QStringLiteral("%1/members-%2.mdb").arg(folder).arg(members), members,
                        memberName);
}

QString databaseWithRealNames(const QString &folder, qint64 members)
{
    QDir().mkpath(folder);
    realNames(members);
    return buildMembers(QStringLiteral("%1/names-%2.mdb").arg(folder).arg(members), members,
                        realisticName);
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
