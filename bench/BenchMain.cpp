// Measures the program against baselines taken in the same run on the same
// machine, and prints one table.
//
//   pellomar_bench [work folder]
#include "Measure.h"
#include "SyntheticData.h"

#include "members/MemberListModel.h"
#include "store/MemberStore.h"
#include "store/MemberTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTextStream>

#include <sqlite3.h>

using Measure::Row;

namespace {

QString g_work;
QList<Row> g_rows;

// The raw sqlite3 C API on the same file, for the baselines.
class Raw
{
public:
    explicit Raw(const QString &path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            qFatal("raw open failed");
        exec("PRAGMA journal_mode=DELETE");
        exec("PRAGMA synchronous=FULL");
    }
    ~Raw() { sqlite3_close(m_db); }
    void exec(const char *sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            qFatal("raw exec failed: %s", sqlite3_errmsg(m_db));
    }
    sqlite3_stmt *prepare(const char *sql)
    {
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK)
            qFatal("raw prepare failed: %s", sqlite3_errmsg(m_db));
        return s;
    }
    sqlite3 *db() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

// Reads a member row the way the store does, so that both sides do the same
// work with the result.
struct RawMember
{
    qint64 id;
    std::string name, sex, phone, referrer, referrerPhone, registered;
    double consumed, balance;
    qint64 count;
};

bool rawLookup(sqlite3_stmt *s, const QByteArray &key, RawMember *m)
{
    sqlite3_bind_text(s, 1, key.constData(), int(key.size()), SQLITE_STATIC);
    bool found = false;
    if (sqlite3_step(s) == SQLITE_ROW) {
        found = true;
        m->id = sqlite3_column_int64(s, 0);
        m->name = reinterpret_cast<const char *>(sqlite3_column_text(s, 1));
        m->sex = reinterpret_cast<const char *>(sqlite3_column_text(s, 2));
        m->phone = reinterpret_cast<const char *>(sqlite3_column_text(s, 3));
        m->consumed = sqlite3_column_double(s, 4);
        m->referrer = reinterpret_cast<const char *>(sqlite3_column_text(s, 5));
        m->referrerPhone = reinterpret_cast<const char *>(sqlite3_column_text(s, 6));
        m->count = sqlite3_column_int64(s, 7);
        m->balance = sqlite3_column_double(s, 8);
        m->registered = reinterpret_cast<const char *>(sqlite3_column_text(s, 9));
    }
    sqlite3_reset(s);
    return found;
}

void benchLookups(qint64 members, QHash<qint64, double> *p50ByPhone)
{
    const QString path = SyntheticData::database(g_work, members);
    const int runs = 3000;
    QList<qint64> keys;
    QRandomGenerator rng(42);
    for (int i = 0; i < runs + 10; ++i)
        keys << qint64(rng.bounded(quint64(members)));

    for (const bool byPhone : {true, false}) {
        Measure::Figures ours;
        {
            MemberStore store(path);
            if (!store.open())
                qFatal("open failed");
            MemberTable table(store);
            ours = Measure::time(runs, [&](int i) {
                const qint64 k = keys.at(i);
                const auto m = byPhone ? table.firstByPhone(SyntheticData::memberPhone(k))
                                       : table.firstByName(SyntheticData::memberName(k));
                if (!m)
                    qFatal("member %lld not found", k);
            });
        }
        Measure::Figures raw;
        {
            Raw db(path);
            const QByteArray sql = (MemberTable::kSelect
                                    + (byPhone ? QStringLiteral("WHERE 手机号 = ? ORDER BY rowid LIMIT 1")
                                               : QStringLiteral("WHERE 会员名 = ? ORDER BY rowid LIMIT 1")))
                                       .toUtf8();
            sqlite3_stmt *s = db.prepare(sql.constData());
            RawMember m;
            raw = Measure::time(runs, [&](int i) {
                const qint64 k = keys.at(i);
                const QByteArray key = (byPhone ? SyntheticData::memberPhone(k)
                                                : SyntheticData::memberName(k)).toUtf8();
                if (!rawLookup(s, key, &m))
                    qFatal("raw member not found");
            });
            sqlite3_finalize(s);
        }
        if (byPhone)
            p50ByPhone->insert(members, ours.p50);
        g_rows << Row{QStringLiteral("lookup by %1, %2 members")
                          .arg(byPhone ? QStringLiteral("phone") : QStringLiteral("name"))
                          .arg(members),
                      ours, raw, QStringLiteral("raw C API SELECT"), QStringLiteral("≤ 2×"), 2.0, {}};
    }
}

// The member list at a million members: time until the grid model holds its
// first screen of rows, and peak memory once it was scrolled to the end,
// against the raw C API holding the same rows.
void benchMemberList()
{
    const qint64 members = 1000000;
    const QString path = SyntheticData::database(g_work, members);
    const int screenRows = 40;
    MemberStore store(path);
    if (!store.open())
        qFatal("open failed");
    const Measure::Figures first = Measure::time(20, [&](int) {
        MemberListModel model(store);
        model.show();
        for (int r = 0; r < screenRows; ++r)
            for (int c = 1; c < MemberListModel::kColumns; ++c)
                model.data(model.index(r, c));
        if (model.rowCount() < screenRows)
            qFatal("list too short");
    });
    Measure::Figures rawFirst;
    {
        Raw db(path);
        sqlite3_stmt *s = db.prepare((MemberTable::kSelect + QStringLiteral("ORDER BY rowid LIMIT ?")).toUtf8().constData());
        rawFirst = Measure::time(20, [&](int) {
            std::vector<RawMember> rows;
            sqlite3_bind_int(s, 1, screenRows);
            while (sqlite3_step(s) == SQLITE_ROW) {
                RawMember m;
                m.id = sqlite3_column_int64(s, 0);
                m.name = reinterpret_cast<const char *>(sqlite3_column_text(s, 1));
                rows.push_back(m);
            }
            sqlite3_reset(s);
        });
        sqlite3_finalize(s);
    }
    g_rows << Row{QStringLiteral("member list: first screen at 1M members"), first, rawFirst,
                  QStringLiteral("raw C API, same rows"), QStringLiteral("≤ 100 ms"), 0,
                  first.p50 <= 0.1 ? QStringLiteral("met") : QStringLiteral("MISSED")};
    store.close();

    const qint64 ours = Measure::peakMemoryOfChild([&] {
        MemberStore s(path);
        if (!s.open())
            _exit(1);
        MemberListModel model(s);
        model.show();
        while (model.canFetchMore())
            model.fetchMore();
        for (int r = model.rowCount() - screenRows; r < model.rowCount(); ++r)
            for (int c = 1; c < MemberListModel::kColumns; ++c)
                model.data(model.index(r, c));
        if (model.rowCount() != members)
            _exit(1);
    });
    const qint64 raw = Measure::peakMemoryOfChild([&] {
        Raw db(path);
        sqlite3_stmt *s = db.prepare((MemberTable::kSelect + QStringLiteral("ORDER BY rowid")).toUtf8().constData());
        std::vector<RawMember> rows;
        RawMember m;
        while (sqlite3_step(s) == SQLITE_ROW) {
            m.id = sqlite3_column_int64(s, 0);
            m.name = reinterpret_cast<const char *>(sqlite3_column_text(s, 1));
            m.sex = reinterpret_cast<const char *>(sqlite3_column_text(s, 2));
            m.phone = reinterpret_cast<const char *>(sqlite3_column_text(s, 3));
            m.consumed = sqlite3_column_double(s, 4);
            m.referrer = reinterpret_cast<const char *>(sqlite3_column_text(s, 5));
            m.referrerPhone = reinterpret_cast<const char *>(sqlite3_column_text(s, 6));
            m.count = sqlite3_column_int64(s, 7);
            m.balance = sqlite3_column_double(s, 8);
            m.registered = reinterpret_cast<const char *>(sqlite3_column_text(s, 9));
            rows.push_back(m);
        }
        sqlite3_finalize(s);
        if (qint64(rows.size()) != members)
            _exit(1);
    });
    g_rows << Measure::memoryRow(QStringLiteral("member list: peak memory, scrolled to the end of 1M"),
                                 ours, raw, QStringLiteral("raw C API holding the rows"),
                                 QStringLiteral("≤ 1.5×"), 1.5);
}

void benchStartup()
{
    const QString folder = g_work + QStringLiteral("/startup");
    SyntheticData::makeProgramFolder(SyntheticData::database(g_work, 10000), folder);
    const QString dir = QCoreApplication::applicationDirPath();
    QList<double> ours, minimal;
    for (int i = 0; i < 15; ++i) {
        ours << Measure::runProgram(dir + QStringLiteral("/bench_startup_pellomar"), {folder});
        minimal << Measure::runProgram(dir + QStringLiteral("/bench_startup_minimal"), {});
    }
    g_rows << Row{QStringLiteral("start-up to the login screen"), Measure::fromSamples(ours),
                  Measure::fromSamples(minimal), QStringLiteral("minimal Qt dialog"),
                  QStringLiteral("≤ 1.5×"), 1.5, {}};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_work = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath() + QStringLiteral("/bench-work");
    QDir().mkpath(g_work);

    QHash<qint64, double> lookupP50;
    for (const qint64 n : {10000LL, 100000LL, 1000000LL})
        benchLookups(n, &lookupP50);
    const double growth = lookupP50.value(1000000) / lookupP50.value(10000);
    g_rows << Row{QStringLiteral("lookup growth 10k → 1M members (phone)"),
                  {lookupP50.value(1000000), 0, 0}, {lookupP50.value(10000), 0, 0},
                  QStringLiteral("same at 10k"), QStringLiteral("≤ 1.5×"), 1.5, {}};
    Q_UNUSED(growth)
    benchMemberList();
    benchStartup();

    Measure::printTable(g_rows);
    return 0;
}
