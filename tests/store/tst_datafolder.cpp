// The choice between the portable folder beside the executable and the
// user's data folder of an installed program, and the first start's copies.
#include "store/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Writes each named file into folder, holding the text origin.
bool place(const QString &folder, const QStringList &names, const QByteArray &origin)
{
    QDir().mkpath(folder);
    for (const QString &name : names) {
        QFile f(folder + QLatin1Char('/') + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(origin) != origin.size())
            return false;
    }
    return true;
}

// "name=origin" for every file in folder, sorted by name.
QStringList contents(const QString &folder)
{
    QStringList out;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            return {QStringLiteral("unreadable ") + name};
        out << name + QLatin1Char('=') + QString::fromLatin1(f.readAll());
    }
    return out;
}

// An installed tree: the executable in opt/bin, the delivered databases in
// opt/share, and a user data folder that does not exist yet.
struct Tree
{
    QTemporaryDir root;
    QString bin = root.filePath(QStringLiteral("opt/bin"));
    QString share = root.filePath(QStringLiteral("opt/share"));
    QString user = root.filePath(QStringLiteral("home/.local/share/Pellomar"));
};

const QString kTable = QStringLiteral("table.mdb");
const QString kZero = QStringLiteral("zero.mdb");
const QString kOld = QStringLiteral("tableold.mdb");

} // namespace

class TestDataFolder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void choose_data()
    {
        QTest::addColumn<QStringList>("beside");    // files beside the executable
        QTest::addColumn<QStringList>("delivered"); // files in ../share
        QTest::addColumn<QStringList>("before");    // files in the user's folder
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QStringList>("after"); // the user's folder afterwards
        const QStringList both{kTable, kZero};
        const QString tableDelivered = QStringLiteral("table.mdb=delivered");
        const QString zeroDelivered = QStringLiteral("zero.mdb=delivered");
        const QString tableUser = QStringLiteral("table.mdb=user");
        const QString zeroUser = QStringLiteral("zero.mdb=user");

        QTest::newRow("portable folder") << both << both << QStringList() << true << QStringList();
        QTest::newRow("portable folder without its template")
            << QStringList{kTable} << both << QStringList() << true << QStringList();
        QTest::newRow("portable folder that lost its database, nothing delivered")
            << QStringList{kZero} << QStringList() << QStringList() << true << QStringList();
        QTest::newRow("installed, first start") << QStringList() << both << QStringList() << false
                                                << QStringList{tableDelivered, zeroDelivered};
        QTest::newRow("installed, a template beside does not make it portable")
            << QStringList{kZero} << both << QStringList() << false
            << QStringList{tableDelivered, zeroDelivered};
        QTest::newRow("installed, later start keeps the data")
            << QStringList() << both << both << false << QStringList{tableUser, zeroUser};
        QTest::newRow("installed, a lost template is copied again")
            << QStringList() << both << QStringList{kTable} << false
            << QStringList{tableUser, zeroDelivered};
        QTest::newRow("installed, a set-aside database is not hidden by a fresh one")
            << QStringList() << both << QStringList{kOld} << false
            << QStringList{QStringLiteral("tableold.mdb=user"), zeroDelivered};
    }
    void choose()
    {
        QFETCH(QStringList, beside);
        QFETCH(QStringList, delivered);
        QFETCH(QStringList, before);
        QFETCH(bool, portable);
        QFETCH(QStringList, after);
        Tree t;
        QVERIFY(place(t.bin, beside, "beside"));
        QVERIFY(place(t.share, delivered, "delivered"));
        if (!before.isEmpty())
            QVERIFY(place(t.user, before, "user"));

        QCOMPARE(DataFolder::choose(t.bin, t.user), portable ? t.bin : t.user);
        QCOMPARE(contents(t.user), after);
        // The executable's folder is never written to.
        QCOMPARE(contents(t.bin).size(), beside.size());
    }

    void copiesOfReadOnlyFilesAreWritable()
    {
        Tree t;
        QVERIFY(place(t.share, {kTable, kZero}, "delivered"));
        for (const QString &name : {kTable, kZero})
            QVERIFY(QFile::setPermissions(t.share + QLatin1Char('/') + name,
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QCOMPARE(DataFolder::choose(t.bin, t.user), t.user);
        for (const QString &name : {kTable, kZero})
            QVERIFY2(QFile::permissions(t.user + QLatin1Char('/') + name) & QFile::WriteOwner,
                     qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
