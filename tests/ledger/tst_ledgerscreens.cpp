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

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>
#include <freexl.h>
#include <memory>

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
        MemberStore &store = shop.folder.store();
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

    void reversalFromTheStatement_data()
    {
        QTest::addColumn<QString>("session");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message"); // empty: the button is disabled
        QTest::addColumn<QString>("balance");
        QTest::newRow("admin") << "admin"
                               << "123456" << QStringLiteral("撤销完成！余额消费 20 元已撤销。")
                               << "100";
        QTest::newRow("wrong password") << "admin"
                                        << "654321" << Reversal::kWrongPassword << "80";
        QTest::newRow("another administrator") << "clerk"
                                               << "" << QString() << "80";
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
        QCOMPARE(button->isEnabled(), !message.isEmpty());
        if (!message.isEmpty()) {
            control<QTableWidget>(d, "Grid1")->selectRow(0);
            m_dialogs.answer(password);
            if (password == QLatin1String("123456"))
                m_dialogs.answer(QStringLiteral("ok"));
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(m_dialogs.takeMessages(), QStringList{message});
            m_dialogs.takeInputs();
        }
        QCOMPARE(memberAt(shop.folder.store(), shop.buyer).balance, yuan(balance.toLatin1()));
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
        shop.session().name = QStringLiteral("admin");
        AuditLog(shop.folder.store())
            .add(AuditLog::kBackup, QStringLiteral("backup.mdb"), QStringLiteral("admin"));
        AuditLogDialog d(shop.folder.store(), shop.session());
        QCOMPARE(column(control<QTableWidget>(d, "Grid1"), 3), QStringList{AuditLog::kBackup});
        control<QComboBox>(d, "Combo1")->setCurrentText(AuditLog::kLogin);
        QCOMPARE(control<QTableWidget>(d, "Grid1")->rowCount(), 0);
    }
};

QTEST_MAIN(TestLedgerScreens)
#include "tst_ledgerscreens.moc"
