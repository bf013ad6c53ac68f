// Schema versions: files of every older version are upgraded whole or not at
// all, newer ones are refused, and a file is this program's only when it
// holds exactly the program's objects, its built-in administrator and
// password hashes of the program's own cost. The search by part of a name
// or phone, which version 2 indexes.
#include "base/StoreError.h"
#include "program/Startup.h"
#include "rules/admins/Login.h"
#include "rules/admins/PasswordHash.h"
#include "store/Database.h"
#include "store/MemberTable.h"
#include "store/PasswordHashLimits.h"
#include "store/Schema.h"
#include "support/FaultVfs.h"
#include "support/Members.h"
#include "support/SchemaFiles.h"
#include "support/TestFolder.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <sodium.h>
#include <vector>

namespace {

// A name longer than the 64 characters whose parts are kept, with a part
// past them.
const QString kLongName = QString(66, QChar(u'甲')) + QStringLiteral("乙丙");

// A hash of the password at a cost the program itself never uses.
QString hashAtCost(const char *password, quint64 passes, quint64 memoryBytes)
{
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, password, strlen(password), passes, size_t(memoryBytes),
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        qFatal("cannot hash");
    return QString::fromLatin1(out);
}

} // namespace

class TestSchema : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    FaultVfs m_vfs; // every connection of the test goes through it
    QString file(const char *name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    // A new file of this version at path, nothing beside it.
    void freshFileOfVersion(const QString &path, int version)
    {
        for (const char *suffix : {"", "-journal", "-wal", "-shm"})
            QFile::remove(path + QLatin1String(suffix));
        QCOMPARE(writeDatabaseOfVersion(path, version), QString());
    }

    // Every way in which the program takes a file in refuses it and leaves
    // it as it was.
    void checkRefusedUntouched(const QString &path)
    {
        const QByteArray before = bytesOfFile(path);
        QVERIFY(!Schema::problemWithFile(path, Schema::Check::Full).isEmpty());
        QVERIFY(!Schema::problemWithFile(path, Schema::Check::Quick).isEmpty());
        QVERIFY(!Schema::upgradeFile(path).isEmpty());
        Database store(path);
        QVERIFY(!store.open());
        QVERIFY(!store.lastError().isEmpty());
        QCOMPARE(bytesOfFile(path), before);
    }

private Q_SLOTS:
    void initTestCase()
    {
        PasswordHash::useLowestCostForTesting();
        QVERIFY(m_dir.isValid());
    }

    void olderFilesAreUpgraded_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("byOpen"); // else by Schema::upgradeFile
        for (int version = 1; version < Schema::kVersion; ++version) {
            QTest::addRow("version %d, on open", version) << version << true;
            QTest::addRow("version %d, as a copy", version) << version << false;
        }
    }
    void olderFilesAreUpgraded()
    {
        QFETCH(int, version);
        QFETCH(bool, byOpen);
        const QString path = file("old.mdb");
        QCOMPARE(writeDatabaseOfVersion(path, version), QString());
        QCOMPARE(Schema::versionOf(path), version);
        QCOMPARE(Schema::problemWithFile(path, Schema::Check::Full), QString());

        if (!byOpen)
            QCOMPARE(Schema::upgradeFile(path), QString());
        Database store(path);
        QVERIFY2(store.open(), qPrintable(store.lastError()));
        QCOMPARE(Schema::versionOf(store.database()), Schema::kVersion);
        QCOMPARE(Schema::problemWith(store.database(), Schema::Check::Full), QString());

        // The rows came through, and the search sees those already there.
        MemberTable members(store);
        QCOMPARE(members.count(), 2);
        QCOMPARE(members.firstByName(QStringLiteral("张三丰"))->balance.fen(), 1250);
        QCOMPARE(namesOf(store, members.idsNameContaining(QStringLiteral("张三丰"), 0, -1)),
                 QStringList{QStringLiteral("张三丰")});
        QCOMPARE(namesOf(store, members.idsPhoneEndingWith(QStringLiteral("5678"), 0, -1)),
                 QStringList{QStringLiteral("Lily")});
        QCOMPARE(Login::check(store, QStringLiteral("admin"), QStringLiteral("123456")),
                 Login::Result::Ok);
        store.close();
        QCOMPARE(Schema::upgradeFile(path), QString()); // a current file stays as it is
    }

    // A disk that fails (EIO) or is full at each write and each flush of the
    // upgrade of an older file on open: the open says it failed, and the file
    // is then the old version as it was, or the new one, never a mix.
    void upgradeOnAFailingDisk_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("error");
        const QString path = file("counted.mdb");
        for (int version = 1; version < Schema::kVersion; ++version) {
            freshFileOfVersion(path, version);
            m_vfs.reset();
            Database(path).open();
            for (const auto op : {FaultVfs::Op::Write, FaultVfs::Op::Sync}) {
                const int count = m_vfs.count(op);
                if (count == 0)
                    qFatal("the upgrade from version %d made no %d", version, int(op));
                for (int n = 1; n <= count; ++n)
                    for (const auto error : {FaultVfs::Error::Io, FaultVfs::Error::Full})
                        QTest::addRow("version %d, %s %d of %d, %s", version,
                                      op == FaultVfs::Op::Write ? "write" : "flush", n, count,
                                      error == FaultVfs::Error::Io ? "EIO" : "disk full")
                            << version << int(op) << n << int(error);
            }
        }
        m_vfs.reset();
    }
    void upgradeOnAFailingDisk()
    {
        QFETCH(int, version);
        QFETCH(int, op);
        QFETCH(int, n);
        QFETCH(int, error);
        const QString path = file("failing.mdb");
        freshFileOfVersion(path, version);
        const QByteArray old = bytesOfFile(path);
        m_vfs.reset();
        m_vfs.failAt(FaultVfs::Op(op), FaultVfs::File::Any, n, FaultVfs::Error(error));
        bool opened = false;
        QString told;
        {
            Database store(path);
            opened = store.open();
            told = store.lastError();
        }
        m_vfs.reset();
        // The next connection plays back whatever journal the failure left.
        QCOMPARE(runOnFile(path, {QStringLiteral("SELECT count(*) FROM sqlite_master")}),
                 QString());
        const int found = Schema::versionOf(path);
        QVERIFY2(opened || !told.isEmpty(), "a failed upgrade says why");
        if (opened)
            QCOMPARE(found, Schema::kVersion);
        QVERIFY2(found == version || found == Schema::kVersion, qPrintable(QString::number(found)));
        if (found == version)
            QVERIFY(bytesOfFile(path) == old);
        QCOMPARE(Schema::problemWithFile(path, Schema::Check::Full), QString());
    }

    // The delivered files are made this way.
    void aNewFileIsCompleteAndCurrent()
    {
        const QString path = file("new.mdb");
        QFile::remove(path);
        QString error;
        QVERIFY2(Database::createFile(path, PasswordHash::hash(QStringLiteral("123456")),
                                      QStringLiteral("系统内置管理员"), &error),
                 qPrintable(error));
        QCOMPARE(Schema::versionOf(path), Schema::kVersion);
        QCOMPARE(Schema::problemWithFile(path, Schema::Check::Full), QString());
        Database store(path);
        QVERIFY2(store.open(), qPrintable(store.lastError()));
        QCOMPARE(Login::check(store, QStringLiteral("admin"), QStringLiteral("123456")),
                 Login::Result::Ok);
        QVERIFY(!Database::createFile(path, {}, {}, &error));
    }

    void aNewerFileIsRefusedWithItsOwnMessage()
    {
        const QString path = file("newer.mdb");
        QCOMPARE(writeDatabaseOfVersion(path, Schema::kVersion), QString());
        QCOMPARE(
            runOnFile(path, {QStringLiteral("PRAGMA user_version = %1").arg(Schema::kVersion + 1)}),
            QString());
        checkRefusedUntouched(path);
        Database store(path);
        QCOMPARE(Startup::openStore(store), Startup::kNewerDatabase);
    }

    // All steps run in one transaction: one that fails after others have
    // run leaves the file as it was, and the file still opens and upgrades.
    void aFailedStepChangesNothing()
    {
        const QString path = file("failing.mdb");
        QCOMPARE(writeDatabaseOfVersion(path, 1), QString());
        const QByteArray before = bytesOfFile(path);
        std::vector<Schema::Step> steps(Schema::steps().begin(), Schema::steps().end());
        steps.push_back([](QSqlDatabase db) {
            QSqlQuery(db).exec(QStringLiteral("CREATE TABLE 账本 (x)"));
            throw StoreError(QStringLiteral("disk full"));
        });
        {
            const QString name = QStringLiteral("failing");
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QString thrown;
            try {
                Schema::upgrade(db, steps);
            } catch (const StoreError &e) {
                thrown = e.text();
            }
            QCOMPARE(thrown, QStringLiteral("disk full")); // from the last step, after the others
            QCOMPARE(Schema::versionOf(db), 1);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("failing"));
        QCOMPARE(bytesOfFile(path), before);

        Database store(path);
        QVERIFY2(store.open(), qPrintable(store.lastError()));
        QCOMPARE(Schema::versionOf(store.database()), Schema::kVersion);
    }

    void craftedFilesAreRefused_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<bool>("accepted");
        const QString setHash = QStringLiteral("UPDATE 管理员登记 SET 密码 = '%1'");
        const QString stealing =
            QStringLiteral("CREATE TRIGGER 入账 AFTER UPDATE OF 消费金额 ON 会员登记 BEGIN "
                           "UPDATE 会员登记 SET 余额 = 余额 + new.消费金额 - old.消费金额 "
                           "WHERE 会员名 = 'mallory'; END");
        const int current = Schema::kVersion;
        QTest::newRow("as made") << current << QStringList() << true;
        QTest::newRow("hash of the normal cost")
            << current
            << QStringList{setHash.arg(hashAtCost("123456", PasswordHashLimits::normal().passes,
                                                  PasswordHashLimits::normal().memoryBytes))}
            << true;
        QTest::newRow("trigger moving money") << current << QStringList{stealing} << false;
        QTest::newRow("trigger in a version 1 file") << 1 << QStringList{stealing} << false;
        QTest::newRow("view") << current << QStringList{QStringLiteral("CREATE VIEW v AS SELECT 1")}
                              << false;
        QTest::newRow("extra table")
            << current << QStringList{QStringLiteral("CREATE TABLE 其他 (x)")} << false;
        QTest::newRow("extra index")
            << current << QStringList{QStringLiteral("CREATE INDEX 现金_名称 ON 现金(名称)")}
            << false;
        QTest::newRow("own index dropped")
            << current << QStringList{QStringLiteral("DROP INDEX 会员登记_手机号")} << false;
        QTest::newRow("column added")
            << current << QStringList{QStringLiteral("ALTER TABLE 现金 ADD COLUMN x")} << false;
        QTest::newRow("own trigger changed")
            << current
            << QStringList{QStringLiteral("DROP TRIGGER 会员检索_删"),
                           QStringLiteral("CREATE TRIGGER 会员检索_删 AFTER DELETE ON 会员登记 "
                                          "BEGIN SELECT 1; END")}
            << false;
        QTest::newRow("version 1 file with the version 2 index")
            << 1
            << QStringList{QStringLiteral(
                   "CREATE VIRTUAL TABLE 会员检索 USING fts5(会员名, 手机号, "
                   "content='会员登记', tokenize='trigram')")}
            << false;
        QTest::newRow("unknown version 0")
            << current << QStringList{QStringLiteral("PRAGMA user_version = 0")} << false;
        QTest::newRow("other program")
            << current << QStringList{QStringLiteral("PRAGMA application_id = 7")} << false;
        QTest::newRow("no administrator")
            << current << QStringList{QStringLiteral("DELETE FROM 管理员登记")} << false;
        QTest::newRow("built-in administrator renamed")
            << current << QStringList{QStringLiteral("UPDATE 管理员登记 SET 管理员名字 = 'boss'")}
            << false;
        QTest::newRow("more passes")
            << current << QStringList{setHash.arg(hashAtCost("123456", 3, 8192))} << false;
        QTest::newRow("more memory")
            << current << QStringList{setHash.arg(hashAtCost("123456", 1, 128u << 20))} << false;
        QTest::newRow("two lanes")
            << current
            << QStringList{QStringLiteral(
                   "UPDATE 管理员登记 SET 密码 = replace(密码, 'p=1', 'p=2')")}
            << false;
        QTest::newRow("plain text password")
            << current << QStringList{setHash.arg(QStringLiteral("123456"))} << false;
        QTest::newRow("argon2i")
            << current
            << QStringList{QStringLiteral(
                   "UPDATE 管理员登记 SET 密码 = replace(密码, '$argon2id$', '$argon2i$')")}
            << false;
    }
    void craftedFilesAreRefused()
    {
        QFETCH(int, version);
        QFETCH(QStringList, statements);
        QFETCH(bool, accepted);
        const QString path = file("crafted.mdb");
        QCOMPARE(writeDatabaseOfVersion(path, version), QString());
        QCOMPARE(runOnFile(path, statements), QString());
        if (!accepted) {
            checkRefusedUntouched(path);
            return;
        }
        QCOMPARE(Schema::problemWithFile(path, Schema::Check::Full), QString());
        Database store(path);
        QVERIFY2(store.open(), qPrintable(store.lastError()));
        QCOMPARE(Login::check(store, QStringLiteral("admin"), QStringLiteral("123456")),
                 Login::Result::Ok);
    }

    // A hash above the program's cost never verifies, even with the right
    // password, so a login never spends what it asks for.
    void hashesAboveTheProgramsCostNeverVerify_data()
    {
        QTest::addColumn<QString>("hash");
        QTest::addColumn<bool>("verifies");
        const PasswordHashLimits::Cost normal = PasswordHashLimits::normal();
        QTest::newRow("lowest") << hashAtCost("secret", 1, 8192) << true;
        QTest::newRow("normal") << hashAtCost("secret", normal.passes, normal.memoryBytes) << true;
        QTest::newRow("one pass more") << hashAtCost("secret", normal.passes + 1, 8192) << false;
        QTest::newRow("double memory") << hashAtCost("secret", 1, normal.memoryBytes * 2) << false;
    }
    void hashesAboveTheProgramsCostNeverVerify()
    {
        QFETCH(QString, hash);
        QFETCH(bool, verifies);
        QCOMPARE(PasswordHash::verify(hash, QStringLiteral("secret")), verifies);
        QCOMPARE(PasswordHashLimits::isWithinLimits(hash), verifies);
    }

    void searchByPart_data()
    {
        QTest::addColumn<bool>("byName"); // else by the end of the phone
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("one character")
            << true << QStringLiteral("三") << utf8Names({"张三丰", "张三"});
        QTest::newRow("two characters") << true << QStringLiteral("三丰") << utf8Names({"张三丰"});
        QTest::newRow("two characters, two names")
            << true << QStringLiteral("张三") << utf8Names({"张三丰", "张三"});
        QTest::newRow("two characters held apart, not together")
            << true << QStringLiteral("张丰") << QStringList();
        QTest::newRow("a character outside the basic plane")
            << true << QStringLiteral("𠮷") << utf8Names({"𠮷野"});
        QTest::newRow("it and a neighbour")
            << true << QStringLiteral("𠮷野") << utf8Names({"𠮷野"});
        QTest::newRow("past the 64th character of a long name")
            << true << QStringLiteral("乙丙") << QStringList{kLongName};
        QTest::newRow("in the first 64 of a long name")
            << true << QStringLiteral("甲") << QStringList{kLongName};
        QTest::newRow("held by no name, long ones included")
            << true << QStringLiteral("丁") << QStringList();
        QTest::newRow("whole name, indexed")
            << true << QStringLiteral("张三丰") << utf8Names({"张三丰"});
        QTest::newRow("letter case, indexed")
            << true << QStringLiteral("LILY") << utf8Names({"Lily Chen"});
        QTest::newRow("letter case, scanned")
            << true << QStringLiteral("lI") << utf8Names({"Lily Chen"});
        QTest::newRow("small letters, scanned")
            << true << QStringLiteral("ch") << utf8Names({"Lily Chen"});
        QTest::newRow("wildcards literal, indexed")
            << true << QStringLiteral("0%_") << utf8Names({"100%_real"});
        QTest::newRow("wildcard literal, scanned")
            << true << QStringLiteral("_") << utf8Names({"100%_real"});
        QTest::newRow("quote") << true << QStringLiteral("\"q\"") << utf8Names({"say \"q\""});
        QTest::newRow("non-ASCII case kept") << true << QStringLiteral("émi") << QStringList();
        QTest::newRow("non-ASCII exact") << true << QStringLiteral("Émi") << utf8Names({"Émile"});
        QTest::newRow("empty: everyone") << true << QString()
                                         << utf8Names({"张三丰", "张三", "Lily Chen", "100%_real",
                                                       "say \"q\"", "Émile", "𠮷野"}) +
                                                QStringList{kLongName};
        QTest::newRow("digits, scanned")
            << true << QStringLiteral("00") << utf8Names({"100%_real"});
        QTest::newRow("non-ASCII case kept, scanned")
            << true << QStringLiteral("é") << QStringList();
        QTest::newRow("non-ASCII exact, scanned")
            << true << QStringLiteral("É") << utf8Names({"Émile"});
        QTest::newRow("phone end, indexed")
            << false << QStringLiteral("1234") << utf8Names({"张三丰"});
        QTest::newRow("phone end, scanned")
            << false << QStringLiteral("34") << utf8Names({"张三丰"});
        QTest::newRow("phone start is no end") << false << QStringLiteral("139") << QStringList();
    }
    void searchByPart()
    {
        QFETCH(bool, byName);
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        TestFolder folder;
        Database &store = folder.store();
        addMember(store, QStringLiteral("张三丰"), QStringLiteral("13800001234"));
        addMember(store, QStringLiteral("张三"), QStringLiteral("13912340000"));
        addMember(store, QStringLiteral("Lily Chen"), QStringLiteral("18600005678"));
        addMember(store, QStringLiteral("100%_real"), QStringLiteral("15500000100"));
        addMember(store, QStringLiteral("say \"q\""), QStringLiteral("15500000200"));
        addMember(store, QStringLiteral("Émile"), QStringLiteral("15500000300"));
        addMember(store, QStringLiteral("𠮷野"), QStringLiteral("15500000400"));
        addMember(store, kLongName, QStringLiteral("15500000500"));
        MemberTable members(store);
        const QList<qint64> ids = byName ? members.idsNameContaining(typed, 0, -1)
                                         : members.idsPhoneEndingWith(typed, 0, -1);
        QCOMPARE(namesOf(store, ids), found);
    }

    // The index follows every write, and a rolled-back one leaves no trace
    // in it; pages continue after the last id shown.
    void searchFollowsEveryWriteAndPages()
    {
        TestFolder folder;
        Database &store = folder.store();
        MemberTable members(store);
        const qint64 first =
            addMember(store, QStringLiteral("王小明"), QStringLiteral("13800001111"));
        const qint64 second =
            addMember(store, QStringLiteral("王小明"), QStringLiteral("13800002222"));
        QCOMPARE(members.idsNameContaining(QStringLiteral("王小明"), 0, 1), QList<qint64>{first});
        QCOMPARE(members.idsNameContaining(QStringLiteral("王小明"), first, 1),
                 QList<qint64>{second});
        QCOMPARE(members.idsPhoneEndingWith(QStringLiteral("2222"), 0, 1), QList<qint64>{second});
        QCOMPARE(members.idsPhoneEndingWith(QStringLiteral("2"), 0, -1), QList<qint64>{second});

        members.setDetails(second, QStringLiteral("女"), QStringLiteral("13800003333"), {}, {});
        QCOMPARE(members.idsPhoneEndingWith(QStringLiteral("2222"), 0, -1), QList<qint64>());
        QCOMPARE(members.idsPhoneEndingWith(QStringLiteral("3333"), 0, -1), QList<qint64>{second});
        {
            Transaction tx(store);
            members.setDetails(first, QStringLiteral("男"), QStringLiteral("13800004444"), {}, {});
            QCOMPARE(members.idsPhoneEndingWith(QStringLiteral("4444"), 0, -1),
                     QList<qint64>{first});
        }
        QCOMPARE(members.idsPhoneEndingWith(QStringLiteral("4444"), 0, -1), QList<qint64>());
        QCOMPARE(members.idsPhoneEndingWith(QStringLiteral("1111"), 0, -1), QList<qint64>{first});

        QCOMPARE(members.removeByName(QStringLiteral("王小明")), 2);
        QCOMPARE(members.idsNameContaining(QStringLiteral("王小明"), 0, -1), QList<qint64>());
        QCOMPARE(members.idsPhoneEndingWith(QStringLiteral("1111"), 0, -1), QList<qint64>());

        // The parts of one and two characters follow a change of the name.
        const qint64 third =
            addMember(store, QStringLiteral("赵钱"), QStringLiteral("13800005555"));
        const auto rename = [&](const char *name) {
            store.exec(QStringLiteral("UPDATE 会员登记 SET 会员名 = ? WHERE rowid = ?"),
                       {QString::fromUtf8(name), third});
        };
        rename("孙李");
        QCOMPARE(members.idsNameContaining(QStringLiteral("赵"), 0, -1), QList<qint64>());
        QCOMPARE(members.idsNameContaining(QStringLiteral("李"), 0, -1), QList<qint64>{third});
        {
            Transaction tx(store);
            rename("周吴");
            QCOMPARE(members.idsNameContaining(QStringLiteral("吴"), 0, -1), QList<qint64>{third});
        }
        QCOMPARE(members.idsNameContaining(QStringLiteral("吴"), 0, -1), QList<qint64>());
        QCOMPARE(members.idsNameContaining(QStringLiteral("孙李"), 0, -1), QList<qint64>{third});
        QCOMPARE(members.removeByName(QStringLiteral("孙李")), 1);
        QCOMPARE(store.scalar(QStringLiteral("SELECT count(*) FROM 会员名片段")).toInt(), 0);
        QCOMPARE(Schema::problemWith(store.database(), Schema::Check::Full), QString());
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
