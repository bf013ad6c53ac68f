// Registering a member: the order of the checks, the duplicate and
// mutual-referral refusals, the stored row, and a failing write.
#include "base/StoreError.h"
#include "rules/members/Registration.h"
#include "support/Members.h"
#include "support/TestFolder.h"

#include <QtTest>

using namespace Registration;

Q_DECLARE_METATYPE(Registration::Focus)

namespace {

const QString kLilyPhone = QStringLiteral("13800000001");
const QString kYangPhone = QStringLiteral("13800000002");
const QString kZhouPhone = QStringLiteral("13800000003");
const QString kXuPhone = QStringLiteral("13900000009");

// Lily names nobody; Yang names Xu by name; Zhou names Xu's phone.
void addNeighbours(Database &store)
{
    addMember(store, QStringLiteral("Lily"), kLilyPhone);
    addMember(store, QStringLiteral("Yang"), kYangPhone, QStringLiteral("Xu"));
    addMember(store, QStringLiteral("Zhou"), kZhouPhone, QString(), kXuPhone);
}

Request request(const QString &name, const QString &phone, const QString &referrer = {},
                const QString &referrerPhone = {})
{
    return {name, kMale, phone, referrer, referrerPhone, QDate(2026, 12, 7)};
}

// Answers the confirmation from a list and counts the questions.
struct Answers
{
    QStringList answers;
    int asked = 0;
    ConfirmIncomplete confirm()
    {
        return [this] {
            ++asked;
            return !answers.isEmpty() && answers.takeFirst().toUpper() == QLatin1String("OK");
        };
    }
};

} // namespace

class TestRegistration : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void checksInOrder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("referrer");
        QTest::addColumn<QString>("referrerPhone");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Focus>("focus");

        const QString ok = QStringLiteral("OK");
        const QString phone = QStringLiteral("13700000000");
        const QString m = kMale;
        const QString none;
        QTest::newRow("nothing typed")
            << none << none << none << none << none << QStringList() << kNoName << Focus::Name;
        QTest::newRow("blank name passes, no sex")
            << QStringLiteral("  ") << none << phone << none << none << QStringList() << kNoSex
            << Focus::Unchanged;
        QTest::newRow("phone of 10 digits")
            << QStringLiteral("Wang") << m << QStringLiteral("1370000000") << none << none
            << QStringList() << kBadPhone << Focus::Unchanged;
        QTest::newRow("pasted letter in phone")
            << QStringLiteral("Wang") << m << QStringLiteral("1370000000a") << none << none
            << QStringList() << kBadPhone << Focus::Unchanged;
        QTest::newRow("signed phone")
            << QStringLiteral("Wang") << m << QStringLiteral("+1370000000") << none << none
            << QStringList() << kBadPhone << Focus::Unchanged;
        QTest::newRow("phone with point")
            << QStringLiteral("Wang") << m << QStringLiteral("1370000000.") << none << none
            << QStringList() << kBadPhone << Focus::Unchanged;
        QTest::newRow("full-width digits")
            << QStringLiteral("Wang") << m << QStringLiteral("１３７００００００００") << none
            << none << QStringList() << kBadPhone << Focus::Unchanged;
        QTest::newRow("short referrer phone")
            << QStringLiteral("Wang") << m << phone << none << QStringLiteral("139")
            << QStringList() << kBadReferrerPhone << Focus::Unchanged;
        QTest::newRow("blank referrer phone")
            << QStringLiteral("Wang") << m << phone << QStringLiteral("Lily")
            << QStringLiteral("   ") << QStringList() << kBadReferrerPhone << Focus::Unchanged;
        QTest::newRow("cancelled") << QStringLiteral("Wang") << m << phone << none << none
                                   << QStringList{QString()} << kNotConfirmed << Focus::Unchanged;
        QTest::newRow("other answer")
            << QStringLiteral("Wang") << m << phone << none << none
            << QStringList{QStringLiteral("yes")} << kNotConfirmed << Focus::Unchanged;
        QTest::newRow("OK with blanks")
            << QStringLiteral("Wang") << m << phone << none << none
            << QStringList{QStringLiteral(" OK")} << kNotConfirmed << Focus::Unchanged;
        QTest::newRow("confirmation before duplicates")
            << QStringLiteral("Lily") << m << kLilyPhone << none << none << QStringList{QString()}
            << kNotConfirmed << Focus::Unchanged;
        QTest::newRow("name taken, other case")
            << QStringLiteral("LILY") << m << phone << none << none << QStringList{ok} << kNameTaken
            << Focus::Name;
        QTest::newRow("name checked before phone")
            << QStringLiteral("lily") << m << kYangPhone << none << none << QStringList{ok}
            << kNameTaken << Focus::Name;
        QTest::newRow("phone taken") << QStringLiteral("Wang") << m << kYangPhone << none << none
                                     << QStringList{ok} << kPhoneTaken << Focus::Phone;
        QTest::newRow("lower-case ok")
            << QStringLiteral("Wang") << m << phone << none << none
            << QStringList{QStringLiteral("ok")} << successMessage(QStringLiteral("Wang"))
            << Focus::Unchanged;
        QTest::newRow("mixed-case ok, referrer by name only")
            << QStringLiteral("Wang") << QString(kFemale) << phone << QStringLiteral("Lily") << none
            << QStringList{QStringLiteral("oK")} << successMessage(QStringLiteral("Wang"))
            << Focus::Unchanged;
        QTest::newRow("complete referrer, no question")
            << QStringLiteral("Wang") << m << phone << QStringLiteral("Lily") << kLilyPhone
            << QStringList() << successMessage(QStringLiteral("Wang")) << Focus::Unchanged;
        QTest::newRow("referrer who is not a member")
            << QStringLiteral("Wang") << m << phone << QStringLiteral("陌生人")
            << QStringLiteral("13600000000") << QStringList()
            << successMessage(QStringLiteral("Wang")) << Focus::Unchanged;
    }
    void checksInOrder()
    {
        QFETCH(QString, name);
        QFETCH(QString, sex);
        QFETCH(QString, phone);
        QFETCH(QString, referrer);
        QFETCH(QString, referrerPhone);
        QFETCH(QStringList, answers);
        QFETCH(QString, message);
        QFETCH(Focus, focus);
        TestFolder folder;
        addNeighbours(folder.store());
        Answers script{answers};
        const int scripted = answers.size();

        const Outcome outcome =
            add(folder.store(), {name, sex, phone, referrer, referrerPhone, {}}, script.confirm());
        QCOMPARE(outcome.message, message);
        QCOMPARE(outcome.focus, focus);
        QCOMPARE(script.asked, scripted);
        QCOMPARE(MemberTable(folder.store()).count(), outcome.registered ? 4 : 3);
    }

    // Xu may not name as referrer someone whose row already names Xu, nor
    // himself (nobody earns commission on his own consumptions).
    void referralRefused_data()
    {
        QTest::addColumn<QString>("referrer");
        QTest::addColumn<QString>("referrerPhone");
        QTest::addColumn<QString>("refusal"); // empty: registered
        QTest::newRow("Yang by name names Xu by name")
            << QStringLiteral("Yang") << QString() << kMutual;
        QTest::newRow("letter case ignored") << QStringLiteral("yANG") << QString() << kMutual;
        QTest::newRow("Zhou by name names Xu's phone")
            << QStringLiteral("Zhou") << QString() << kMutual;
        QTest::newRow("Yang by phone") << QString() << kYangPhone << kMutual;
        QTest::newRow("Zhou by phone") << QString() << kZhouPhone << kMutual;
        QTest::newRow("name of Lily, phone of Zhou")
            << QStringLiteral("Lily") << kZhouPhone << kMutual;
        QTest::newRow("Lily names nobody") << QStringLiteral("Lily") << kLilyPhone << QString();
        QTest::newRow("no referrer") << QString() << QString() << QString();
        QTest::newRow("referrer name with a blank")
            << QStringLiteral("Yang ") << QString() << QString();
        QTest::newRow("own name") << QStringLiteral("Xu") << QString() << kSelfReferral;
        QTest::newRow("own name, other case")
            << QStringLiteral("XU") << kLilyPhone << kSelfReferral;
        QTest::newRow("own phone") << QStringLiteral("Lily") << kXuPhone << kSelfReferral;
        QTest::newRow("own phone only") << QString() << kXuPhone << kSelfReferral;
    }
    void referralRefused()
    {
        QFETCH(QString, referrer);
        QFETCH(QString, referrerPhone);
        QFETCH(QString, refusal);
        TestFolder folder;
        addNeighbours(folder.store());
        Answers script{{QStringLiteral("OK")}};
        const Outcome outcome =
            add(folder.store(), request(QStringLiteral("Xu"), kXuPhone, referrer, referrerPhone),
                script.confirm());
        QCOMPARE(outcome.registered, refusal.isEmpty());
        QCOMPARE(outcome.message,
                 refusal.isEmpty() ? successMessage(QStringLiteral("Xu")) : refusal);
        QCOMPARE(MemberTable(folder.store()).count(), refusal.isEmpty() ? 4 : 3);
    }

    // Names differ as the store tells them apart: only ASCII letters match in
    // either case, so Émile may name the member émile.
    void nonAsciiLetterCaseMakesAnotherMember()
    {
        PELLOMAR_FILE_ONLY("a server compares every letter without regard to case");
        TestFolder folder;
        addMember(folder.store(), QStringLiteral("émile"), kLilyPhone);
        const Outcome outcome =
            add(folder.store(),
                request(QStringLiteral("Émile"), kXuPhone, QStringLiteral("émile"), kLilyPhone),
                [] { return false; });
        QCOMPARE(outcome.message, successMessage(QStringLiteral("Émile")));
        QVERIFY(outcome.registered);
    }

    void storesTheNineColumnsAsTyped()
    {
        TestFolder folder;
        const quint64 commits = folder.store().commitCount();
        const Outcome outcome =
            add(folder.store(),
                {QStringLiteral(" O'Neil 王 "), kFemale, kXuPhone, QStringLiteral("x' OR '1'='1"),
                 kLilyPhone, QDate(2026, 12, 7)},
                [] { return false; });
        QVERIFY(outcome.registered);
        QCOMPARE(outcome.message, QStringLiteral("会员名：  O'Neil 王  添加成功!"));
        QCOMPARE(folder.store().commitCount(), commits + 1);

        const auto m = MemberTable(folder.store()).firstByPhone(kXuPhone);
        QVERIFY(m);
        QCOMPARE(m->name, QStringLiteral(" O'Neil 王 "));
        QCOMPARE(m->sex, kFemale);
        QCOMPARE(m->phone, kXuPhone);
        QCOMPARE(m->referrer, QStringLiteral("x' OR '1'='1"));
        QCOMPARE(m->referrerPhone, kLilyPhone);
        QCOMPARE(m->consumed, Money());
        QCOMPARE(m->balance, Money());
        QCOMPARE(m->consumptions, 0);
        QCOMPARE(m->registered, QDate(2026, 12, 7));
    }

    void blankNameIsKeptAndComparedAsTyped()
    {
        TestFolder folder;
        const auto yes = [] { return true; };
        QVERIFY(add(folder.store(), request(QStringLiteral("  "), kLilyPhone), yes).registered);
        QCOMPARE(add(folder.store(), request(QStringLiteral("  "), kXuPhone), yes).message,
                 kNameTaken);
        QVERIFY(add(folder.store(), request(QStringLiteral(" "), kXuPhone), yes).registered);
        QCOMPARE(MemberTable(folder.store()).firstByPhone(kLilyPhone)->name, QStringLiteral("  "));
    }

    void failingWriteLeavesNothing()
    {
        PELLOMAR_FILE_ONLY("the failing write is a trigger of the file's own dialect");
        TestFolder folder;
        addNeighbours(folder.store());
        Database &store = folder.store();
        store.exec(QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON 会员登记 "
                                  "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        const quint64 commits = store.commitCount();
        bool thrown = false;
        try {
            add(store, request(QStringLiteral("Wang"), kXuPhone), [] { return true; });
        } catch (const StoreError &) {
            thrown = true;
        }
        QVERIFY(thrown);
        QCOMPARE(store.commitCount(), commits);
        QCOMPARE(MemberTable(store).count(), 3);

        store.exec(QStringLiteral("DROP TRIGGER fail"));
        QVERIFY(
            add(store, request(QStringLiteral("Wang"), kXuPhone), [] { return true; }).registered);
        QCOMPARE(MemberTable(store).count(), 4);
    }
};

QTEST_GUILESS_MAIN(TestRegistration)
#include "tst_registration.moc"
