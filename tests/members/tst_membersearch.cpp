// The member search screen with its modify and delete, driven through its
// controls.
#include "base/Clock.h"
#include "program/MainWindow.h"
#include "program/Screens.h"
#include "rules/members/MemberDelete.h"
#include "rules/members/MemberListModel.h"
#include "rules/members/MemberModify.h"
#include "rules/members/MemberSearch.h"
#include "screens/members/MemberModifyDialog.h"
#include "screens/members/MemberSearchDialog.h"
#include "store/MemberTable.h"
#include "support/Controls.h"
#include "support/Members.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

const QString kPassword = QStringLiteral("Secret1");

// A program folder with three members and the search screen on it.
struct SearchScreen
{
    explicit SearchScreen(const QString &session, const QString &password = kPassword)
    {
        folder.setSession(session, password);
        MemberTable members(folder.store());
        members.insert(sampleMember(QStringLiteral("张三"), QStringLiteral("13800000001")));
        members.insert(sampleMember(QStringLiteral("李四"), QStringLiteral("13800000002"),
                                    QStringLiteral("张三"), QStringLiteral("13800000001")));
        members.insert(sampleMember(QString(), QStringLiteral("13800000003")));
        dialog.reset(new MemberSearchDialog(folder.store(), folder.context().session));
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    }

    QLineEdit *text(const char *name) { return control<QLineEdit>(*dialog, name); }
    QPushButton *button(const char *name) { return control<QPushButton>(*dialog, name); }
    QTableView *grid() { return control<QTableView>(*dialog, "MSHFlexGrid1"); }
    QString note() { return control<QLabel>(*dialog, "Label3")->text(); }
    bool canChange() { return button("Command2")->isEnabled() && button("Command4")->isEnabled(); }
    bool cannotChange()
    {
        return !button("Command2")->isEnabled() && !button("Command4")->isEnabled();
    }

    void search(const QString &name = {}, const QString &phone = {})
    {
        text("Text1")->setText(name);
        text("Text2")->setText(phone);
        QTest::mouseClick(button("Command1"), Qt::LeftButton);
    }
    void clickRow(int row)
    {
        QTableView *view = grid();
        const QRect cell = view->visualRect(view->model()->index(row, 1));
        QVERIFY(cell.isValid());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QString cell(int row, int column)
    {
        const QAbstractItemModel *model = grid()->model();
        return model->data(model->index(row, column)).toString();
    }

    ProgramFolder folder;
    std::unique_ptr<MemberSearchDialog> dialog;
};

} // namespace

class TestMemberSearch : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

private Q_SLOTS:
    void cleanup()
    {
        Clock::setSourceForTesting({});
        VERIFY_DIALOGS_DONE(m_dialogs);
    }

    void opensEmptyFromTheMainWindowsTable()
    {
        ProgramFolder folder;
        std::unique_ptr<QDialog> d(createScreen(Screen::MemberSearch, folder.context(), nullptr));
        QVERIFY(d);
        QCOMPARE(control<QTableView>(*d, "MSHFlexGrid1")->model()->rowCount(), 0);
        QCOMPARE(control<QLabel>(*d, "Label3")->text(), QString());
        QVERIFY(!control<QPushButton>(*d, "Command2")->isEnabled());
        QVERIFY(!control<QPushButton>(*d, "Command4")->isEnabled());
    }

    void whoMayChangeMembers_data()
    {
        QTest::addColumn<QString>("session");
        QTest::addColumn<QString>("note");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("admin") << QStringLiteral("admin") << MemberSearch::kBuiltInNote << true;
        // The login finds the built-in account, an owner, by these too.
        QTest::newRow("admin with a trailing blank")
            << QStringLiteral("admin ") << MemberSearch::kBuiltInNote << true;
        QTest::newRow("Admin") << QStringLiteral("Admin") << MemberSearch::kOtherNote << true;
        QTest::newRow("other administrator")
            << QStringLiteral("clerk") << MemberSearch::kOtherNote << false;
    }
    void whoMayChangeMembers()
    {
        QFETCH(QString, session);
        QFETCH(QString, note);
        QFETCH(bool, enabled);
        SearchScreen s(session);
        s.search();
        QCOMPARE(s.note(), note);
        QCOMPARE(s.grid()->model()->rowCount(), 3);
        // The statement (Command6) is for every administrator, of the
        // selected member only.
        QList<qint64> statements;
        s.dialog->setStatementOpener([&statements](qint64 id) { statements << id; });
        QTest::mouseClick(s.button("Command6"), Qt::LeftButton);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{MemberSearchDialog::kNoMemberSelected});
        s.clickRow(1);
        QCOMPARE(s.text("Text5")->text(), QStringLiteral("李四"));
        QVERIFY(enabled ? s.canChange() : s.cannotChange());
        QTest::mouseClick(s.button("Command6"), Qt::LeftButton);
        QCOMPARE(statements, QList<qint64>{s.dialog->list().member(1).id});
        s.clickRow(2); // a row with an empty name cell
        QCOMPARE(s.text("Text5")->text(), QString());
        QVERIFY(s.cannotChange());
    }

    // Every column fits its header and its values, money shows two decimals
    // on the right, and the screen's default size shows every column.
    void listReadsWell()
    {
        SearchScreen s(QStringLiteral("admin"));
        s.search(QStringLiteral("李四"));
        QHeaderView *header = s.grid()->horizontalHeader();
        const QAbstractItemModel *model = s.grid()->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("表头"));
        QCOMPARE(header->sectionSize(0), 0);
        int total = 0;
        for (int c = 1; c < MemberListModel::kColumns; ++c) {
            const QString caption = model->headerData(c, Qt::Horizontal).toString();
            QVERIFY2(header->sectionSize(c) > header->fontMetrics().horizontalAdvance(caption),
                     qPrintable(caption));
            const QAbstractItemView *view = s.grid();
            QVERIFY2(header->sectionSize(c) >= view->sizeHintForColumn(c), qPrintable(caption));
            total += header->sectionSize(c);
        }
        QVERIFY2(
            total <= s.grid()->viewport()->width(),
            qPrintable(QStringLiteral("%1 > %2").arg(total).arg(s.grid()->viewport()->width())));
        const QStringList row = {s.cell(0, 1), s.cell(0, 2), s.cell(0, 3),
                                 s.cell(0, 4), s.cell(0, 5), s.cell(0, 6),
                                 s.cell(0, 7), s.cell(0, 8), s.cell(0, 9)};
        QCOMPARE(row, (QStringList{QStringLiteral("李四"), QStringLiteral("男"),
                                   QStringLiteral("13800000002"), QStringLiteral("70.10"),
                                   QStringLiteral("张三"), QStringLiteral("13800000001"),
                                   QStringLiteral("3"), QStringLiteral("0.15"),
                                   QStringLiteral("2026/12/7")}));
        for (int c = 1; c < MemberListModel::kColumns; ++c) {
            const auto align =
                model->index(0, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
            QCOMPARE(bool(align & Qt::AlignRight), c == 4 || c == 7 || c == 8); // amounts, count
        }
    }

    void gridReadsMoreRowsAsItScrolls()
    {
        SearchScreen s(QStringLiteral("clerk"));
        {
            Transaction tx(s.folder.store());
            MemberTable members(s.folder.store());
            for (int i = 0; i < 2 * MemberListModel::kFetchRows; ++i)
                members.insert(
                    sampleMember(QStringLiteral("m%1").arg(i), QStringLiteral("13900000000")));
            tx.commit();
        }
        s.search();
        QCOMPARE(s.grid()->model()->rowCount(), MemberListModel::kFetchRows);
        for (int i = 0;
             i < 3 && s.grid()->model()->rowCount() < 2 * MemberListModel::kFetchRows + 3; ++i) {
            s.grid()->scrollToBottom();
            QCoreApplication::processEvents();
        }
        QCOMPARE(s.grid()->model()->rowCount(), 2 * MemberListModel::kFetchRows + 3);
        const int last = s.grid()->model()->rowCount() - 1;
        QCOMPARE(s.cell(last, 1), QStringLiteral("m%1").arg(2 * MemberListModel::kFetchRows - 1));
    }

    void bothBoxesFilledKeepsTheList()
    {
        SearchScreen s(QStringLiteral("clerk"));
        s.search(QStringLiteral("张三"));
        s.search(QStringLiteral("李四"), QStringLiteral("13800000002"));
        QCOMPARE(m_dialogs.takeMessages(), QStringList{MemberSearch::kBothFilled});
        QCOMPARE(s.grid()->model()->rowCount(), 1);
        QCOMPARE(s.cell(0, 1), QStringLiteral("张三"));
        QCOMPARE(s.note(), MemberSearch::kOtherNote);
    }

    void notFound_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("name") << QStringLiteral("王五") << QString() << MemberSearch::kNameNotFound
                              << QStringLiteral("Text1");
        QTest::newRow("phone") << QString() << QStringLiteral("13800000009")
                               << MemberSearch::kPhoneNotFound << QStringLiteral("Text2");
    }
    void notFound()
    {
        QFETCH(QString, name);
        QFETCH(QString, phone);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        SearchScreen s(QStringLiteral("admin"));
        QApplication::setActiveWindow(s.dialog.get());
        QVERIFY(QTest::qWaitForWindowActive(s.dialog.get()));
        s.search();
        s.search(name, phone);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{message});
        QCOMPARE(s.grid()->model()->rowCount(), 0);
        QCOMPARE(s.grid()->horizontalHeader()->sectionSize(0), 0);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(s.note(), MemberSearch::kBuiltInNote); // from the first search
    }

    // Typed into 模糊查询 and confirmed with Enter: names containing the
    // text, or phones ending in the digits.
    void searchByPart_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("part");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("message");
        QTest::newRow("part of a name") << QString() << QStringLiteral("三")
                                        << QStringList{QStringLiteral("张三")} << QString();
        QTest::newRow("last digits of a phone") << QString() << QStringLiteral("0002")
                                                << QStringList{QStringLiteral("李四")} << QString();
        QTest::newRow("first digits are not the end")
            << QString() << QStringLiteral("138") << QStringList() << MemberSearch::kPartNotFound;
        QTest::newRow("a wildcard is a plain character")
            << QString() << QStringLiteral("%") << QStringList() << MemberSearch::kPartNotFound;
        QTest::newRow("with a name as well") << QStringLiteral("张三") << QStringLiteral("三")
                                             << QStringList() << MemberSearch::kPartWithExact;
    }
    void searchByPart()
    {
        QFETCH(QString, name);
        QFETCH(QString, part);
        QFETCH(QStringList, listed);
        QFETCH(QString, message);
        SearchScreen s(QStringLiteral("clerk"));
        QVERIFY(showActive(*s.dialog));
        s.text("Text1")->setText(name); // QTest cannot type Chinese
        QLineEdit *partBox = s.text("Text6");
        partBox->setFocus();
        partBox->setText(part);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(m_dialogs.takeMessages(),
                 message.isEmpty() ? QStringList() : QStringList{message});
        QStringList names;
        for (int row = 0; row < s.grid()->model()->rowCount(); ++row)
            names << s.cell(row, 1);
        QCOMPARE(names, listed);
        if (message == MemberSearch::kPartNotFound)
            QCOMPARE(QApplication::focusWidget(), partBox);
    }

    void keyFilterAndLimits()
    {
        SearchScreen s(QStringLiteral("admin"));
        QTest::keyClicks(s.text("Text2"), QStringLiteral("1a3-8 000 0000 1xx23"));
        QCOMPARE(s.text("Text2")->text(), QStringLiteral("13800000001"));
        QTest::keyClicks(s.text("Text1"), QStringLiteral("O'Neil 1234"));
        QCOMPARE(s.text("Text1")->text(), QStringLiteral("O'Neil 123"));
    }

    void newSearchDropsTheSelection()
    {
        SearchScreen s(QStringLiteral("admin"));
        s.search();
        s.clickRow(0);
        QVERIFY(s.canChange());
        s.search(QStringLiteral("李四"));
        QCOMPARE(s.text("Text5")->text(), QString());
        QVERIFY(s.cannotChange());
        s.clickRow(0);
        QCOMPARE(s.text("Text5")->text(), QStringLiteral("李四"));
        s.search(QStringLiteral("nobody"));
        QCOMPARE(m_dialogs.takeMessages(), QStringList{MemberSearch::kNameNotFound});
        QCOMPARE(s.text("Text5")->text(), QString());
        QVERIFY(s.cannotChange());
    }

    void resetClearsTheListAndBoxes()
    {
        SearchScreen s(QStringLiteral("admin"));
        QApplication::setActiveWindow(s.dialog.get());
        QVERIFY(QTest::qWaitForWindowActive(s.dialog.get()));
        s.search(QString(), QStringLiteral("13800000002"));
        s.clickRow(0);
        s.text("Text1")->setText(QStringLiteral("x"));
        QTest::mouseClick(s.button("Command3"), Qt::LeftButton);
        QCOMPARE(s.grid()->model()->rowCount(), 0);
        QCOMPARE(s.text("Text1")->text(), QString());
        QCOMPARE(s.text("Text2")->text(), QString());
        QVERIFY(s.text("Text1")->hasFocus());
        QVERIFY(s.cannotChange());
        QCOMPARE(s.note(), MemberSearch::kBuiltInNote);
    }

    void modifyNeedsTheSessionPassword_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("opens");
        QTest::newRow("right") << kPassword << kPassword << true;
        QTest::newRow("letter case differs") << kPassword << QStringLiteral("secret1") << false;
        QTest::newRow("trailing blank") << kPassword << kPassword + QLatin1Char(' ') << false;
        QTest::newRow("cancel") << kPassword << QString() << false;
        QTest::newRow("cancel with an empty session password") << QString() << QString() << true;
    }
    void modifyNeedsTheSessionPassword()
    {
        QFETCH(QString, password);
        QFETCH(QString, answer);
        QFETCH(bool, opens);
        SearchScreen s(QStringLiteral("admin"), password);
        int opened = 0;
        s.dialog->setModifyRunner([&](MemberModifyDialog &) { ++opened; });
        s.search();
        s.clickRow(0);
        m_dialogs.answer(answer);
        QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
        const auto inputs = m_dialogs.takeInputs();
        QCOMPARE(inputs.size(), 1);
        QCOMPARE(inputs.first().prompt, MemberSearchDialog::kModifyPrompt);
        QCOMPARE(opened, opens ? 1 : 0);
        QCOMPARE(m_dialogs.takeMessages(),
                 opens ? QStringList() : QStringList{MemberSearchDialog::kModifyRefused});
    }

    void modifyChecksInOrderThenSaves()
    {
        Clock::setSourceForTesting([] { return QDateTime(QDate(2026, 12, 7), QTime(9, 3, 4)); });
        SearchScreen s(QStringLiteral("admin"));
        s.search();
        s.clickRow(1);
        bool ran = false;
        s.dialog->setModifyRunner([&](MemberModifyDialog &d) {
            ran = true;
            d.show();
            QCOMPARE(d.objectName(), QStringLiteral("mmodify"));
            QCOMPARE(d.windowTitle(), QStringLiteral("会员资料修改"));
            const QStringList shown = {control<QLineEdit>(d, "Text1")->text(),
                                       control<QComboBox>(d, "Combo1")->currentText(),
                                       control<QLineEdit>(d, "Text2")->text(),
                                       control<QLineEdit>(d, "Text3")->text(),
                                       control<QLineEdit>(d, "Text4")->text(),
                                       control<QLineEdit>(d, "Text5")->text(),
                                       control<QLineEdit>(d, "Text6")->text(),
                                       control<QLineEdit>(d, "Text7")->text()};
            QCOMPARE(shown, (QStringList{QStringLiteral("李四"), QStringLiteral("男"),
                                         QStringLiteral("13800000002"), QStringLiteral("张三"),
                                         QStringLiteral("3"), QStringLiteral("70.10"),
                                         QStringLiteral("0.15"), QStringLiteral("13800000001")}));
            for (const char *name : {"Text1", "Text4", "Text5", "Text6"})
                QVERIFY2(control<QLineEdit>(d, name)->isReadOnly(), name);
            for (const char *name : {"Text2", "Text3", "Text7"})
                QVERIFY2(!control<QLineEdit>(d, name)->isReadOnly(), name);

            auto *check = control<QCheckBox>(d, "Check1");
            auto *phone = control<QLineEdit>(d, "Text2");
            auto *referrerPhone = control<QLineEdit>(d, "Text7");
            auto *save = control<QPushButton>(d, "Command1");
            auto attempt = [&](const QString &expected) {
                QTest::mouseClick(save, Qt::LeftButton);
                QCOMPARE(m_dialogs.takeMessages(),
                         expected.isEmpty() ? QStringList() : QStringList{expected});
            };
            QVERIFY(!check->isChecked());
            phone->clear();
            attempt(MemberModify::kNotAcknowledged);
            check->setChecked(true);
            attempt(MemberModify::kNoPhone);
            QTest::keyClicks(phone, QStringLiteral("1390000x0001"));
            QCOMPARE(phone->text(), QStringLiteral("13900000001"));
            referrerPhone->setText(QStringLiteral("138"));
            attempt(MemberModify::kBadReferrerPhone);
            referrerPhone->clear();
            phone->setText(QStringLiteral("13800000001")); // 张三's phone
            attempt(MemberModify::kPhoneTaken);
            QCOMPARE(control<QLabel>(d, "Label9")->text(),
                     QStringLiteral("修改有风险，修改须谨慎！"));
            phone->setText(QStringLiteral("13900000001"));
            control<QComboBox>(d, "Combo1")->setCurrentText(QStringLiteral("女"));
            attempt(QString());
            QCOMPARE(control<QLabel>(d, "Label9")->text(),
                     QStringLiteral("提示：修改成功！   09:03:04"));
            QVERIFY(!check->isChecked());
            attempt(MemberModify::kNotAcknowledged);
        });
        m_dialogs.answer(kPassword);
        QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
        QVERIFY(ran);
        const Member stored = *MemberTable(s.folder.store()).firstByName(QStringLiteral("李四"));
        QCOMPARE(stored.sex, QStringLiteral("女"));
        QCOMPARE(stored.phone, QStringLiteral("13900000001"));
        QCOMPARE(stored.referrer, QStringLiteral("张三"));
        QCOMPARE(stored.referrerPhone, QString());
        // The list shows what was saved, so a second modify starts from it.
        QCOMPARE(s.cell(1, 3), QStringLiteral("13900000001"));
        QCOMPARE(s.cell(1, 6), QString());
    }

    void modifyNeedsAKnownSex()
    {
        SearchScreen s(QStringLiteral("admin"));
        Member odd = sampleMember(QStringLiteral("王五"), QStringLiteral("13800000005"));
        odd.sex = QStringLiteral("未知");
        MemberTable(s.folder.store()).insert(odd);
        s.search(QStringLiteral("王五"));
        s.clickRow(0);
        s.dialog->setModifyRunner([&](MemberModifyDialog &d) {
            d.show();
            auto *combo = control<QComboBox>(d, "Combo1");
            QCOMPARE(combo->currentIndex(), -1);
            QCOMPARE(combo->currentText(), QString());
            control<QCheckBox>(d, "Check1")->setChecked(true);
            QTest::mouseClick(control<QPushButton>(d, "Command1"), Qt::LeftButton);
            QCOMPARE(m_dialogs.takeMessages(), QStringList{MemberModify::kNoSex});
        });
        m_dialogs.answer(kPassword);
        QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
        QCOMPARE(MemberTable(s.folder.store()).firstByName(QStringLiteral("王五"))->sex,
                 QStringLiteral("未知"));
    }

    // Down in a box moves onto the list, the arrows choose a row, and Enter
    // or a double click opens the chosen member's statement.
    void keysChooseAMemberAndOpenHisStatement()
    {
        SearchScreen s(QStringLiteral("clerk"));
        s.search();
        QList<qint64> opened;
        s.dialog->setStatementOpener([&](qint64 id) { opened << id; });
        QVERIFY(showActive(*s.dialog));
        const auto idOf = [&](const QString &name) {
            return MemberTable(s.folder.store()).firstByName(name)->id;
        };
        s.text("Text6")->setFocus();
        QTest::keyClick(s.text("Text6"), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), s.grid());
        QCOMPARE(s.text("Text5")->text(), QStringLiteral("张三"));
        QTest::keyClick(s.grid(), Qt::Key_Down);
        QCOMPARE(s.text("Text5")->text(), QStringLiteral("李四"));
        QTest::keyClick(s.grid(), Qt::Key_Return);
        QCOMPARE(opened, QList<qint64>{idOf(QStringLiteral("李四"))});
        QTest::keyClick(s.grid(), Qt::Key_Up);
        QTest::keyClick(s.grid(), Qt::Key_Enter);
        const QRect second = s.grid()->visualRect(s.grid()->model()->index(1, 1));
        // A double click is a click followed by the second press.
        QTest::mouseClick(s.grid()->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(s.grid()->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(opened, (QList<qint64>{idOf(QStringLiteral("李四")), idOf(QStringLiteral("张三")),
                                        idOf(QStringLiteral("李四"))}));
        QVERIFY(s.dialog->isVisible()); // Enter did not search again or close
    }

    void deleteTwice()
    {
        SearchScreen s(QStringLiteral("admin"));
        s.search();
        s.clickRow(0); // 张三, 李四's referrer
        m_dialogs.answer(kPassword);
        QTest::mouseClick(s.button("Command4"), Qt::LeftButton);
        QCOMPARE(m_dialogs.takeInputs().first().prompt, MemberSearchDialog::kDeletePrompt);
        // His balance is told before the password is asked for.
        QCOMPARE(m_dialogs.takeMessages(),
                 (QStringList{QStringLiteral("该会员余额 0.15 元，删除后无法恢复！"),
                              MemberDelete::deletedMessage(QStringLiteral("张三"))}));
        // Gone from the list at once; the referee keeps his referrer fields.
        QCOMPARE(s.grid()->model()->rowCount(), 2);
        QCOMPARE(s.cell(0, 1), QStringLiteral("李四"));
        QCOMPARE(s.cell(0, 5), QStringLiteral("张三"));
        QCOMPARE(s.cell(0, 6), QStringLiteral("13800000001"));
        const Member referee = *MemberTable(s.folder.store()).firstByName(QStringLiteral("李四"));
        QCOMPARE(referee.referrer, QStringLiteral("张三"));
        QCOMPARE(referee.referrerPhone, QStringLiteral("13800000001"));
        // The selection stays on the deleted name, not on the row that moved up.
        QCOMPARE(s.text("Text5")->text(), QStringLiteral("张三"));
        QVERIFY(s.canChange());

        m_dialogs.answer(kPassword);
        QTest::mouseClick(s.button("Command4"), Qt::LeftButton);
        QCOMPARE(m_dialogs.takeInputs().size(), 1);
        QCOMPARE(m_dialogs.takeMessages(), QStringList{MemberDelete::kNotFound});
        QCOMPARE(MemberTable(s.folder.store()).count(), 2);

        // Modify of the deleted member says so and writes nothing.
        s.dialog->setModifyRunner([&](MemberModifyDialog &d) {
            d.show();
            control<QCheckBox>(d, "Check1")->setChecked(true);
            QTest::mouseClick(control<QPushButton>(d, "Command1"), Qt::LeftButton);
            QCOMPARE(m_dialogs.takeMessages(), QStringList{MemberModify::kGone});
        });
        m_dialogs.answer(kPassword);
        QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
        QCOMPARE(MemberTable(s.folder.store()).count(), 2);
    }

    void deleteRefusedWithoutThePassword()
    {
        SearchScreen s(QStringLiteral("admin"));
        s.search();
        s.clickRow(1);
        m_dialogs.answer(QString());
        QTest::mouseClick(s.button("Command4"), Qt::LeftButton);
        QCOMPARE(m_dialogs.takeInputs().size(), 1);
        QCOMPARE(m_dialogs.takeMessages(),
                 (QStringList{QStringLiteral("该会员余额 0.15 元，删除后无法恢复！"),
                              MemberSearchDialog::kDeleteRefused}));
        QCOMPARE(MemberTable(s.folder.store()).count(), 3);
        QCOMPARE(s.grid()->model()->rowCount(), 3);
    }
};

QTEST_MAIN(TestMemberSearch)
#include "tst_membersearch.moc"
