// The administrator list: refresh, hidden passwords, button states, and the
// hand-over to the modify and delete screens.
#include "AdminTesting.h"
#include "program/MainWindow.h"
#include "rules/admins/AdminListModel.h"
#include "rules/admins/Permissions.h"
#include "screens/admins/AdminListDialog.h"
#include "store/AdminTable.h"
#include "support/Controls.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {
constexpr int kName = AdminListModel::NameColumn;
constexpr int kRemark = AdminListModel::RemarkColumn;
} // namespace

class TestListScreen : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

    static QTableView *grid(QDialog &d) { return control<QTableView>(d, "MSHFlexGrid1"); }
    static QPushButton *modifyButton(QDialog &d) { return control<QPushButton>(d, "Command1"); }
    static QPushButton *deleteButton(QDialog &d) { return control<QPushButton>(d, "Command2"); }

    // A list with admin (row 0) and bob (row 1, empty remark), logged in as session.
    struct Fixture
    {
        ProgramFolder folder;
        explicit Fixture(const QString &session)
        {
            AdminTesting::registerAccount(folder.store(), QStringLiteral("bob"),
                                          QStringLiteral("bobpw"));
            folder.setSession(session, session == QLatin1String("admin") ? QStringLiteral("123456")
                                                                         : QStringLiteral("bobpw"));
        }
    };

private Q_SLOTS:
    void cleanup() { VERIFY_DIALOGS_DONE(m_dialogs); }

    void listsWithoutShowingPasswords()
    {
        Fixture f(QStringLiteral("admin"));
        AdminListDialog dialog(f.folder.store(), f.folder.context().session,
                               f.folder.context().end);
        dialog.show();
        QTableView *view = grid(dialog);
        QCOMPARE(view->model()->rowCount(), 2);
        QCOMPARE(view->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("表头"));
        QCOMPARE(view->model()->index(1, kName).data().toString(), QStringLiteral("bob"));
        QVERIFY(view->isColumnHidden(AdminListModel::PasswordColumn));
        QCOMPARE(view->columnWidth(AdminListModel::PasswordColumn), 0);
        QVERIFY(!view->isColumnHidden(kName));
        QVERIFY(!modifyButton(dialog)->isEnabled());
        QVERIFY(!deleteButton(dialog)->isEnabled());
    }

    void clickEnablesButtons_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("deletable");
        QTest::newRow("admin row") << 0 << false;
        QTest::newRow("bob row") << 1 << true;
    }
    void clickEnablesButtons()
    {
        QFETCH(int, row);
        QFETCH(bool, deletable);
        Fixture f(QStringLiteral("admin"));
        AdminListDialog dialog(f.folder.store(), f.folder.context().session,
                               f.folder.context().end);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        clickCell(grid(dialog), row, kName);
        QVERIFY(modifyButton(dialog)->isEnabled());
        QCOMPARE(deleteButton(dialog)->isEnabled(), deletable);
        // Moving to the other row with the keyboard follows the same rule.
        QTest::keyClick(grid(dialog), row == 0 ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(grid(dialog)->currentIndex().row(), 1 - row);
        QVERIFY(modifyButton(dialog)->isEnabled());
        QCOMPARE(deleteButton(dialog)->isEnabled(), !deletable);
    }

    void modifyOfAnotherAccountIsRefused()
    {
        Fixture f(QStringLiteral("bob"));
        AdminListDialog dialog(f.folder.store(), f.folder.context().session,
                               f.folder.context().end);
        int opened = 0;
        dialog.setScreenRunner([&](QDialog &) { ++opened; });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // A cashier: another account's 修改资料 is disabled, saying who may.
        clickCell(grid(dialog), 0, kName);
        QVERIFY(!modifyButton(dialog)->isEnabled());
        QCOMPARE(modifyButton(dialog)->toolTip(), Permissions::kOwnerOnly);
        QTest::mouseClick(modifyButton(dialog), Qt::LeftButton);
        QCOMPARE(opened, 0);
        clickCell(grid(dialog), 1, kName);
        QVERIFY(modifyButton(dialog)->isEnabled());
    }

    void modifyOpensOwnAccountAndRefreshes()
    {
        Fixture f(QStringLiteral("bob"));
        AdminListDialog dialog(f.folder.store(), f.folder.context().session,
                               f.folder.context().end);
        QStringList seen;
        dialog.setScreenRunner([&](QDialog &d) {
            QVERIFY(d.isModal());
            seen << d.objectName();
            auto *id = control<QLineEdit>(d, "Text1");
            seen << id->text();
            QVERIFY(!id->isEnabled());
            // Something changes while the screen is open.
            AdminTesting::registerAccount(f.folder.store(), QStringLiteral("carl"),
                                          QStringLiteral("c"));
        });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        clickCell(grid(dialog), 1, kName);
        QTest::mouseClick(modifyButton(dialog), Qt::LeftButton);
        QCOMPARE(seen, (QStringList{QStringLiteral("smodify"), QStringLiteral("bob")}));
        QCOMPARE(grid(dialog)->model()->rowCount(), 3);
        QVERIFY(!modifyButton(dialog)->isEnabled());
        QVERIFY(!deleteButton(dialog)->isEnabled());
        QVERIFY(dialog.isVisible());
    }

    void deleteNeedsAFilledCell_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("opens");
        QTest::newRow("empty remark") << kRemark << false;
        QTest::newRow("fixed column") << int(AdminListModel::HeaderColumn) << false;
        QTest::newRow("name") << kName << true;
    }
    void deleteNeedsAFilledCell()
    {
        QFETCH(int, column);
        QFETCH(bool, opens);
        Fixture f(QStringLiteral("admin"));
        AdminListDialog dialog(f.folder.store(), f.folder.context().session,
                               f.folder.context().end);
        QStringList opened;
        dialog.setScreenRunner([&](QDialog &d) {
            opened << d.objectName() << control<QLineEdit>(d, "Text1")->text();
        });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        clickCell(grid(dialog), 1, column);
        QTest::mouseClick(deleteButton(dialog), Qt::LeftButton);
        QCOMPARE(m_dialogs.takeMessages(),
                 opens ? QStringList() : QStringList{AdminRules::kNothingSelected});
        QCOMPARE(opened, opens ? (QStringList{QStringLiteral("sdelete"), QStringLiteral("bob")})
                               : QStringList());
    }

    void aDeletionClosesTheList()
    {
        Fixture f(QStringLiteral("bob")); // his own account
        AdminListDialog dialog(f.folder.store(), f.folder.context().session,
                               f.folder.context().end);
        dialog.setScreenRunner([&](QDialog &d) {
            QTest::keyClicks(control<QLineEdit>(d, "Text2"), QStringLiteral("bobpw"));
            QTest::mouseClick(control<QPushButton>(d, "Command1"), Qt::LeftButton);
        });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        clickCell(grid(dialog), 1, kName);
        QTest::mouseClick(deleteButton(dialog), Qt::LeftButton);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{AdminRules::kDeleted});
        QCOMPARE(f.folder.endRequests(), 1);
        QVERIFY(!dialog.isVisible());
        QVERIFY(f.folder.store().reopenIfClosed());
        QVERIFY(!AdminTable(f.folder.store()).exists(QStringLiteral("bob")));
    }
};

QTEST_MAIN(TestListScreen)
#include "tst_adminlist.moc"
