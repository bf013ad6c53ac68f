// Slips: their content and layout at both paper widths (the longest name and
// amount on one line each), printing by itself or from the button, a failed
// print that leaves the action done, and who may name the shop.
#include "PdfReadBack.h"
#include "rules/money/Consumption.h"
#include "rules/money/Recharge.h"
#include "rules/money/Reversal.h"
#include "rules/reports/PrintSettings.h"
#include "rules/reports/Slip.h"
#include "screens/money/ConsumptionDialog.h"
#include "screens/reports/Printout.h"
#include "store/Database.h"
#include "store/Ledger.h"
#include "support/Controls.h"
#include "support/FixedClock.h"
#include "support/Members.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QAbstractTextDocumentLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

namespace {

// The longest name the screens take (10 characters) and the largest amount
// (7 digits).
const QString kLongName = QStringLiteral("欧阳司徒诸葛东方慕容");
const QString kReferrer = QStringLiteral("上官端木皇甫公孙宇文");
const Session kAdmin{QStringLiteral("admin"), QStringLiteral("123456"), Role::Owner};

struct SlipShop
{
    FixedClock clock;
    TestFolder folder;
    qint64 referrer = addMember(folder.store(), kReferrer, QStringLiteral("13900000001"));
    qint64 member = addMember(folder.store(), kLongName, QStringLiteral("13900000002"), kReferrer,
                              {}, yuan("99999999"));
    SlipShop()
    {
        folder.setCommission(0, 7);
        folder.store().setOperatorName(QStringLiteral("admin"));
    }
    Database &store() { return folder.store(); }
    qint64 consume()
    {
        return Consumption::confirm(
                   store(), {kLongName, {}, Consumption::kBalance, QStringLiteral("9999999")},
                   {0, 7}, [] { return true; })
            .entry;
    }
};

// The lines of the document that wrapped.
QStringList wrappedLines(QTextDocument &document)
{
    QStringList wrapped;
    document.documentLayout(); // lays the document out
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        if (b.layout() && b.layout()->lineCount() > 1)
            wrapped << b.text();
    }
    return wrapped;
}

} // namespace

class TestSlips : public QObject
{
    Q_OBJECT
private:
    ScriptedDialogs m_dialogs;

private Q_SLOTS:
    void cleanup()
    {
        Printout::setPrinterForTesting(std::nullopt);
        VERIFY_DIALOGS_DONE(m_dialogs);
    }

    void layoutAtBothWidths_data()
    {
        QTest::addColumn<int>("paperMm");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("texts");
        const QStringList common{QStringLiteral("Pellomar会员系统"), kLongName,
                                 QStringLiteral("管理员:admin")};
        for (int mm : {58, 80}) {
            const QByteArray w = QByteArray::number(mm) + " mm, ";
            QTest::newRow(w + "consumption")
                << mm << QStringLiteral("consume")
                << common + QStringList{QStringLiteral("金额:9999999.00 元"),
                                        QStringLiteral("余额:90000000.00 元"),
                                        QStringLiteral("推荐人:") + kReferrer,
                                        QStringLiteral("提成:699999.93 元")};
            QTest::newRow(w + "recharge")
                << mm << QStringLiteral("recharge")
                << common + QStringList{QStringLiteral("项目:充值"),
                                        QStringLiteral("金额:9999999.00 元")};
            QTest::newRow(w + "reversal")
                << mm << QStringLiteral("reverse")
                << common + QStringList{QStringLiteral("项目:撤销消费"),
                                        QStringLiteral("余额:99999999.00 元"),
                                        QStringLiteral("推荐人:") + kReferrer,
                                        QStringLiteral("扣回提成:699999.93 元")};
        }
    }
    void layoutAtBothWidths()
    {
        QFETCH(int, paperMm);
        QFETCH(QString, action);
        QFETCH(QStringList, texts);
        SlipShop shop;
        qint64 entry = shop.consume();
        if (action == QLatin1String("recharge"))
            entry =
                Recharge::recharge(shop.store(), {kLongName, {}, QStringLiteral("9999999"), false})
                    .entry;
        else if (action == QLatin1String("reverse"))
            entry = Reversal::reverse(shop.store(), kAdmin, entry, kAdmin.password,
                                      [](const QString &) { return true; })
                        .entry;
        // The number the action left in the file is the slip's.
        const QString operation = shop.store().operationNumber();
        QVERIFY(
            shop.store()
                .scalar(QStringLiteral("SELECT 1 FROM 已完成操作 WHERE 操作号 = ?"), {operation})
                .isValid());
        const std::optional<Slip::Content> slip =
            Slip::ofEntry(shop.store(), entry, operation, PrintSettings::kDefaultShop);
        QVERIFY(slip);
        const auto document = Printout::slipDocument(slip->shop, Slip::lines(*slip), paperMm);
        QCOMPARE(wrappedLines(*document), QStringList());
        const QString path = shop.folder.path() + QStringLiteral("/slip.pdf");
        QVERIFY(Printout::toPdf(*document, path));
        const QString text = PdfReadBack::text(path);
        QCOMPARE(operation.size(), 32);
        for (const QString &t :
             texts + QStringList{QStringLiteral("操作号:") + operation.left(16), operation.mid(16)})
            QVERIFY2(text.contains(t.normalized(QString::NormalizationForm_KC)),
                     qPrintable(t + QStringLiteral(" not in:\n") + text));
        QCOMPARE(PdfReadBack::fontsNotEmbedded(path), QStringList());
        QVERIFY(PdfReadBack::inkOfFirstPage(path) > 0.01);
        QCOMPARE(qRound(PdfReadBack::pageSizeMm(path).width()), paperMm);
        QCOMPARE(PdfReadBack::pages(path), 1);
    }

    // After a consumption on the screen: printed by itself when the setting
    // says so, else from the button; a printer that fails is told and the
    // consumption stays.
    void afterConsumption_data()
    {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("printerWorks");
        QTest::addColumn<bool>("printed");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("automatic") << true << true << true << QStringList();
        QTest::newRow("automatic, printer fails")
            << true << false << false << QStringList{Slip::kPrintFailed};
        QTest::newRow("by the button") << false << true << true << QStringList();
        QTest::newRow("by the button, printer fails")
            << false << false << false << QStringList{Slip::kPrintFailed};
    }
    void afterConsumption()
    {
        QFETCH(bool, automatic);
        QFETCH(bool, printerWorks);
        QFETCH(bool, printed);
        QFETCH(QStringList, messages);
        SlipShop shop;
        PrintSettings::Values settings;
        settings.autoPrint = automatic;
        QCOMPARE(PrintSettings::save(shop.store(), settings, true), QString());
        const QString path = shop.folder.path() + QStringLiteral("/printer.pdf");
        Printout::setPrinterForTesting(printerWorks ? path : QString());
        ConsumptionDialog dialog(shop.store());
        dialog.show();
        auto *slipButton = control<QPushButton>(dialog, "xiaopiao");
        QVERIFY(!slipButton->isEnabled());
        control<QLineEdit>(dialog, "Text1")->setText(kLongName);
        QTest::keyClicks(control<QLineEdit>(dialog, "Text5"), QStringLiteral("30"));
        control<QPushButton>(dialog, "Command1")->click();
        QVERIFY(slipButton->isEnabled());
        if (!automatic)
            slipButton->click();
        QCOMPARE(m_dialogs.takeMessages(), messages);
        QCOMPARE(QFileInfo::exists(path), printed);
        QVERIFY(control<QLabel>(dialog, "Label4")->text().startsWith(QStringLiteral("操作完成")));
        QCOMPARE(memberAt(shop.store(), shop.member).consumptions, qint64(1));
    }

    void onlyAdminNamesTheShop_data()
    {
        QTest::addColumn<bool>("builtIn");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("stored");
        QTest::newRow("admin renames")
            << true << QStringLiteral(" 小店 ") << QString() << QStringLiteral("小店");
        QTest::newRow("admin empties")
            << true << QString() << PrintSettings::kNoShop << PrintSettings::kDefaultShop;
        QTest::newRow("other renames")
            << false << QStringLiteral("小店") << PrintSettings::kShopOnlyAdmin
            << PrintSettings::kDefaultShop;
        QTest::newRow("other keeps the name, sets the paper")
            << false << PrintSettings::kDefaultShop << QString() << PrintSettings::kDefaultShop;
    }
    void onlyAdminNamesTheShop()
    {
        QFETCH(bool, builtIn);
        QFETCH(QString, typed);
        QFETCH(QString, refusal);
        QFETCH(QString, stored);
        TestFolder folder;
        PrintSettings::Values v;
        v.shop = typed;
        v.paperMm = 80;
        QCOMPARE(PrintSettings::save(folder.store(), v, builtIn), refusal);
        const PrintSettings::Values after = PrintSettings::load(folder.store());
        QCOMPARE(after.shop, stored);
        QCOMPARE(after.paperMm, refusal.isEmpty() ? 80 : 58);
    }
};

QTEST_MAIN(TestSlips)
#include "tst_slips.moc"
