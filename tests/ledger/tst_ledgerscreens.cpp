// The liushui, duizhang and rizhi screens: what they list, their filters,
// reversal from the statement, who may use it, their keys, and the exported
// workbooks read back with a strict reader (libfreexl).
#include "base/Session.h"
#include "rules/money/Consumption.h"
#include "rules/money/Recharge.h"
#include "rules/money/Reconciliation.h"
#include "rules/money/Reversal.h"
#include "rules/money/Statement.h"
#include "screens/admins/AuditLogDialog.h"
#include "screens/money/ReconcileDialog.h"
#include "screens/money/StatementDialog.h"
#include "store/AuditLog.h"
#include "support/Controls.h"
#include "support/FixedClock.h"
#include "support/Members.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"
#include "workbook/TableExport.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>
#include <ctime>
#include <freexl.h>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The cells of the first worksheet as texts (numbers in their shortest form).
QList<QStringList> readSheet(const QString &path)
{
    QList<QStringList> rows;
    const void *handle = nullptr;
    if (freexl_open(QFile::encodeName(path).constData(), &handle) == FREEXL_OK &&
        freexl_select_active_worksheet(handle, 0) == FREEXL_OK) {
        unsigned int count = 0;
        unsigned short columns = 0;
        freexl_worksheet_dimensions(handle, &count, &columns);
        for (unsigned int r = 0; r < count; ++r) {
            QStringList row;
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue v;
                freexl_get_cell_value(handle, r, c, &v);
                if (v.type == FREEXL_CELL_INT)
                    row << QString::number(v.value.int_value);
                else if (v.type == FREEXL_CELL_DOUBLE)
                    row << QString::number(v.value.double_value);
                else if (v.type == FREEXL_CELL_NULL)
                    row << QString();
                else
                    row << QString::fromUtf8(v.value.text_value);
            }
            rows << row;
        }
    }
    freexl_close(handle);
    return rows;
}

// Buyer (balance 100) has consumed 20 from his balance; his referrer Ref
// earned 10.
struct Shop
{
    TestFolder folder;
    qint64 ref = addMember(folder.store(), QStringLiteral("Ref"), QStringLiteral("13800000001"));
    qint64 buyer = addMember(folder.store(), QStringLiteral("Buyer"), QStringLiteral("13800000002"),
                             QStringLiteral("Ref"), {}, yuan("100"));
    Shop(const QString &sessionName = QStringLiteral("admin"))
    {
        folder.setSession(sessionName, QStringLiteral("123456"));
        folder.store().setOperatorName(sessionName);
        Consumption::confirm(
            folder.store(),
            {QStringLiteral("Buyer"), {}, Consumption::kBalance, QStringLiteral("20")}, {10, 0},
            [] { return true; });
    }
    Session &session() { return folder.session(); }
    // The statement of a member 1366 pixels wide, on screen.
    std::unique_ptr<StatementDialog> statement(qint64 member)
    {
        auto d = std::make_unique<StatementDialog>(folder.store(), folder.files(), session());
        d->resize(1366, 768);
        if (!showActive(*d))
            qFatal("the statement was not shown");
        d->showMember(member);
        QCoreApplication::processEvents();
        return d;
    }
};

QStringList cells(const char *texts)
{
    return QString::fromUtf8(texts).split(QLatin1Char('|'));
}

QStringList column(QTableWidget *grid, int c)
{
    QStringList texts;
    for (int r = 0; r < grid->rowCount(); ++r)
        texts << grid->item(r, c)->text();
    return texts;
}

} // namespace

class TestLedgerScreens : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;
    FixedClock m_clock;

private Q_SLOTS:
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void statementListsNewestFirstAndFilters()
    {
        Shop shop;
        StatementDialog d(shop.folder.store(), shop.folder.files(), shop.session());
        d.showMember(shop.buyer);
        auto *grid = control<QTableWidget>(d, "Grid1");
        QCOMPARE(column(grid, 4), (QStringList{Ledger::kBalanceConsumption, Ledger::kOpening}));
        QCOMPARE(control<QLabel>(d, "Label7")->text(),
                 QStringLiteral("共 2 条，余额变动 80 元，消费变动 20 元，次数变动 1"));
        control<QComboBox>(d, "Combo1")->setCurrentText(Ledger::kOpening);
        QCOMPARE(column(grid, 4), QStringList{Ledger::kOpening});

        control<QComboBox>(d, "Combo1")->setCurrentIndex(0);
        QTest::mouseClick(control<QPushButton>(d, "Command2"), Qt::LeftButton);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{Statement::kExported + d.exportPath()});
        QCOMPARE(shop.folder.store()
                     .scalar(QStringLiteral("SELECT 内容 FROM 操作日志 WHERE 操作 = '导出'"))
                     .toString(),
                 QStringLiteral("会员流水导出.xls"));
        const QList<QStringList> sheet = readSheet(d.exportPath());
        QCOMPARE(sheet.size(), 3);
        QCOMPARE(sheet.at(0), Statement::headers());
        QCOMPARE(sheet.at(1).mid(4, 5), cells("余额消费|20|-20|80|20"));
    }

    // A long statement shows its newest page and the totals of every entry;
    // scrolling to the end of the grid reads the next page, and the export
    // holds every entry whatever was shown.
    // Opening a statement reads only: a member another tool added, who has no
    // account yet, is shown with no entries and is not given one.
    void openingAStatementWritesNothing_data()
    {
        QTest::addColumn<bool>("hasAccount");
        QTest::addColumn<QStringList>("kinds");
        QTest::newRow("member with entries")
            << true << QStringList{Ledger::kBalanceConsumption, Ledger::kOpening};
        QTest::newRow("member without an account") << false << QStringList{};
    }
    void openingAStatementWritesNothing()
    {
        QFETCH(bool, hasAccount);
        QFETCH(QStringList, kinds);
        Shop shop;
        Database &store = shop.folder.store();
        if (!hasAccount)
            store
                .exec(QStringLiteral("UPDATE 会员账户 SET 会员行 = NULL WHERE 会员行 = ?"),
                      {shop.buyer})
                .finish();
        const auto written = [&] {
            return store.scalar(QStringLiteral("SELECT total_changes()")).toLongLong();
        };
        const qint64 before = written();
        StatementDialog d(store, shop.folder.files(), shop.session());
        d.showMember(shop.buyer);
        QCOMPARE(control<QLabel>(d, "Label6")->text(),
                 QStringLiteral("会员：Buyer  手机号：13800000002  余额：80 元"));
        QCOMPARE(column(control<QTableWidget>(d, "Grid1"), 4), kinds);
        control<QComboBox>(d, "Combo1")->setCurrentText(Ledger::kOpening);
        QCOMPARE(written(), before);
        QCOMPARE(store
                     .scalar(QStringLiteral("SELECT count(*) FROM 会员账户 WHERE 会员行 = ?"),
                             {shop.buyer})
                     .toInt(),
                 hasAccount ? 1 : 0);
    }

    void aLongStatementIsReadAPageAtATime()
    {
        Shop shop;
        constexpr int kRecharges = 2 * Statement::kPageRows + 7;
        for (int i = 1; i <= kRecharges; ++i)
            QVERIFY(Recharge::recharge(shop.folder.store(),
                                       {QStringLiteral("Buyer"), {}, QString::number(i)})
                        .done);
        const int entries = kRecharges + 2; // with the opening and the consumption
        StatementDialog d(shop.folder.store(), shop.folder.files(), shop.session());
        d.resize(800, 300);
        d.show();
        d.showMember(shop.buyer);
        auto *grid = control<QTableWidget>(d, "Grid1");
        QCOMPARE(grid->rowCount(), Statement::kPageRows);
        QCOMPARE(grid->item(0, 5)->text(), QString::number(kRecharges) + QStringLiteral(".00"));
        QVERIFY(control<QLabel>(d, "Label7")
                    ->text()
                    .startsWith(QStringLiteral("共 %1 条，").arg(entries)));
        for (int shown = 0; grid->rowCount() > shown;) {
            shown = grid->rowCount();
            QCoreApplication::processEvents(); // the grid lays out its rows
            grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
            QCoreApplication::processEvents();
        }
        QCOMPARE(grid->rowCount(), entries);
        QStringList numbers = column(grid, 0);
        numbers.removeDuplicates();
        QCOMPARE(numbers.size(), entries);
        QCOMPARE(grid->item(entries - 1, 4)->text(), Ledger::kOpening);

        control<QComboBox>(d, "Combo1")->setCurrentText(Ledger::kRecharge); // back to one page
        QCOMPARE(grid->rowCount(), Statement::kPageRows);
        QTest::mouseClick(control<QPushButton>(d, "Command2"), Qt::LeftButton);
        m_dialogs.takeMessages();
        QCOMPARE(readSheet(d.exportPath()).size(), 1 + kRecharges);
    }

    // The statement export runs behind the progress window; its times are
    // the stored texts, whatever the zone (a time that falls in a change of
    // clocks too), and it tells of texts cut to what a cell holds, as the
    // reconciliation export does.
    void exportsTellWhatTheyWrote_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<int>("textLength"); // of the entry's note, or the member's name
        QTest::addColumn<int>("cut");
        QTest::newRow("statement, no change of clocks")
            << u"liushui"_s << QByteArray("UTC") << 10 << 0;
        QTest::newRow("statement, clocks changing")
            << u"liushui"_s << QByteArray("America/New_York") << 10 << 0;
        QTest::newRow("statement, longest cell") << u"liushui"_s << QByteArray("UTC") << 32767 << 0;
        QTest::newRow("statement, text cut") << u"liushui"_s << QByteArray("UTC") << 32768 << 1;
        QTest::newRow("reconciliation, longest cell")
            << u"duizhang"_s << QByteArray("UTC") << 32767 << 0;
        QTest::newRow("reconciliation, text cut")
            << u"duizhang"_s << QByteArray("UTC") << 40000 << 1;
    }
    void exportsTellWhatTheyWrote()
    {
        QFETCH(QString, screen);
        QFETCH(QByteArray, zone);
        QFETCH(int, textLength);
        QFETCH(int, cut);
        const QByteArray oldZone = qgetenv("TZ");
        qputenv("TZ", zone);
        tzset();
        const auto restoreZone = qScopeGuard([&] {
            if (oldZone.isNull())
                qunsetenv("TZ");
            else
                qputenv("TZ", oldZone);
            tzset();
        });
        Shop shop;
        Database &store = shop.folder.store();
        const QString text(textLength, QLatin1Char('x'));
        // New York's clocks skip the first hour and repeat the second.
        const QStringList times{u"2026-03-08 02:30:00"_s, u"2026-11-01 01:30:00"_s,
                                u"2026-07-01 12:00:00"_s};
        std::unique_ptr<QDialog> d;
        QString path;
        QString message;
        if (screen == QLatin1String("liushui")) {
            for (int i = 0; i < times.size(); ++i)
                QVERIFY(Recharge::recharge(store, {u"Buyer"_s, {}, u"5"_s}).done);
            QList<qint64> numbers;
            QSqlQuery &q =
                store.exec(u"SELECT 流水号 FROM 账户流水 WHERE 类别 = ? ORDER BY 流水号"_s,
                           {Ledger::kRecharge});
            while (q.next())
                numbers << q.value(0).toLongLong();
            q.finish();
            QCOMPARE(numbers.size(), times.size());
            for (int i = 0; i < times.size(); ++i)
                store.exec(u"UPDATE 账户流水 SET 时间 = ?, 备注 = ? WHERE 流水号 = ?"_s,
                           {times.at(i), i == 0 ? text : QString(), numbers.at(i)});
            auto *statement = new StatementDialog(store, shop.folder.files(), shop.session());
            d.reset(statement);
            statement->showMember(shop.buyer);
            path = statement->exportPath();
            message = Statement::kExported + path;
        } else {
            store.exec(u"UPDATE 会员登记 SET 余额 = 1000, 会员名 = ? WHERE 会员名 = 'Ref'"_s,
                       {text});
            auto *reconcile = new ReconcileDialog(store, shop.folder.files());
            d.reset(reconcile);
            QTest::mouseClick(control<QPushButton>(*d, "Command1"), Qt::LeftButton);
            path = reconcile->exportPath();
            message = Reconciliation::kExported + path;
        }
        QTest::mouseClick(control<QPushButton>(*d, "Command2"), Qt::LeftButton);
        if (cut > 0)
            message += QLatin1Char('\n') + TableExport::kCut.arg(cut);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{message});
        QCOMPARE(m_dialogs.takeTasks(), screen == QLatin1String("liushui")
                                            ? QStringList{u"会员流水导出"_s}
                                            : QStringList());
        if (screen == QLatin1String("liushui") && textLength < 100) {
            QStringList exported;
            for (const QStringList &row : readSheet(path).mid(1, times.size()))
                exported.prepend(row.value(1));
            QCOMPARE(exported, times);
        }
    }

    void reversalFromTheStatement_data()
    {
        QTest::addColumn<QString>("session");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("balance");
        QTest::newRow("admin") << "admin"
                               << "123456" << QStringLiteral("撤销完成！余额消费 20 元已撤销。")
                               << "100";
        QTest::newRow("wrong password") << "admin"
                                        << "654321" << Reversal::kWrongPassword << "80";
        QTest::newRow("a cashier, his own of a moment ago")
            << "clerk"
            << "123456" << QStringLiteral("撤销完成！余额消费 20 元已撤销。") << "100";
    }
    void reversalFromTheStatement()
    {
        QFETCH(QString, session);
        QFETCH(QString, password);
        QFETCH(QString, message);
        QFETCH(QString, balance);
        Shop shop(session);
        StatementDialog d(shop.folder.store(), shop.folder.files(), shop.session());
        d.showMember(shop.buyer);
        auto *button = control<QPushButton>(d, "Command3");
        QVERIFY(button->isEnabled());
        control<QTableWidget>(d, "Grid1")->selectRow(0);
        m_dialogs.answer(password);
        if (password == QLatin1String("123456"))
            m_dialogs.answer(QStringLiteral("ok"));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{message});
        m_dialogs.takeInputs();
        QCOMPARE(memberAt(shop.folder.store(), shop.buyer).balance, yuan(balance.toLatin1()));
    }

    // The usual columns need no sideways scrolling and no time is cut short;
    // the columns chosen with 列… come back for the same account only.
    void statementFitsAndKeepsTheChosenColumns()
    {
        Shop shop;
        auto d = shop.statement(shop.buyer);
        auto *grid = control<QTableWidget>(*d, "Grid1");
        QCOMPARE(grid->horizontalScrollBar()->maximum(), 0);
        for (int r = 0; r < grid->rowCount(); ++r)
            QVERIFY(grid->columnWidth(1) >
                    grid->fontMetrics().horizontalAdvance(grid->item(r, 1)->text()));
        auto *menu = control<QMenu>(*d, "lieshezhiMenu");
        QCOMPARE(control<QPushButton>(*d, "lieshezhi")->menu(), menu);
        QVERIFY(!control<QAction>(*menu, "类别")->isEnabled());
        control<QAction>(*menu, "余额")->trigger();
        control<QAction>(*menu, "会员名")->trigger();
        for (const QString &account : {QStringLiteral("admin"), QStringLiteral("clerk")}) {
            shop.folder.store().setOperatorName(account);
            StatementDialog again(shop.folder.store(), shop.folder.files(), shop.session());
            grid = control<QTableWidget>(again, "Grid1");
            QCOMPARE(grid->isColumnHidden(2), account == QLatin1String("clerk")); // 会员名
            QCOMPARE(grid->isColumnHidden(7), account == QLatin1String("admin")); // 余额
            QVERIFY(grid->isColumnHidden(3));                                     // 手机号
        }
    }

    // A double click selects the entry a row links to, reading older pages
    // when needed, or says that the statement does not list it.
    void statementFollowsLinks_data()
    {
        QTest::addColumn<QString>("filter"); // the kind listed; empty: all
        QTest::addColumn<int>("between");    // recharges after the consumption
        QTest::addColumn<QString>("kind");   // of the row double-clicked
        QTest::addColumn<QString>("linked"); // the kind of the row it selects
        QTest::newRow("reversal") << "" << 0 << "撤销消费"
                                  << "余额消费（已撤销）";
        QTest::newRow("reversal of an entry on an older page")
            << "" << Statement::kPageRows << "撤销消费"
            << "余额消费（已撤销）";
        QTest::newRow("reversed") << "" << 0 << "余额消费（已撤销）"
                                  << "撤销消费";
        QTest::newRow("reversed entry not listed") << "撤销消费" << 0 << "撤销消费"
                                                   << "";
    }
    void statementFollowsLinks()
    {
        QFETCH(QString, filter);
        QFETCH(int, between);
        QFETCH(QString, kind);
        QFETCH(QString, linked);
        Shop shop;
        for (int i = 0; i < between; ++i)
            Recharge::recharge(shop.folder.store(),
                               {QStringLiteral("Buyer"), {}, QStringLiteral("1")});
        const qint64 consumption =
            shop.folder.store()
                .scalar(QStringLiteral("SELECT max(流水号) FROM 账户流水 WHERE 类别 = '余额消费'"))
                .toLongLong();
        QVERIFY(Reversal::reverse(shop.folder.store(), shop.session(), consumption,
                                  QStringLiteral("123456"), [](const QString &) { return true; })
                    .done);
        auto d = shop.statement(shop.buyer);
        if (!filter.isEmpty())
            control<QComboBox>(*d, "Combo1")->setCurrentText(filter);
        auto *grid = control<QTableWidget>(*d, "Grid1");
        if (between)
            QCOMPARE(grid->rowCount(), Statement::kPageRows); // the linked entry is not read yet
        const int row = grid->findItems(kind, Qt::MatchExactly).at(0)->row();
        const QString link = grid->item(row, Statement::kLinkedColumn)->text();
        const QPoint at = grid->visualItemRect(grid->item(row, 0)).center();
        // A double click is a click followed by the second press.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
        const int selected = grid->currentRow();
        QCOMPARE(m_dialogs.takeMessages(),
                 linked.isEmpty() ? QStringList{Statement::linkedNotListed(link.toLongLong())}
                                  : QStringList());
        QCOMPARE(grid->item(selected, Statement::kKindColumn)->text(),
                 linked.isEmpty() ? kind : linked);
        QCOMPARE(grid->item(selected, 0)->text() == link, !linked.isEmpty());
    }

    void reconciliationListsAndExports()
    {
        Shop shop;
        ReconcileDialog d(shop.folder.store(), shop.folder.files());
        QTest::mouseClick(control<QPushButton>(d, "Command1"), Qt::LeftButton);
        QCOMPARE(control<QLabel>(d, "Label2")->text(), Reconciliation::summary(0));
        shop.folder.store().exec(
            QStringLiteral("UPDATE 会员登记 SET 余额 = 1000 WHERE 会员名 = 'Ref'"));
        QTest::mouseClick(control<QPushButton>(d, "Command1"), Qt::LeftButton);
        QCOMPARE(control<QLabel>(d, "Label2")->text(),
                 QStringLiteral("对账完成，共 1 位会员账目不符！"));
        QCOMPARE(column(control<QTableWidget>(d, "Grid1"), 4), cells("990.00"));
        QTest::mouseClick(control<QPushButton>(d, "Command2"), Qt::LeftButton);
        m_dialogs.takeMessages();
        const QList<QStringList> sheet = readSheet(d.exportPath());
        QCOMPARE(sheet.size(), 2);
        QCOMPARE(sheet.at(1).mid(0, 5), cells("Ref|13800000001|1000|10|990"));
    }

    // Amounts, counts and entry numbers stand right-aligned; names, kinds and
    // times left, each on one line.
    void numbersAreRightAligned_data()
    {
        QTest::addColumn<bool>("statement");
        QTest::addColumn<QList<int>>("rightAligned");
        QTest::newRow("statement") << true << QList<int>{0, 5, 6, 7, 8, 9, 11};
        QTest::newRow("reconciliation") << false << QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10};
    }
    void numbersAreRightAligned()
    {
        QFETCH(bool, statement);
        QFETCH(QList<int>, rightAligned);
        Shop shop;
        shop.folder.store().exec(QStringLiteral("UPDATE 会员登记 SET 余额 = 1000"));
        std::unique_ptr<QDialog> d;
        if (statement) {
            auto *s = new StatementDialog(shop.folder.store(), shop.folder.files(), shop.session());
            s->showMember(shop.buyer);
            d.reset(s);
        } else {
            d = std::make_unique<ReconcileDialog>(shop.folder.store(), shop.folder.files());
            QTest::mouseClick(control<QPushButton>(*d, "Command1"), Qt::LeftButton);
        }
        auto *grid = control<QTableWidget>(*d, "Grid1");
        QVERIFY(grid->rowCount() > 0);
        QVERIFY(!grid->wordWrap());
        QList<int> right;
        for (int c = 0; c < grid->columnCount(); ++c)
            if (grid->item(0, c)->textAlignment() & Qt::AlignRight)
                right << c;
        QCOMPARE(right, rightAligned);
    }

    // Enter runs the screen's main action, if it has one; Tab leaves the grid.
    void keys_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("label"); // what Enter shows; empty: Enter does nothing
        QTest::addColumn<QString>("shown");
        QTest::newRow("statement")
            << QStringLiteral("liushui") << QStringLiteral("Label7")
            << QStringLiteral("共 2 条，余额变动 80 元，消费变动 20 元，次数变动 1");
        QTest::newRow("reconciliation")
            << QStringLiteral("duizhang") << QStringLiteral("Label2") << Reconciliation::summary(0);
        QTest::newRow("audit log") << QStringLiteral("rizhi") << QString() << QString();
    }
    void keys()
    {
        QFETCH(QString, screen);
        QFETCH(QString, label);
        QFETCH(QString, shown);
        Shop shop;
        std::unique_ptr<QDialog> d;
        if (screen == QLatin1String("liushui"))
            d = std::make_unique<StatementDialog>(shop.folder.store(), shop.folder.files(),
                                                  shop.session());
        else if (screen == QLatin1String("duizhang"))
            d = std::make_unique<ReconcileDialog>(shop.folder.store(), shop.folder.files());
        else
            d = std::make_unique<AuditLogDialog>(shop.folder.store(), shop.session());
        QVERIFY(showActive(*d));
        auto *grid = control<QTableWidget>(*d, "Grid1");
        const int rows = grid->rowCount();
        if (auto *name = d->findChild<QLineEdit *>(QStringLiteral("Text1"))) {
            name->setFocus();
            QTest::keyClicks(name, QStringLiteral("Buyer"));
        } else {
            grid->setFocus(Qt::TabFocusReason);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        if (label.isEmpty())
            QCOMPARE(grid->rowCount(), rows);
        else
            QCOMPARE(control<QLabel>(*d, label.toLatin1().constData())->text(), shown);
        QVERIFY(d->isVisible());
        grid->setFocus(Qt::TabFocusReason);
        QTest::keyClick(grid, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != grid);
    }

    void auditLogOnlyForTheBuiltInAccount()
    {
        Shop shop(QStringLiteral("clerk"));
        QWidget window;
        AuditLogDialog refused(shop.folder.store(), shop.session(), &window);
        QVERIFY(refused.refused());
        // Said over the window it was opened from; the screen never stays.
        const QList<Dialogs::Message> refusal = m_dialogs.takeMessageDetails();
        QCOMPARE(refusal.size(), 1);
        QCOMPARE(refusal.first().text, AuditLogDialog::kNotAllowed);
        QCOMPARE(refusal.first().parent, &window);
        refused.show();
        QTRY_VERIFY(!refused.isVisible());
        shop.session() = Session{QStringLiteral("admin"), QStringLiteral("123456"), Role::Owner};
        AuditLog(shop.folder.store())
            .add(AuditLog::kBackup, QStringLiteral("backup.mdb"), QStringLiteral("admin"));
        AuditLogDialog d(shop.folder.store(), shop.session());
        QCOMPARE(column(control<QTableWidget>(d, "Grid1"), 3), QStringList{Roles::kOwner});
        QCOMPARE(column(control<QTableWidget>(d, "Grid1"), 4), QStringList{AuditLog::kBackup});
        control<QComboBox>(d, "Combo1")->setCurrentText(AuditLog::kLogin);
        QCOMPARE(control<QTableWidget>(d, "Grid1")->rowCount(), 0);
    }
};

QTEST_MAIN(TestLedgerScreens)
#include "tst_ledgerscreens.moc"
