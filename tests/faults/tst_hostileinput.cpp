// Hostile text pasted into every text box of every screen: quotes, SQL
// wildcards, a 10,000-character paste, control characters, emoji (one cut
// in half by the box's length limit) and right-to-left text. The other boxes
// hold values the action accepts, so the hostile box alone decides. No
// database failure, nothing written unless the screen reports success, and
// what is written is exactly what the box held.
#include "program/LoginDialog.h"
#include "program/Startup.h"
#include "rules/admins/AdminRules.h"
#include "rules/admins/Login.h"
#include "rules/admins/PasswordHash.h"
#include "rules/members/MemberListModel.h"
#include "rules/members/MemberSearch.h"
#include "rules/money/CommissionSettings.h"
#include "rules/money/Consumption.h"
#include "rules/money/MemberLookup.h"
#include "screens/admins/AdminDeleteDialog.h"
#include "screens/admins/AdminModifyDialog.h"
#include "screens/admins/AdminRegistrationDialog.h"
#include "screens/maintenance/ExportDialog.h"
#include "screens/members/MemberModifyDialog.h"
#include "screens/members/MemberSearchDialog.h"
#include "screens/members/RegistrationDialog.h"
#include "screens/money/ConsumptionDialog.h"
#include "screens/money/RechargeDialog.h"
#include "screens/money/SettingsDialog.h"
#include "store/AdminTable.h"
#include "store/Schema.h"
#include "support/Controls.h"
#include "support/Members.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCryptographicHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {

const QString kDatabaseFailure = QStringLiteral("数据库操作失败");

// A digest of every value of every row of the four tables.
QByteArray tablesDigest(Database &store)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString &table :
         {Schema::kMembers, Schema::kAdmins, Schema::kCommission, Schema::kCash}) {
        QSqlQuery &q = store.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table));
        while (q.next()) {
            for (int i = 0; i < q.record().count(); ++i) {
                const QVariant v = q.value(i);
                hash.addData(QByteArray::number(v.typeId()) + ':' + v.toString().toUtf8() + '\n');
            }
            hash.addData("--\n");
        }
        q.finish();
    }
    return hash.result();
}

// How many rows hold exactly this text (no letter case folded) in a column.
qint64 rowsHolding(Database &store, const QString &table, const QString &column,
                   const QString &text)
{
    return store
        .scalar(QStringLiteral("SELECT count(*) FROM \"%1\" WHERE \"%2\" = ? COLLATE BINARY")
                    .arg(table, column),
                {text})
        .toLongLong();
}

void paste(QLineEdit *box, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    box->setFocus();
    box->selectAll();
    box->paste();
}

template <typename T> T *box(QWidget &screen, const QString &name)
{
    return control<T>(screen, name.toLatin1().constData());
}

// Where the text of a box is written when the action succeeds.
struct Column
{
    QString table;
    QString column;
    bool trimmed = false; // stored without blanks at either end
};

// One screen with its boxes filled with values the action accepts.
struct Stage
{
    std::unique_ptr<QDialog> screen;
    std::function<bool(const QStringList &messages)> succeeded;
    QHash<QString, Column> stored;
    QString twin; // a box that must repeat the hostile box (password and repeat)
};

void fill(QWidget &screen, std::initializer_list<std::pair<const char *, const char *>> boxes)
{
    for (const auto &[name, text] : boxes)
        control<QLineEdit>(screen, name)->setText(QString::fromUtf8(text));
}

Column member(const char *column)
{
    return {Schema::kMembers, QString::fromUtf8(column)};
}

// The folder holds Boss and Ann (Ann names Boss), the delivered account admin
// and the account clerk with the password "pw".
Stage stage(const QString &screen, const QString &field, ProgramFolder &folder)
{
    AppContext &context = folder.context();
    Stage s;
    const auto accepted = [](QDialog *d) {
        return [d](const QStringList &) { return d->result() == QDialog::Accepted; };
    };
    const auto clerkRow = [&folder] {
        return AdminTable(folder.store()).byName(QStringLiteral("clerk")).first();
    };
    if (screen == QLatin1String("msignin")) {
        s.screen = std::make_unique<RegistrationDialog>(context.store);
        fill(*s.screen, {{"Text1", "新会员"},
                         {"Text2", "13900000001"},
                         {"Text3", "Boss"},
                         {"Text4", "13800000001"}});
        control<QRadioButton>(*s.screen, "Option1")->click();
        s.succeeded = accepted(s.screen.get());
        s.stored = {{QStringLiteral("Text1"), member("会员名")},
                    {QStringLiteral("Text2"), member("手机号")},
                    {QStringLiteral("Text3"), member("推荐人")},
                    {QStringLiteral("Text4"), member("推荐人手机")}};
    } else if (screen == QLatin1String("msearch")) {
        s.screen = std::make_unique<MemberSearchDialog>(context.store, context.session);
        s.succeeded = [](const QStringList &) { return false; };
    } else if (screen == QLatin1String("mmodify")) {
        const std::optional<Member> ann =
            MemberTable(folder.store()).firstByName(QStringLiteral("Ann"));
        auto *dialog = new MemberModifyDialog(context.store, *ann);
        s.screen.reset(dialog);
        fill(*dialog, {{"Text3", "Boss"}, {"Text7", "13800000001"}});
        control<QCheckBox>(*dialog, "Check1")->setChecked(true);
        s.succeeded = [dialog](const QStringList &) { return dialog->saved().has_value(); };
        s.stored = {{QStringLiteral("Text2"), member("手机号")},
                    {QStringLiteral("Text3"), member("推荐人")},
                    {QStringLiteral("Text7"), member("推荐人手机")}};
    } else if (screen == QLatin1String("xiaofei")) {
        folder.setCommission(10, 0);
        auto *dialog = new ConsumptionDialog(context.store);
        s.screen.reset(dialog);
        fill(*dialog, {{"Text1", "Ann"}, {"Text2", "13800000002"}, {"Text5", "10"}});
        s.succeeded = [dialog](const QStringList &) {
            return control<QLabel>(*dialog, "Label4")
                ->text()
                .startsWith(QStringLiteral("操作完成"));
        };
    } else if (screen == QLatin1String("chongzhi")) {
        s.screen = std::make_unique<RechargeDialog>(context.store);
        fill(*s.screen, {{"Text1", "Ann"}, {"Text2", "13800000002"}, {"Text3", "10"}});
        s.succeeded = [](const QStringList &messages) {
            return messages.size() == 1 && messages.first().contains(QStringLiteral("充值成功"));
        };
    } else if (screen == QLatin1String("shezhi")) {
        s.screen = std::make_unique<SettingsDialog>(context.store);
        const bool fixed = field == QLatin1String("Text1");
        control<QRadioButton>(*s.screen, fixed ? "Option1" : "Option2")->click();
        fill(*s.screen, {{fixed ? "Text1" : "Text2", "5"}});
        s.succeeded = [](const QStringList &messages) {
            return messages == QStringList{CommissionSettings::kSaved};
        };
    } else if (screen == QLatin1String("sregedit")) {
        s.screen = std::make_unique<AdminRegistrationDialog>(context.store);
        fill(*s.screen,
             {{"Text1", "clerk2"}, {"Text2", "pw2"}, {"Text3", "pw2"}, {"Text4", "前台"}});
        control<QCheckBox>(*s.screen, "Check1")->setChecked(true);
        s.succeeded = accepted(s.screen.get());
        s.stored = {
            {QStringLiteral("Text1"), {Schema::kAdmins, QStringLiteral("管理员名字"), true}},
            {QStringLiteral("Text4"), {Schema::kAdmins, QStringLiteral("备注")}}};
        if (field == QLatin1String("Text2"))
            s.twin = QStringLiteral("Text3");
    } else if (screen == QLatin1String("smodify")) {
        context.session = Session{QStringLiteral("clerk"), QStringLiteral("pw")};
        s.screen = std::make_unique<AdminModifyDialog>(context.store, context.session, clerkRow());
        fill(*s.screen, {{"Text5", "pw"}, {"Text2", "pw2"}, {"Text3", "pw2"}, {"Text4", "前台"}});
        control<QCheckBox>(*s.screen, "Check1")->setChecked(true);
        s.succeeded = accepted(s.screen.get());
        s.stored = {{QStringLiteral("Text4"), {Schema::kAdmins, QStringLiteral("备注")}}};
        if (field == QLatin1String("Text2"))
            s.twin = QStringLiteral("Text3");
    } else if (screen == QLatin1String("sdelete")) {
        s.screen = std::make_unique<AdminDeleteDialog>(context.store, context.end, clerkRow());
        fill(*s.screen, {{"Text2", "pw"}});
        s.succeeded = accepted(s.screen.get());
    } else if (screen == QLatin1String("login")) {
        s.screen = std::make_unique<LoginDialog>(context);
        fill(*s.screen, {{"Text1", "admin"}, {"Text2", "123456"}});
        s.succeeded = [&context](const QStringList &) { return !context.session.name.isEmpty(); };
    } else if (screen == QLatin1String("daochu")) {
        context.session = Session{QStringLiteral("admin"), QStringLiteral("123456"), Role::Owner};
        s.screen = std::make_unique<ExportDialog>(context.store, context.files, context.session);
        fill(*s.screen, {{"Text3", "123456"}});
        s.succeeded = accepted(s.screen.get());
    } else {
        qFatal("no screen %s", qPrintable(screen));
    }
    return s;
}

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

    static void prepare(TestFolder &folder)
    {
        addMember(folder.store(), QStringLiteral("Boss"), QStringLiteral("13800000001"));
        addMember(folder.store(), QStringLiteral("Ann"), QStringLiteral("13800000002"),
                  QStringLiteral("Boss"), {}, yuan("100"));
        const auto clerk = AdminRules::registerAccount(
            folder.store(), {true, QStringLiteral("clerk"), QStringLiteral("pw"),
                             QStringLiteral("pw"), QStringLiteral("前台")});
        QVERIFY(clerk.written);
    }

private Q_SLOTS:
    void initTestCase() { PasswordHash::useLowestCostForTesting(); }
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void everyBoxOfEveryScreen_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        const QList<QPair<const char *, QString>> payloads = {
            {"quotes", QStringLiteral("O'Br\"ien'); DROP TABLE 会员登记;--")},
            {"wildcards", QStringLiteral("%_a%b_%\\*?[")},
            {"10000 characters", QStringLiteral("9a").repeated(5000)},
            {"control characters",
             QString(QChar(0)) + QStringLiteral("a\u0001\t\n\r\u001b\u007f\u200b")},
            {"emoji", QStringLiteral("😀👍🏽🇨🇳")},
            {"emoji cut by the limit", QStringLiteral("a😀😀😀😀😀😀😀😀😀😀😀")},
            {"right to left", QStringLiteral("\u202Eمرحبا שלום\u202C")},
        };
        const QList<QPair<const char *, QList<const char *>>> screens = {
            {"msignin", {"Text1", "Text2", "Text3", "Text4"}},
            {"msearch", {"Text1", "Text2"}},
            {"mmodify", {"Text2", "Text3", "Text7"}},
            {"xiaofei", {"Text1", "Text2", "Text5"}},
            {"chongzhi", {"Text1", "Text2", "Text3"}},
            {"shezhi", {"Text1", "Text2"}},
            {"sregedit", {"Text1", "Text2", "Text3", "Text4"}},
            {"smodify", {"Text5", "Text2", "Text3", "Text4"}},
            {"sdelete", {"Text2"}},
            {"login", {"Text1", "Text2"}},
            {"daochu", {"Text3"}},
        };
        for (const auto &[screen, fields] : screens)
            for (const char *field : fields)
                for (const auto &[kind, text] : payloads)
                    QTest::addRow("%s %s %s", screen, field, kind)
                        << QString::fromLatin1(screen) << QString::fromLatin1(field) << text;
    }
    void everyBoxOfEveryScreen()
    {
        QFETCH(QString, screen);
        QFETCH(QString, field);
        QFETCH(QString, text);
        ProgramFolder folder;
        prepare(folder);
        Stage s = stage(screen, field, folder);
        s.screen->show();
        QCOMPARE(m_dialogs.takeMessages(), QStringList());

        QLineEdit *hostile = box<QLineEdit>(*s.screen, field);
        paste(hostile, text);
        const QString typed = hostile->text();
        QVERIFY(!typed.isEmpty());
        if (!s.twin.isEmpty())
            paste(box<QLineEdit>(*s.screen, s.twin), text);

        const QByteArray before = tablesDigest(folder.store());
        control<QPushButton>(*s.screen, "Command1")->click();
        const QStringList messages = m_dialogs.takeMessages();
        for (const QString &m : messages)
            QVERIFY2(!m.startsWith(kDatabaseFailure), qPrintable(m));
        QVERIFY(folder.store().isOpen());
        QCOMPARE(folder.store().scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));

        if (!s.succeeded(messages)) {
            QCOMPARE(tablesDigest(folder.store()), before);
            return;
        }
        // Written: exactly as the box held it, and found again by it.
        if (const auto column = s.stored.constFind(field); column != s.stored.cend()) {
            const QString expected = column->trimmed ? typed.trimmed() : typed;
            QCOMPARE(rowsHolding(folder.store(), column->table, column->column, expected), 1);
        }
        if (screen == QLatin1String("msignin") && field == QLatin1String("Text1")) {
            MemberTable members(folder.store());
            const std::optional<Member> found = members.firstByName(typed);
            QVERIFY(found);
            // Half a character cannot be stored; everything else reads back as typed.
            if (typed.isValidUtf16())
                QCOMPARE(found->name, typed);
            // The name as the list shows it finds the member again.
            const std::optional<Member> again = members.firstByName(found->name);
            QVERIFY(again);
            QCOMPARE(again->id, found->id);
        }
        if (!s.twin.isEmpty()) {
            const QString name = screen == QLatin1String("sregedit") ? QStringLiteral("clerk2")
                                                                     : QStringLiteral("clerk");
            QCOMPARE(Login::check(folder.store(), name, typed), Login::Result::Ok);
            QCOMPARE(Login::check(folder.store(), name, typed + QLatin1Char('x')),
                     Login::Result::Invalid);
        }
    }

    void exactMatchesStayExact_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        const QStringList none;
        QTest::newRow("a_b") << QStringLiteral("a_b") << QStringList{QStringLiteral("a_b")};
        QTest::newRow("a%b") << QStringLiteral("a%b") << none;
        QTest::newRow("a_c") << QStringLiteral("a_c") << none;
        QTest::newRow("axb") << QStringLiteral("axb") << QStringList{QStringLiteral("axb")};
        QTest::newRow("O'Brien") << QStringLiteral("O'Brien")
                                 << QStringList{QStringLiteral("O'Brien")};
        QTest::newRow("other case")
            << QStringLiteral("o'BRIEN") << QStringList{QStringLiteral("O'Brien")};
        QTest::newRow("doubled quote") << QStringLiteral("O''Brien") << none;
        QTest::newRow("percent alone") << QStringLiteral("%") << none;
        QTest::newRow("underscore alone") << QStringLiteral("_") << none;
        QTest::newRow("100%") << QStringLiteral("100%") << QStringList{QStringLiteral("100%")};
        QTest::newRow("100 and any") << QStringLiteral("100_") << none;
        QTest::newRow("glob star") << QStringLiteral("a*") << none;
        QTest::newRow("prefix") << QStringLiteral("O'Bri") << none;
    }
    void exactMatchesStayExact()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        ProgramFolder folder;
        int phone = 0;
        for (const char *name : {"a_b", "axb", "O'Brien", "100%", "100x"})
            addMember(folder.store(), QString::fromLatin1(name),
                      QStringLiteral("1380000%1").arg(++phone, 4, 10, QLatin1Char('0')));
        folder.setSession(QStringLiteral("admin"), QStringLiteral("123456"));

        // The member search screen.
        MemberSearchDialog search(folder.store(), folder.context().session);
        search.show();
        paste(control<QLineEdit>(search, "Text1"), typed);
        control<QPushButton>(search, "Command1")->click();
        if (found.isEmpty())
            QCOMPARE(m_dialogs.takeMessages(), QStringList{MemberSearch::kNameNotFound});
        auto *grid = control<QTableView>(search, "MSHFlexGrid1");
        QStringList listed;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            listed << grid->model()->index(row, 1).data().toString();
        QCOMPARE(listed, found);

        // The lookup of the consumption and recharge screens.
        MemberTable members(folder.store());
        const std::optional<Member> member = MemberLookup(typed, {}).find(members);
        QCOMPARE(member.has_value(), !found.isEmpty());
        if (member)
            QCOMPARE(member->name, found.first());
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
