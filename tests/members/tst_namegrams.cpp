// A part of one or two characters of a name is found through the index of
// the names' characters, with the same members a scan finds, through every
// write to the names and the upgrade of an older file.
#include "store/MemberTable.h"
#include "store/Schema.h"
#include "support/Members.h"
#include "support/SchemaFiles.h"
#include "support/TestFolder.h"

#include <QtTest>

namespace {

const QStringList kNames = {
    QStringLiteral("张三"),
    QStringLiteral("王小明"),
    QStringLiteral("欧阳娜娜"),
    QStringLiteral("张"),
    QStringLiteral("小张3号"),
    QStringLiteral("李𠀀"), // a character beyond the basic plane
    // Longer than the characters the index covers; 张 and 明 come late.
    QStringLiteral("一二三四五六七八九十一二三四五六七张明"),
};

// The names that hold part, as a scan of every name finds them, in
// registration order.
QStringList scanned(const QStringList &names, const QString &part)
{
    QStringList found;
    for (const QString &name : names)
        if (name.contains(part))
            found << name;
    return found;
}

QStringList searched(MemberStore &store, const QString &part, int limit = -1)
{
    MemberTable members(store);
    return namesOf(store, members.idsNameContaining(part, 0, limit));
}

} // namespace

class TestNameGrams : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void partsAsAScanFindsThem_data()
    {
        QTest::addColumn<QString>("part");
        for (const char *part : {"张", "三", "小", "小明", "阳娜", "娜娜", "张三", "明", "3", "3号",
                                 "𠀀", "李𠀀", "张明", "七张", "陈", "三王"})
            QTest::newRow(part) << QString::fromUtf8(part);
    }
    void partsAsAScanFindsThem()
    {
        QFETCH(QString, part);
        TestFolder folder;
        for (const QString &name : kNames)
            addMember(folder.store(), name);
        QCOMPARE(searched(folder.store(), part), scanned(kNames, part));
        // A page holds the first of them.
        QCOMPARE(searched(folder.store(), part, 1), scanned(kNames, part).mid(0, 1));
    }

    // Renames and deletions move the index with them.
    void followsEveryWrite()
    {
        TestFolder folder;
        MemberStore &store = folder.store();
        const qint64 id = addMember(store, QStringLiteral("张三"));
        const qint64 li = addMember(store, QStringLiteral("李四"));
        // The answer comes from the index, not from a scan of the names: an
        // entry put there by hand is found.
        store.exec(QStringLiteral("INSERT INTO 会员字索引 (字, 会员行) VALUES (?, ?)"),
                   {QStringLiteral("陈"), li});
        QCOMPARE(searched(store, QStringLiteral("陈")), QStringList{QStringLiteral("李四")});
        store.exec(QStringLiteral("DELETE FROM 会员字索引 WHERE 字 = ?"), {QStringLiteral("陈")});
        store.exec(QStringLiteral("UPDATE 会员登记 SET 会员名 = ? WHERE rowid = ?"),
                   {QStringLiteral("赵六"), id});
        QCOMPARE(searched(store, QStringLiteral("张")), QStringList());
        QCOMPARE(searched(store, QStringLiteral("赵六")), QStringList{QStringLiteral("赵六")});
        MemberTable(store).removeByName(QStringLiteral("赵六"));
        QCOMPARE(searched(store, QStringLiteral("六")), QStringList());
        QCOMPARE(store.scalar(QStringLiteral("SELECT count(*) FROM 会员字索引")), QVariant(3));
    }

    void upgradeIndexesTheNamesThere()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("table.mdb"));
        // Version 5 is the last without the index of the names' characters.
        QCOMPARE(writeDatabaseOfVersion(path, 5), QString());
        MemberStore store(path);
        QVERIFY2(store.open(), qPrintable(store.lastError()));
        QCOMPARE(searched(store, QStringLiteral("三")), QStringList{QStringLiteral("张三丰")});
        QCOMPARE(searched(store, QStringLiteral("三丰")), QStringList{QStringLiteral("张三丰")});
    }
};

QTEST_GUILESS_MAIN(TestNameGrams)
#include "tst_namegrams.moc"
