// Member search, modify and delete rules, and the member list fetched in
// chunks.
#include "base/Clock.h"
#include "base/Session.h"
#include "base/StoreError.h"
#include "rules/members/MemberDelete.h"
#include "rules/members/MemberListModel.h"
#include "rules/members/MemberModify.h"
#include "rules/members/MemberSearch.h"
#include "store/Database.h"
#include "store/MemberTable.h"
#include "support/Members.h"
#include "support/TestFolder.h"

#include <QtTest>

namespace {

QStringList listedNames(MemberListModel &list)
{
    QStringList shown;
    for (int row = 0; row < list.rowCount(); ++row)
        shown << list.data(list.index(row, 1)).toString();
    return shown;
}

} // namespace

class TestMemberRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { Clock::setSourceForTesting({}); }

    void search_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus");
        QTest::addColumn<QStringList>("listed");
        using K = MemberSearch::Outcome::Kind;
        using F = MemberSearch::Field;
        const QStringList all = {QStringLiteral("张三"), QStringLiteral("Tom"),
                                 QStringLiteral("李四"), QStringLiteral("O'Neil")};
        QTest::newRow("both empty lists all")
            << QString() << QString() << int(K::Listed) << QString() << int(F::None) << all;
        QTest::newRow("both filled")
            << QStringLiteral("张三") << QStringLiteral("13800000001") << int(K::Refused)
            << MemberSearch::kBothFilled << int(F::None) << QStringList();
        QTest::newRow("blank name counts as filled")
            << QStringLiteral(" ") << QStringLiteral("13800000001") << int(K::Refused)
            << MemberSearch::kBothFilled << int(F::None) << QStringList();
        QTest::newRow("by name") << QStringLiteral("张三") << QString() << int(K::Listed)
                                 << QString() << int(F::None)
                                 << QStringList{QStringLiteral("张三")};
        QTest::newRow("name trimmed")
            << QStringLiteral("  李四 ") << QString() << int(K::Listed) << QString() << int(F::None)
            << QStringList{QStringLiteral("李四")};
        QTest::newRow("name letter case ignored")
            << QStringLiteral("tOM") << QString() << int(K::Listed) << QString() << int(F::None)
            << QStringList{QStringLiteral("Tom")};
        QTest::newRow("name with quote")
            << QStringLiteral("O'Neil") << QString() << int(K::Listed) << QString() << int(F::None)
            << QStringList{QStringLiteral("O'Neil")};
        QTest::newRow("part of a name is not found")
            << QStringLiteral("张") << QString() << int(K::NotFound) << MemberSearch::kNameNotFound
            << int(F::Name) << QStringList();
        QTest::newRow("blank name not found")
            << QStringLiteral("   ") << QString() << int(K::NotFound) << MemberSearch::kNameNotFound
            << int(F::Name) << QStringList();
        QTest::newRow("shared phone lists both")
            << QString() << QStringLiteral("13800000001") << int(K::Listed) << QString()
            << int(F::None) << QStringList{QStringLiteral("张三"), QStringLiteral("李四")};
        QTest::newRow("phone trimmed")
            << QString() << QStringLiteral(" 13800000002 ") << int(K::Listed) << QString()
            << int(F::None) << QStringList{QStringLiteral("Tom")};
        QTest::newRow("part of a phone is not found")
            << QString() << QStringLiteral("1380000000") << int(K::NotFound)
            << MemberSearch::kPhoneNotFound << int(F::Phone) << QStringList();
    }
    void search()
    {
        QFETCH(QString, name);
        QFETCH(QString, phone);
        QFETCH(int, kind);
        QFETCH(QString, message);
        QFETCH(int, focus);
        QFETCH(QStringList, listed);
        TestFolder folder;
        MemberTable members(folder.store());
        members.insert(sampleMember(QStringLiteral("张三"), QStringLiteral("13800000001")));
        members.insert(sampleMember(QStringLiteral("Tom"), QStringLiteral("13800000002")));
        members.insert(sampleMember(QStringLiteral("李四"), QStringLiteral("13800000001")));
        members.insert(sampleMember(QStringLiteral("O'Neil"), QStringLiteral("13800000004")));
        MemberListModel list(folder.store());
        const auto outcome = MemberSearch::run(list, name, phone);
        QCOMPARE(int(outcome.kind), kind);
        QCOMPARE(outcome.message, message);
        QCOMPARE(int(outcome.focus), focus);
        QCOMPARE(listedNames(list), listed);
    }

    // Part of a name anywhere, or, for digits, the end of a phone as well:
    // both lists merge in registration order, each member once, and pages of
    // one member walk the same list.
    void idsByPart_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("middle of a name") << QStringLiteral("i") << utf8Names({"Lily", "Li_2"});
        QTest::newRow("indexed name") << QStringLiteral("Lil") << utf8Names({"Lily"});
        QTest::newRow("phone end") << QStringLiteral("0001") << utf8Names({"Lily"});
        QTest::newRow("phone start is no match") << QStringLiteral("1380") << QStringList();
        QTest::newRow("name or phone, each once")
            << QStringLiteral("2") << utf8Names({"李雷", "Li_2", "K2"});
        QTest::newRow("indexed name or phone")
            << QStringLiteral("100") << utf8Names({"100%", "Zhao"});
        QTest::newRow("digits not at the end") << QStringLiteral("800") << QStringList();
        QTest::newRow("backslash") << QStringLiteral("\\") << utf8Names({"a\\b"});
        QTest::newRow("empty") << QString() << QStringList();
    }
    void idsByPart()
    {
        QFETCH(QString, part);
        QFETCH(QStringList, found);
        TestFolder folder;
        Database &store = folder.store();
        addMember(store, QStringLiteral("Lily"), QStringLiteral("13800000001"));
        addMember(store, QStringLiteral("李雷"), QStringLiteral("13800000002"));
        addMember(store, QStringLiteral("Li_2"), QStringLiteral("13800000003"));
        addMember(store, QStringLiteral("100%"), QStringLiteral("13800000004"));
        addMember(store, QStringLiteral("a\\b"), QStringLiteral("13800000005"));
        addMember(store, QStringLiteral("K2"), QStringLiteral("13800000012"));
        addMember(store, QStringLiteral("Zhao"), QStringLiteral("13800000100"));
        MemberTable members(store);
        const QList<qint64> all = MemberSearch::idsByPart(members, part, 0, -1);
        QCOMPARE(namesOf(store, all), found);
        QList<qint64> paged;
        for (QList<qint64> page = MemberSearch::idsByPart(members, part, 0, 1); !page.isEmpty();
             page = MemberSearch::idsByPart(members, part, page.last(), 1)) {
            QCOMPARE(page.size(), 1);
            paged << page;
        }
        QCOMPARE(paged, all);
    }

    void refusedSearchKeepsTheList()
    {
        TestFolder folder;
        MemberTable(folder.store())
            .insert(sampleMember(QStringLiteral("张三"), QStringLiteral("13800000001")));
        MemberListModel list(folder.store());
        MemberSearch::run(list, {}, {});
        MemberSearch::run(list, QStringLiteral("x"), QStringLiteral("1"));
        QCOMPARE(listedNames(list), QStringList{QStringLiteral("张三")});
    }

    void notes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("builtInNote");
        QTest::addColumn<Role>("role");
        QTest::addColumn<bool>("canChange");
        QTest::newRow("admin") << QStringLiteral("admin") << true << Role::Owner << true;
        QTest::newRow("trailing blank") << QStringLiteral("admin ") << true << Role::Owner << true;
        QTest::newRow("leading blank") << QStringLiteral(" admin") << true << Role::Owner << true;
        QTest::newRow("capital letter") << QStringLiteral("Admin") << false << Role::Owner << true;
        QTest::newRow("another owner") << QStringLiteral("boss") << false << Role::Owner << true;
        QTest::newRow("a cashier") << QStringLiteral("clerk") << false << Role::Cashier << false;
    }
    void notes()
    {
        QFETCH(QString, name);
        QFETCH(bool, builtInNote);
        QFETCH(Role, role);
        QFETCH(bool, canChange);
        const Session session{name, QStringLiteral("pw"), role};
        QCOMPARE(MemberSearch::note(session),
                 builtInNote ? MemberSearch::kBuiltInNote : MemberSearch::kOtherNote);
        QCOMPARE(MemberSearch::canChange(session), canChange);
    }

    void modify_data()
    {
        QTest::addColumn<bool>("ack");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("referrerPhone");
        QTest::addColumn<QString>("message"); // empty: saved
        using namespace MemberModify;
        const QString ok = QStringLiteral("13900000001");
        const QString empty;
        QTest::newRow("not ticked beats everything")
            << false << empty << empty << QStringLiteral("1") << kNotAcknowledged;
        QTest::newRow("sex before phone") << true << empty << empty << empty << kNoSex;
        QTest::newRow("empty phone")
            << true << QStringLiteral("女") << empty << QStringLiteral("1") << kNoPhone;
        QTest::newRow("10 digit phone")
            << true << QStringLiteral("女") << QStringLiteral("1390000000") << empty << kBadPhone;
        QTest::newRow("12 digit phone")
            << true << QStringLiteral("女") << QStringLiteral("139000000011") << empty << kBadPhone;
        QTest::newRow("pasted letters")
            << true << QStringLiteral("女") << QStringLiteral("1390000000a") << empty << kBadPhone;
        QTest::newRow("short referrer phone")
            << true << QStringLiteral("女") << ok << QStringLiteral("1380000") << kBadReferrerPhone;
        QTest::newRow("blank referrer phone")
            << true << QStringLiteral("女") << ok << QStringLiteral(" ") << kBadReferrerPhone;
        QTest::newRow("another member's phone")
            << true << QStringLiteral("女") << QStringLiteral("13800000002") << empty
            << kPhoneTaken;
        QTest::newRow("saved, referrer phone emptied")
            << true << QStringLiteral("女") << ok << empty << QString();
        QTest::newRow("saved, own phone kept")
            << true << QStringLiteral("女") << QStringLiteral("13800000001")
            << QStringLiteral("13800000002") << QString();
    }
    void modify()
    {
        QFETCH(bool, ack);
        QFETCH(QString, sex);
        QFETCH(QString, phone);
        QFETCH(QString, referrerPhone);
        QFETCH(QString, message);
        Clock::setSourceForTesting([] { return QDateTime(QDate(2026, 12, 7), QTime(20, 5, 9)); });
        TestFolder folder;
        MemberTable members(folder.store());
        const qint64 id =
            members.insert(sampleMember(QStringLiteral("张三"), QStringLiteral("13800000001"),
                                        QStringLiteral("王五"), QStringLiteral("13700000000")));
        members.insert(sampleMember(QStringLiteral("Tom"), QStringLiteral("13800000002")));
        const Member before = *members.byId(id);

        MemberModify::Request r{id, ack, sex, phone, QString(), referrerPhone};
        const auto outcome = MemberModify::save(folder.store(), r);
        QCOMPARE(outcome.message, message);
        const Member after = *members.byId(id);
        if (message.isEmpty()) {
            QCOMPARE(outcome.kind, MemberModify::Outcome::Kind::Saved);
            QCOMPARE(outcome.status, QStringLiteral("提示：修改成功！   20:05:09"));
            QCOMPARE(after.sex, sex);
            QCOMPARE(after.phone, phone);
            QCOMPARE(after.referrer, QString());
            QCOMPARE(after.referrerPhone, referrerPhone);
        } else {
            QCOMPARE(outcome.kind, MemberModify::Outcome::Kind::Refused);
            QCOMPARE(after.sex, before.sex);
            QCOMPARE(after.phone, before.phone);
            QCOMPARE(after.referrer, before.referrer);
            QCOMPARE(after.referrerPhone, before.referrerPhone);
        }
        // The other fields are never written.
        QCOMPARE(after.name, before.name);
        QCOMPARE(after.balance, before.balance);
        QCOMPARE(after.registered, before.registered);
    }

    void modifyKeepsASharedPhoneItAlreadyHad()
    {
        TestFolder folder;
        MemberTable members(folder.store());
        const qint64 id =
            members.insert(sampleMember(QStringLiteral("a"), QStringLiteral("13800000001")));
        members.insert(sampleMember(QStringLiteral("b"), QStringLiteral("13800000001")));
        const MemberModify::Request r{id, true, QStringLiteral("女"), QStringLiteral("13800000001"),
                                      {}, {}};
        QCOMPARE(MemberModify::save(folder.store(), r).kind, MemberModify::Outcome::Kind::Saved);
        QCOMPARE(members.byId(id)->sex, QStringLiteral("女"));
    }

    void modifyOfADeletedMemberWritesNothing()
    {
        TestFolder folder;
        MemberTable members(folder.store());
        const qint64 id =
            members.insert(sampleMember(QStringLiteral("a"), QStringLiteral("13800000001")));
        members.removeByName(QStringLiteral("a"));
        const quint64 commits = folder.store().commitCount();
        const MemberModify::Request r{id, true, QStringLiteral("女"), QStringLiteral("13800000009"),
                                      {}, {}};
        const auto outcome = MemberModify::save(folder.store(), r);
        QCOMPARE(outcome.message, MemberModify::kGone);
        QCOMPARE(folder.store().commitCount(), commits);
        QCOMPARE(members.count(), 0);
    }

    // A new phone follows him into the rows of the members he referred; rows
    // naming another phone, or him by name alone, stay as they are.
    void modifyCarriesTheNewPhoneToHisReferees_data()
    {
        QTest::addColumn<QString>("newPhone");
        QTest::addColumn<QStringList>("refereePhones"); // 推荐人手机 of b, c, d after
        const QString old = QStringLiteral("13800000001");
        const QString other = QStringLiteral("13800000009");
        QTest::newRow("changed") << QStringLiteral("13900000001")
                                 << QStringList{QStringLiteral("13900000001"),
                                                QStringLiteral("13900000001"), other, QString()};
        QTest::newRow("kept") << old << QStringList{old, old, other, QString()};
    }
    void modifyCarriesTheNewPhoneToHisReferees()
    {
        QFETCH(QString, newPhone);
        QFETCH(QStringList, refereePhones);
        TestFolder folder;
        MemberTable members(folder.store());
        const QString tom = QStringLiteral("Tom");
        const qint64 id = members.insert(sampleMember(tom, QStringLiteral("13800000001")));
        QList<qint64> referees;
        referees << members.insert(sampleMember(QStringLiteral("b"), QStringLiteral("13800000002"),
                                                tom, QStringLiteral("13800000001")))
                 << members.insert(sampleMember(QStringLiteral("c"), QStringLiteral("13800000003"),
                                                {}, QStringLiteral("13800000001")))
                 << members.insert(sampleMember(QStringLiteral("d"), QStringLiteral("13800000004"),
                                                tom, QStringLiteral("13800000009")))
                 << members.insert(
                        sampleMember(QStringLiteral("e"), QStringLiteral("13800000005"), tom, {}));
        const quint64 commits = folder.store().commitCount();
        const MemberModify::Request r{id, true, QStringLiteral("男"), newPhone, {}, {}};
        QCOMPARE(MemberModify::save(folder.store(), r).kind, MemberModify::Outcome::Kind::Saved);
        QCOMPARE(folder.store().commitCount(), commits + 1);
        QStringList after;
        for (const qint64 referee : referees) {
            after << members.byId(referee)->referrerPhone;
            QCOMPARE(members.byId(referee)->referrer.isEmpty(), referee == referees[1]);
        }
        QCOMPARE(after, refereePhones);
    }

    void balanceWarningBeforeADelete_data()
    {
        QTest::addColumn<QStringList>("balances"); // of the members named Tom
        QTest::addColumn<QString>("warning");
        QTest::newRow("a balance") << QStringList{QStringLiteral("199")}
                                   << QStringLiteral("该会员余额 199.00 元，删除后无法恢复！");
        QTest::newRow("two of the name") << QStringList{QStringLiteral("10"), QStringLiteral("5.5")}
                                         << QStringLiteral("该会员余额 15.50 元，删除后无法恢复！");
        QTest::newRow("owes") << QStringList{QStringLiteral("-3")}
                              << QStringLiteral("该会员余额 -3.00 元，删除后无法恢复！");
        QTest::newRow("nothing held") << QStringList{QStringLiteral("0")} << QString();
        QTest::newRow("nobody of the name") << QStringList() << QString();
    }
    void balanceWarningBeforeADelete()
    {
        QFETCH(QStringList, balances);
        QFETCH(QString, warning);
        TestFolder folder;
        for (const QString &b : balances)
            addMember(folder.store(), QStringLiteral("Tom"), {}, {}, {}, Money::fromStored(b));
        addMember(folder.store(), QStringLiteral("Ann"), {}, {}, {}, Money::fromYuan(50));
        QCOMPARE(MemberDelete::balanceWarning(folder.store(), QStringLiteral("tom")), warning);
    }

    void deleteByName()
    {
        TestFolder folder;
        MemberTable members(folder.store());
        const qint64 referrer =
            members.insert(sampleMember(QStringLiteral("Tom"), QStringLiteral("13800000001")));
        const qint64 referee =
            members.insert(sampleMember(QStringLiteral("李四"), QStringLiteral("13800000002"),
                                        QStringLiteral("Tom"), QStringLiteral("13800000001")));
        const auto first = MemberDelete::remove(folder.store(), QStringLiteral("tom"));
        QCOMPARE(first.removed, QList<qint64>{referrer});
        QVERIFY(!members.byId(referrer));
        const Member kept = *members.byId(referee);
        QCOMPARE(kept.referrer, QStringLiteral("Tom"));
        QCOMPARE(kept.referrerPhone, QStringLiteral("13800000001"));
        QVERIFY(MemberDelete::remove(folder.store(), QStringLiteral("Tom")).removed.isEmpty());
        QCOMPARE(members.count(), 1);
        QCOMPARE(MemberDelete::deletedMessage(QStringLiteral(" Tom")),
                 QStringLiteral("会员ID：  Tom 已被删除，无法恢复！"));
    }

    void listFetchesInChunks()
    {
        TestFolder folder;
        MemberTable members(folder.store());
        constexpr int kMembers = 5000;
        {
            Transaction tx(folder.store());
            for (int i = 0; i < kMembers; ++i) {
                Member m = sampleMember(QStringLiteral("m%1").arg(i),
                                        QStringLiteral("1380%1").arg(i, 7, 10, QLatin1Char('0')));
                m.consumed = Money::fromFen(i * 10);
                m.balance = Money::fromFen(-i);
                m.consumptions = i;
                members.insert(m);
            }
            tx.commit();
        }
        MemberListModel list(folder.store());
        QCOMPARE(list.columnCount(), 0); // empty grid before the first search
        list.show();
        QCOMPARE(list.columnCount(), 10);
        QCOMPARE(list.rowCount(), MemberListModel::kFetchRows);
        QStringList headers;
        for (int c = 0; c < list.columnCount(); ++c)
            headers << list.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers,
                 (QStringList{QStringLiteral("表头"), QStringLiteral("会员名"),
                              QStringLiteral("性别"), QStringLiteral("手机号"),
                              QStringLiteral("消费金额"), QStringLiteral("推荐人"),
                              QStringLiteral("推荐人手机"), QStringLiteral("被推荐人消费次数"),
                              QStringLiteral("余额"), QStringLiteral("注册时间")}));
        int fetches = 0;
        while (list.canFetchMore()) {
            list.fetchMore();
            ++fetches;
        }
        QCOMPARE(list.rowCount(), kMembers);
        QCOMPARE(fetches, kMembers / MemberListModel::kFetchRows);
        // The grid shows amounts with two decimals.
        const auto cents = [](qint64 fen) {
            return QString::asprintf("%s%lld.%02lld", fen < 0 ? "-" : "", qAbs(fen) / 100,
                                     qAbs(fen) % 100);
        };
        // Rows read in any order show their own member.
        for (int row : {4999, 0, 2500, 1234, 4096, 63, 64}) {
            QCOMPARE(list.data(list.index(row, 1)).toString(), QStringLiteral("m%1").arg(row));
            QCOMPARE(list.data(list.index(row, 0)).toString(), QString());
            QCOMPARE(list.data(list.index(row, 4)).toString(), cents(row * 10));
            QCOMPARE(list.data(list.index(row, 7)).toString(), QString::number(row));
            QCOMPARE(list.data(list.index(row, 8)).toString(), cents(-row));
        }
        QCOMPARE(list.data(list.index(1, 9)).toString(), QStringLiteral("2026/12/7"));
        QCOMPARE(list.data(list.index(12, 3)).toString(), QStringLiteral("13800000012"));

        // Deleted rows leave the list; later rows move up.
        list.removeIds({list.member(10).id, list.member(11).id, list.member(4999).id});
        QCOMPARE(list.rowCount(), kMembers - 3);
        QCOMPARE(list.data(list.index(10, 1)).toString(), QStringLiteral("m12"));
        QCOMPARE(list.data(list.index(kMembers - 4, 1)).toString(), QStringLiteral("m4998"));

        // A new search starts over with the first chunk.
        list.show(MemberTable::Key::Name, QStringLiteral("M77"));
        QCOMPARE(listedNames(list), QStringList{QStringLiteral("m77")});
        QVERIFY(!list.canFetchMore());
    }

    void listStopsReadingAfterAFailure()
    {
        PELLOMAR_FILE_ONLY("a server's store opens its closed connection again");
        TestFolder folder;
        MemberTable members(folder.store());
        {
            Transaction tx(folder.store());
            for (int i = 0; i < MemberListModel::kFetchRows + 10; ++i)
                members.insert(
                    sampleMember(QStringLiteral("m%1").arg(i), QStringLiteral("13800000001")));
            tx.commit();
        }
        MemberListModel list(folder.store());
        list.show();
        QSignalSpy failures(&list, &MemberListModel::loadFailed);
        QCOMPARE(list.data(list.index(0, 1)).toString(), QStringLiteral("m0"));
        folder.store().close();

        // A failed search leaves the list as it was.
        QVERIFY_THROWS_EXCEPTION(StoreError,
                                 list.show(MemberTable::Key::Name, QStringLiteral("m1")));
        QCOMPARE(list.rowCount(), MemberListModel::kFetchRows);
        QCOMPARE(list.data(list.index(1, 1)).toString(), QStringLiteral("m1")); // cached page

        // Rows that cannot be read show empty, reported once.
        QCOMPARE(list.data(list.index(500, 1)).toString(), QString());
        QCOMPARE(list.data(list.index(700, 4)).toString(), QString());
        QCOMPARE(failures.size(), 1);
        QVERIFY(!list.canFetchMore());

        // The next search reads again.
        QVERIFY(folder.store().open());
        list.show();
        QVERIFY(list.canFetchMore());
        QCOMPARE(list.data(list.index(500, 1)).toString(), QStringLiteral("m500"));
        QCOMPARE(failures.size(), 1);
    }

    void listShowsRowsThatWentAsEmpty()
    {
        TestFolder folder;
        MemberTable members(folder.store());
        members.insert(sampleMember(QStringLiteral("a"), QStringLiteral("13800000001")));
        members.insert(sampleMember(QStringLiteral("b"), QStringLiteral("13800000002")));
        MemberListModel list(folder.store());
        list.show();
        members.removeByName(QStringLiteral("a"));
        QCOMPARE(listedNames(list), (QStringList{QString(), QStringLiteral("b")}));
        QCOMPARE(list.data(list.index(0, 4)).toString(), QString());
    }
};

QTEST_GUILESS_MAIN(TestMemberRules)
#include "tst_memberrules.moc"
