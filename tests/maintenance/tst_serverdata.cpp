// Setting a server up and keeping it: the move of a file onto it,
// reconciled; backup, restore and clear there; the maintenance lock as the
// other tills meet it.
#include "XlsReadBack.h"
#include "base/Session.h"
#include "base/StoreError.h"
#include "program/ServerCommands.h"
#include "rules/backup/BackupCatalog.h"
#include "rules/backup/FileOps.h"
#include "rules/export/MemberExport.h"
#include "rules/server/ServerMaintenance.h"
#include "rules/server/ServerMove.h"
#include "store/AuditLog.h"
#include "store/DatabaseErrorText.h"
#include "store/Schema.h"
#include "store/postgres/PostgresMaintenance.h"
#include "support/Members.h"
#include "support/ServerIni.h"
#include "support/TestFolder.h"
#include "support/TestServer.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <QUuid>
#include <QtTest>

namespace {

// A shop's file: members with balances and totals, each with his account
// and an opening entry, a cash row, a setting and an audit row.
void fillShop(Database &store, int members)
{
    Transaction tx(store);
    for (int i = 1; i <= members; ++i) {
        const qint64 row =
            MemberRow(QStringLiteral("会员%1").arg(i), QString::number(13800000000 + i))
                .balance(Money::fromFen(i * 137))
                .consumed(Money::fromFen(i * 1001), i % 7)
                .addTo(store);
        store.exec(
            QStringLiteral("INSERT INTO 账户流水 (时间, 会员号, 类别, 金额, 余额变动, 余额, "
                           "消费变动, 次数变动) SELECT '2026-01-02 10:00:00', 会员号, '开户', "
                           "?, ?, ?, ?, ? FROM 会员账户 WHERE 会员行 = ?"),
            {i * 137, i * 137, i * 137, i * 1001, i % 7, row});
    }
    store.exec(QStringLiteral(
        "INSERT INTO 现金 (日期, 名称, 数额) VALUES ('2026-01-02', '会员1', '12.5')"));
    store.exec(QStringLiteral(
        "INSERT INTO 设置 (管理员名字, 名称, 值) VALUES ('admin', '连续登记', '1')"));
    AuditLog(store).add(AuditLog::kLogin, QString(), QStringLiteral("admin"));
    tx.commit();
}

qint64 count(Database &store, const QString &table)
{
    return store.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong();
}

// A database of the test cluster for one test: without any table, or made
// by the program (the built-in admin only). Dropped with the object.
struct ServerDatabase
{
    explicit ServerDatabase(bool withTables)
    {
        if (withTables) {
            settings = TestServer::freshDatabase();
            return;
        }
        settings = *TestServer::cluster();
        settings.database = QStringLiteral("t_empty_") + QUuid::createUuid().toString(QUuid::Id128);
        QString error;
        if (!TestServer::runOnCluster(QStringLiteral("CREATE DATABASE ") + settings.database,
                                      &error))
            qFatal("cannot create %s: %s", qPrintable(settings.database), qPrintable(error));
    }
    ~ServerDatabase() { TestServer::drop(settings); }
    ServerSettings settings;
};

// The shop's own file in the test's folder, with its members.
struct ShopFile
{
    explicit ShopFile(int members) : store(folder.files().liveDatabase())
    {
        if (!store.open())
            qFatal("cannot open %s", qPrintable(store.path()));
        fillShop(store, members);
    }
    TestFolder folder;
    Database store;
};

// A shop's file moved onto a database of the test cluster, and the backup
// screen's rules there for its owner.
struct MovedShop
{
    explicit MovedShop(int members) : shop(members), target(true), server(target.settings)
    {
        owner.name = QStringLiteral("admin");
        owner.password = QStringLiteral("123456");
        owner.role = Role::Owner;
        QString printed;
        QTextStream out(&printed);
        if (!server.open() || !ServerMove(shop.store, server, out).run().isEmpty())
            qFatal("cannot move the shop: %s", qPrintable(printed));
        rules.emplace(target.settings, shop.folder.files(), owner, owner.name);
    }
    void addMember(const QString &name)
    {
        Transaction tx(server);
        MemberRow(name).addTo(server);
        tx.commit();
    }
    ShopFile shop;
    ServerDatabase target;
    Database server;
    Session owner;
    std::optional<ServerMaintenance> rules;
};

} // namespace

class TestServerData : public QObject
{
    Q_OBJECT
private:
    QString m_out;

    int command(const QStringList &arguments, const QString &folder)
    {
        m_out.clear();
        QTextStream out(&m_out);
        QTextStream err(&m_out);
        return ServerCommands::run(QStringList{QStringLiteral("pellomar")} + arguments, folder, out,
                                   err);
    }

private Q_SLOTS:
    // Each change made to the copy before the reconciliation is found, and
    // the move leaves the server as empty as it found it.
    void moveReconciles_data()
    {
        QTest::addColumn<QString>("tamper"); // SQL run on the copy; "" for none
        QTest::newRow("as it is") << QString();
        QTest::newRow("a balance one fen up")
            << QStringLiteral("UPDATE 会员登记 SET 余额 = 余额 + 0.01 WHERE rowid = 7");
        QTest::newRow("a total changed")
            << QStringLiteral("UPDATE 会员登记 SET 消费金额 = 0 WHERE rowid = 3");
        QTest::newRow("an entry lost") << QStringLiteral("DELETE FROM 账户流水 WHERE 会员号 = 5");
        QTest::newRow("an entry's count")
            << QStringLiteral("UPDATE 账户流水 SET 次数变动 = 9 WHERE 会员号 = 2");
        QTest::newRow("an audit row more") << QStringLiteral(
            "INSERT INTO 操作日志 (时间, 管理员, 操作, 内容) VALUES ('x', 'x', 'x', 'x')");
    }
    void moveReconciles()
    {
        QFETCH(QString, tamper);
        ShopFile shop(250);
        ServerDatabase target(true);
        Database server(target.settings);
        QVERIFY2(server.open(), qPrintable(server.lastError()));
        QString printed;
        QTextStream out(&printed);
        ServerMove move(shop.store, server, out);
        if (!tamper.isEmpty())
            move.setBeforeReconcile([&](Database &copy) { copy.exec(tamper); });
        QCOMPARE(move.run(), tamper.isEmpty() ? QString() : ServerMove::kDifferent);
        ServerMove::Totals file = ServerMove::totalsOf(shop.store);
        if (tamper.isEmpty())
            ++file.rows.last(); // the move's own operation number
        QCOMPARE(ServerMove::totalsOf(server) == file, tamper.isEmpty());
        QCOMPARE(count(server, Schema::kMembers), tamper.isEmpty() ? 250 : 0);
        QCOMPARE(printed.contains(QStringLiteral("不一致")), !tamper.isEmpty());
        if (tamper.isEmpty()) {
            // The server numbers its next rows after the moved ones.
            Transaction tx(server);
            const qint64 next = MemberRow(QStringLiteral("新会员")).addTo(server);
            tx.commit();
            QCOMPARE(next, 251);
        }
    }

    // A shop of PELLOMAR_MOVE_MEMBERS members (2,000 unless set; CTest's
    // tst_serverdata_large moves 100,000) through the command, reconciled.
    void movesALargeShop()
    {
        const int members = qEnvironmentVariableIsSet("PELLOMAR_MOVE_MEMBERS")
                                ? qEnvironmentVariableIntValue("PELLOMAR_MOVE_MEMBERS")
                                : 2000;
        ShopFile shop(members);
        const ServerMove::Totals file = ServerMove::totalsOf(shop.store);
        shop.store.close();
        ServerDatabase target(false);
        QVERIFY(writeServerIni(shop.folder.path(), target.settings));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(command({ServerCommands::kMove, shop.store.path()}, shop.folder.path()), 0);
        qInfo("%d members moved in %lld ms", members, timer.elapsed());
        QVERIFY2(!m_out.contains(QStringLiteral("不一致")), qPrintable(m_out));
        Database server(target.settings);
        QVERIFY(server.open());
        const ServerMove::Totals there = ServerMove::totalsOf(server);
        QCOMPARE(there.rows.first(), qint64(members));
        QCOMPARE(there.balances, file.balances);
        QCOMPARE(there.ledgerAmounts, file.ledgerAmounts);
    }

    // The two commands, as the terminal sees them.
    void commands_data()
    {
        QTest::addColumn<bool>("withTables");    // the server's database at the start
        QTest::addColumn<QStringList>("before"); // commands run first
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("withIni");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        const QString create = ServerCommands::kCreate;
        const QStringList move = {ServerCommands::kMove, QStringLiteral("FILE")};
        QTest::newRow("create") << false << QStringList() << QStringList{create} << true << 0
                                << QStringLiteral("创建完成");
        QTest::newRow("create over tables") << true << QStringList() << QStringList{create} << true
                                            << 1 << QStringLiteral("创建失败");
        QTest::newRow("move into a new database")
            << true << QStringList() << move << true << 0 << ServerMove::kMoved;
        QTest::newRow("move into a database without tables")
            << false << QStringList() << move << true << 0 << ServerMove::kMoved;
        QTest::newRow("move twice") << false << move << move << true << 1 << ServerMove::kNotEmpty;
        QTest::newRow("no such file")
            << true << QStringList()
            << QStringList{ServerCommands::kMove, QStringLiteral("/nowhere")} << true << 1
            << QStringLiteral("找不到数据文件");
        QTest::newRow("no ini") << true << QStringList() << QStringList{create} << false << 1
                                << ServerSettings::kFileName;
        QTest::newRow("unknown") << true << QStringList() << QStringList{create} + move << true << 1
                                 << QStringLiteral("用法");
    }
    void commands()
    {
        QFETCH(bool, withTables);
        QFETCH(QStringList, before);
        QFETCH(QStringList, arguments);
        QFETCH(bool, withIni);
        QFETCH(int, code);
        QFETCH(QString, said);
        ShopFile shop(40);
        shop.store.close();
        ServerDatabase target(withTables);
        const QString folder = shop.folder.path();
        if (withIni)
            QVERIFY(writeServerIni(folder, target.settings));
        for (QStringList *args : {&before, &arguments})
            args->replaceInStrings(QStringLiteral("FILE"), shop.store.path());
        if (!before.isEmpty())
            QVERIFY2(command(before, folder) == 0, qPrintable(m_out));
        QCOMPARE(command(arguments, folder), code);
        QVERIFY2(m_out.contains(said), qPrintable(m_out));
    }

    // Backup, a change, restore: the change is gone and the log tells the
    // restore; clear leaves admin alone.
    void backupRestoreClear()
    {
        MovedShop moved(30);
        ShopFile &shop = moved.shop;
        Database &server = moved.server;
        const Session &owner = moved.owner;
        ServerMaintenance &rules = *moved.rules;
        const DataMaintenance::Outcome backup = rules.backup();
        QVERIFY2(backup.messages.isEmpty(), qPrintable(backup.messages.join(QLatin1Char('\n'))));
        const QString archive = ServerMaintenance::archiveOf(shop.folder.files());
        const auto manifest = BackupManifest::read(BackupManifest::pathFor(archive));
        QVERIFY(manifest);
        QCOMPARE(manifest->members, 30);
        QCOMPARE(manifest->balance, ServerMove::totalsOf(shop.store).balances);
        moved.addMember(QStringLiteral("备份后"));
        QCOMPARE(count(server, Schema::kMembers), 31);
        QCOMPARE(rules.restore(QStringLiteral("wrong")).messages,
                 QStringList{DataMaintenance::kRestoreRefused});
        // A shop's database file is no archive of the server's.
        QCOMPARE(rules.restore(owner.password, shop.store.path()).messages,
                 QStringList{ServerMaintenance::kNotAServerBackup});
        QCOMPARE(count(server, Schema::kMembers), 31);
        const DataMaintenance::Outcome restored = rules.restore(owner.password);
        QVERIFY2(restored.messages.isEmpty(),
                 qPrintable(restored.messages.join(QLatin1Char('\n'))));
        server.close();
        QVERIFY(server.open());
        QCOMPARE(count(server, Schema::kMembers), 30);
        // The log names the till that restored.
        const QList<AuditLog::Row> restores = AuditLog(server).rows({}, {}, AuditLog::kRestore);
        QCOMPARE(restores.size(), 1);
        QVERIFY2(restores.first().detail.endsWith(QStringLiteral("（收银台：test）")),
                 qPrintable(restores.first().detail));
        const DataMaintenance::Outcome cleared = rules.clear(owner.password);
        QCOMPARE(cleared.messages, QStringList{DataMaintenance::kCleared});
        server.close();
        QVERIFY(server.open());
        // admin and his role, the clear's own number and its audit row.
        const QStringList left = {Schema::kAdmins, Schema::kAdminRoles, Schema::kOperations,
                                  QStringLiteral("操作日志")};
        for (const QString &table : ServerMove::tables())
            QCOMPARE(count(server, table), left.contains(table) ? 1 : 0);
        QCOMPARE(AuditLog(server).rows({}, {}).first().detail,
                 QStringLiteral("清空全部数据（收银台：test）"));
    }

    // The automatic generations on a server: the day's archive, and the
    // database a restore or a clear replaced, each with a manifest counting
    // what it holds, listed for a restore and pruned as a file's are. A
    // damaged archive fails its read-back; when the replaced database cannot
    // be archived, the restore does not run.
    void generations()
    {
        MovedShop moved(30);
        ServerMaintenance &rules = *moved.rules;
        const DataFiles files = moved.shop.folder.files();
        DiskFileOps fileOps;
        AutoBackups autos(files, fileOps, nullptr, BackupGenerations::kArchiveSuffix);
        QVERIFY(autos.firstStartToday());
        const AutoBackups::Result taken = rules.takeGeneration();
        QVERIFY2(taken.messages.isEmpty(), qPrintable(taken.messages.join(QLatin1Char('\n'))));
        QVERIFY(!autos.firstStartToday());
        QCOMPARE(rules.checkArchive(taken.path), QString());
        {
            QFile whole(taken.path);
            QVERIFY(whole.open(QIODevice::ReadOnly));
            QFile cut(taken.path + QStringLiteral(".cut"));
            QVERIFY(cut.open(QIODevice::WriteOnly));
            cut.write(whole.read(whole.size() * 2 / 3));
        }
        QVERIFY(!rules.checkArchive(taken.path + QStringLiteral(".cut")).isEmpty());
        QFile::remove(taken.path + QStringLiteral(".cut"));

        moved.addMember(QStringLiteral("备份后"));
        ServerMaintenance failing(moved.target.settings, files, moved.owner, moved.owner.name);
        failing.setTool([](const QString &program, const QStringList &arguments) {
            return program == QLatin1String("pg_dump")
                       ? QStringLiteral("no space left")
                       : ServerMaintenance::runProcess(program, arguments);
        });
        const QString password = moved.owner.password;
        QCOMPARE(failing.restore(password, taken.path)
                     .messages.value(0)
                     .section(QLatin1Char('\n'), 0, 0),
                 DataMaintenance::kRestoreFailed);
        QCOMPARE(count(moved.server, Schema::kMembers), 31);
        const DataMaintenance::Outcome restored = rules.restore(password, taken.path);
        QVERIFY2(restored.messages.isEmpty(),
                 qPrintable(restored.messages.join(QLatin1Char('\n'))));
        QCOMPARE(rules.clear(password).messages, QStringList{DataMaintenance::kCleared});

        // Newest first; the three may share a second.
        QMap<BackupKind, int> members;
        for (const BackupCatalog::Entry &e :
             BackupCatalog(files, ServerMaintenance::archiveOf(files)).entries()) {
            QVERIFY2(e.manifest, qPrintable(e.path));
            QCOMPARE(rules.checkArchive(e.path), QString());
            members.insert(e.kind, e.manifest->members);
        }
        const QMap<BackupKind, int> expected = {
            {BackupKind::Auto, 30}, {BackupKind::PreRestore, 31}, {BackupKind::PreClear, 30}};
        QCOMPARE(members, expected);

        // A generation of a year ago goes with its manifest; today's stay.
        const QString old =
            autos.folder() + QLatin1Char('/') +
            BackupGenerations::fileName(QDateTime::currentDateTime().addYears(-1), BackupKind::Auto,
                                        1, BackupGenerations::kArchiveSuffix);
        QVERIFY(QFile::copy(taken.path, old));
        QVERIFY(QFile::copy(BackupManifest::pathFor(taken.path), BackupManifest::pathFor(old)));
        QCOMPARE(autos.prune(), QStringList());
        QVERIFY(!QFileInfo::exists(old) && !QFileInfo::exists(BackupManifest::pathFor(old)));
        QCOMPARE(autos.list().size(), 3);
    }

    // While one till maintains, another's action is refused in words, and
    // goes through once the lock is gone.
    void maintenanceRefusesOtherTills()
    {
        ServerDatabase target(true);
        Database maintaining(target.settings);
        Database till(target.settings);
        QVERIFY(maintaining.open());
        QVERIFY(till.open());
        PostgresMaintenance::Hold hold(maintaining);
        QVERIFY2(hold.isHeld(), qPrintable(hold.error()));
        const auto addMember = [&] {
            Transaction tx(till);
            MemberRow(QStringLiteral("维护中")).addTo(till);
            tx.commit();
        };
        try {
            addMember();
            QFAIL("a till wrote during maintenance");
        } catch (const StoreError &e) {
            QCOMPARE(DatabaseErrorText::sentence(e.text()),
                     QStringLiteral("数据库正在维护，请稍后再试！"));
        }
        hold.release();
        addMember();
        QCOMPARE(count(till, Schema::kMembers), 1);
    }

    // The member export reads the server on a connection of its own.
    void exportReadsTheServer()
    {
        ServerDatabase target(true);
        Database server(target.settings);
        QVERIFY(server.open());
        const QStringList names = {QStringLiteral("服务器会员一"), QStringLiteral("服务器会员二")};
        {
            Transaction tx(server);
            for (const QString &name : names)
                MemberRow(name).addTo(server);
            tx.commit();
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("export.xls"));
        QCOMPARE(MemberExport::writeAlongside(server, path).failure, QString());
        const XlsReadBack::Workbook book = XlsReadBack::walk(path, Schema::kMemberColumns.size());
        QCOMPARE(book.error, QString());
        for (const QString &name : names)
            QVERIFY2(book.strings.contains(name), qPrintable(name));
    }
};

QTEST_MAIN(TestServerData)
#include "tst_serverdata.moc"
