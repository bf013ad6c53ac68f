// A part of one or two characters of a name is found through the names'
// parts, with the same members a scan finds.
#include "store/MemberTable.h"
#include "support/Members.h"
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
    // Longer than the characters whose parts are kept; 张 and 明 come late.
    QString(64, QChar(u'一')) + QStringLiteral("张明"),
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

QStringList searched(Database &store, const QString &part, int limit = -1)
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
                                 "𠀀", "李𠀀", "张明", "一张", "陈", "三王"})
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

    // The answer comes from the names' parts, not from a scan of the names:
    // a part taken out by hand is no longer found.
    void answerComesFromTheParts()
    {
        TestFolder folder;
        Database &store = folder.store();
        addMember(store, QStringLiteral("张三"));
        QCOMPARE(searched(store, QStringLiteral("三")), QStringList{QStringLiteral("张三")});
        store.exec(QStringLiteral("DELETE FROM 会员名片段 WHERE 片段 = ?"), {QStringLiteral("三")});
        QCOMPARE(searched(store, QStringLiteral("三")), QStringList());
        QCOMPARE(searched(store, QStringLiteral("张三")), QStringList{QStringLiteral("张三")});
    }
};

QTEST_GUILESS_MAIN(TestNameGrams)
#include "tst_namegrams.moc"
