// Exact money and the rules that read numbers out of text boxes.
#include "base/Money.h"
#include "base/NumberText.h"

#include <QtTest>

Q_DECLARE_METATYPE(NumberText::AmountProblem)

class TestMoney : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shortestForm_data()
    {
        QTest::addColumn<qint64>("fen");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("withCents");
        QTest::newRow("whole") << qint64(15000) << QStringLiteral("150")
                               << QStringLiteral("150.00");
        QTest::newRow("tenths") << qint64(7010) << QStringLiteral("70.1")
                                << QStringLiteral("70.10");
        QTest::newRow("below one")
            << qint64(15) << QStringLiteral("0.15") << QStringLiteral("0.15");
        QTest::newRow("one fen") << qint64(1) << QStringLiteral("0.01") << QStringLiteral("0.01");
        QTest::newRow("half") << qint64(2250) << QStringLiteral("22.5") << QStringLiteral("22.50");
        QTest::newRow("negative") << qint64(-5000) << QStringLiteral("-50")
                                  << QStringLiteral("-50.00");
        QTest::newRow("negative fraction")
            << qint64(-50) << QStringLiteral("-0.5") << QStringLiteral("-0.50");
        QTest::newRow("negative fen")
            << qint64(-5) << QStringLiteral("-0.05") << QStringLiteral("-0.05");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("0") << QStringLiteral("0.00");
        QTest::newRow("large") << qint64(1235567) << QStringLiteral("12355.67")
                               << QStringLiteral("12355.67");
    }
    void shortestForm()
    {
        QFETCH(qint64, fen);
        QFETCH(QString, text);
        QFETCH(QString, withCents);
        QCOMPARE(Money::fromFen(fen).toString(), text);
        QCOMPARE(Money::fromFen(fen).toStringWithCents(), withCents);
    }

    void readsStoredValues_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<qint64>("fen");
        QTest::addColumn<bool>("ok");
        QTest::newRow("integer") << QVariant(qlonglong(30)) << qint64(3000) << true;
        QTest::newRow("double 100.1") << QVariant(100.1) << qint64(10010) << true;
        QTest::newRow("double 70.1") << QVariant(70.1) << qint64(7010) << true;
        QTest::newRow("float-widened") << QVariant(70.0999984741211) << qint64(7010) << true;
        QTest::newRow("text .15") << QVariant(QStringLiteral(".15")) << qint64(15) << true;
        QTest::newRow("text 20.00") << QVariant(QStringLiteral("20.00")) << qint64(2000) << true;
        QTest::newRow("text half fen up")
            << QVariant(QStringLiteral("0.125")) << qint64(13) << true;
        QTest::newRow("text half fen down")
            << QVariant(QStringLiteral("-0.125")) << qint64(-13) << true;
        QTest::newRow("text below half")
            << QVariant(QStringLiteral("0.1249")) << qint64(12) << true;
        QTest::newRow("empty text") << QVariant(QString()) << qint64(0) << true;
        QTest::newRow("null") << QVariant() << qint64(0) << true;
        QTest::newRow("garbage") << QVariant(QStringLiteral("abc")) << qint64(0) << false;
        // Amounts beyond 10 trillion yuan do not survive the stored double
        // form exactly, and a huge integer would overflow the fen.
        QTest::newRow("largest text") << QVariant(QStringLiteral("-10000000000000.00"))
                                      << qint64(-1'000'000'000'000'000) << true;
        QTest::newRow("text too large")
            << QVariant(QStringLiteral("10000000000000.01")) << qint64(0) << false;
        QTest::newRow("integer too large")
            << QVariant(qlonglong(4'607'182'418'800'017'408)) << qint64(0) << false;
        QTest::newRow("unsigned too large")
            << QVariant(qulonglong(18'446'744'073'709'551'615ULL)) << qint64(0) << false;
        QTest::newRow("double too large") << QVariant(1.0e13 + 0.01) << qint64(0) << false;
    }
    void readsStoredValues()
    {
        QFETCH(QVariant, stored);
        QFETCH(qint64, fen);
        QFETCH(bool, ok);
        bool readOk = false;
        QCOMPARE(Money::fromStored(stored, &readOk).fen(), fen);
        QCOMPARE(readOk, ok);
    }

    void storesWholeYuanAsIntegers()
    {
        QCOMPARE(Money::fromYuan(12).toStored().typeId(), int(QMetaType::LongLong));
        QCOMPARE(Money::fromFen(7010).toStored().toDouble(), 70.1);
        // Every fen amount survives the trip through the stored form.
        for (qint64 fen :
             {1LL, 15LL, 7010LL, 1235567LL, -999LL, 99999999999LL, 999'999'999'999'999LL})
            QCOMPARE(Money::fromStored(Money::fromFen(fen).toStored()).fen(), fen);
    }

    void exactArithmetic()
    {
        // 100.1 - 30 is 70.1, not 70.0999984741211.
        QCOMPARE((Money::fromStored(100.1) - Money::fromYuan(30)).toString(),
                 QStringLiteral("70.1"));
        QCOMPARE((Money::fromStored(12345.67) + Money::fromYuan(10)).toString(),
                 QStringLiteral("12355.67"));
    }

    void percentRoundsHalfAwayFromZero_data()
    {
        QTest::addColumn<qint64>("fen");
        QTest::addColumn<qint64>("pct");
        QTest::addColumn<qint64>("result");
        QTest::newRow("5% of 3") << qint64(300) << qint64(5) << qint64(15);
        QTest::newRow("5% of 200") << qint64(20000) << qint64(5) << qint64(1000);
        QTest::newRow("half up") << qint64(10) << qint64(5) << qint64(1);   // 0.5 fen
        QTest::newRow("below half") << qint64(9) << qint64(5) << qint64(0); // 0.45 fen
        QTest::newRow("negative half") << qint64(-10) << qint64(5) << qint64(-1);
        QTest::newRow("99% of 1 yuan") << qint64(100) << qint64(99) << qint64(99);
        QTest::newRow("33% of 1 fen") << qint64(1) << qint64(33) << qint64(0);
    }
    void percentRoundsHalfAwayFromZero()
    {
        QFETCH(qint64, fen);
        QFETCH(qint64, pct);
        QFETCH(qint64, result);
        QCOMPARE(Money::fromFen(fen).percent(pct).fen(), result);
    }

    void leadingValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("digits") << QStringLiteral("007") << 7.0;
        QTest::newRow("unit") << QStringLiteral("12.5元") << 12.5;
        QTest::newRow("letters after") << QStringLiteral("12abc") << 12.0;
        QTest::newRow("letters only") << QStringLiteral("abc") << 0.0;
        QTest::newRow("blanks") << QStringLiteral("  42") << 42.0;
        QTest::newRow("sign") << QStringLiteral("-50") << -50.0;
        QTest::newRow("second point") << QStringLiteral("1.2.3") << 1.2;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("sign only") << QStringLiteral("-") << 0.0;
        QTest::newRow("exponent not read") << QStringLiteral("1e3") << 1.0;
    }
    void leadingValue()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(NumberText::leadingValue(text), value);
    }

    void numeric_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::newRow("digits") << QStringLiteral("20") << true;
        QTest::newRow("blanks") << QStringLiteral(" 20 ") << true;
        QTest::newRow("negative") << QStringLiteral("-5") << true;
        QTest::newRow("exponent") << QStringLiteral("1e3") << true;
        QTest::newRow("trailing letters") << QStringLiteral("12abc") << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("point only") << QStringLiteral(".") << false;
        QTest::newRow("fullwidth digits") << QStringLiteral("１２") << false;
    }
    void numeric()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QCOMPARE(NumberText::isNumeric(text), numeric);
    }

    // The amount boxes: the finished amount, and what may stand while it is
    // being typed.
    void yuanAmounts_data()
    {
        using P = NumberText::AmountProblem;
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("fen");
        QTest::addColumn<P>("problem");
        QTest::addColumn<P>("whileTyping");
        QTest::newRow("jiao and fen")
            << QStringLiteral("100.50") << qint64(10050) << P::None << P::None;
        QTest::newRow("whole") << QStringLiteral("20") << qint64(2000) << P::None << P::None;
        QTest::newRow("point last") << QStringLiteral("1.") << qint64(100) << P::None << P::None;
        QTest::newRow("point first") << QStringLiteral(".5") << qint64(50) << P::None << P::None;
        QTest::newRow("leading zeros")
            << QStringLiteral("00.10") << qint64(10) << P::None << P::None;
        QTest::newRow("blanks around")
            << QStringLiteral(" 7.05 ") << qint64(705) << P::None << P::NotNumber;
        QTest::newRow("largest") << QStringLiteral("9999999.99") << qint64(999999999) << P::None
                                 << P::None;
        QTest::newRow("ten million")
            << QStringLiteral("10000000") << qint64(0) << P::TooLarge << P::TooLarge;
        QTest::newRow("many leading zeros")
            << QStringLiteral("000000000001") << qint64(100) << P::None << P::None;
        QTest::newRow("twenty digits")
            << QStringLiteral("99999999999999999999") << qint64(0) << P::TooLarge << P::TooLarge;
        QTest::newRow("three decimals")
            << QStringLiteral("1.234") << qint64(0) << P::TooManyDecimals << P::TooManyDecimals;
        QTest::newRow("two points")
            << QStringLiteral("1.2.") << qint64(0) << P::NotNumber << P::NotNumber;
        QTest::newRow("zero") << QStringLiteral("0.00") << qint64(0) << P::None << P::None;
        QTest::newRow("sign") << QStringLiteral("-5") << qint64(0) << P::NotNumber << P::NotNumber;
        QTest::newRow("exponent") << QStringLiteral("1e3") << qint64(0) << P::NotNumber
                                  << P::NotNumber;
        QTest::newRow("comma") << QStringLiteral("1,5") << qint64(0) << P::NotNumber
                               << P::NotNumber;
        QTest::newRow("fullwidth point")
            << QStringLiteral("1。5") << qint64(0) << P::NotNumber << P::NotNumber;
        QTest::newRow("point only") << QStringLiteral(".") << qint64(0) << P::NotNumber << P::None;
        QTest::newRow("empty") << QString() << qint64(0) << P::NotNumber << P::None;
    }
    void yuanAmounts()
    {
        using P = NumberText::AmountProblem;
        QFETCH(QString, text);
        QFETCH(qint64, fen);
        QFETCH(P, problem);
        QFETCH(P, whileTyping);
        const NumberText::Amount amount = NumberText::yuanAmount(text);
        QCOMPARE(amount.problem, problem);
        QCOMPARE(amount.fen, fen);
        QCOMPARE(NumberText::amountBeingTyped(text), whileTyping);
        QCOMPARE(NumberText::amountProblemText(problem).isEmpty(), problem == P::None);
    }

    void mobileNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("mobile");
        QTest::newRow("eleven digits") << QStringLiteral("13800138000") << true;
        QTest::newRow("ten digits") << QStringLiteral("1380013800") << false;
        QTest::newRow("twelve digits") << QStringLiteral("138001380001") << false;
        QTest::newRow("sign") << QStringLiteral("+1380013800") << false;
        QTest::newRow("decimal") << QStringLiteral("1380013.800") << false;
        QTest::newRow("exponent") << QStringLiteral("13800138e10") << false;
        QTest::newRow("blank") << QStringLiteral(" 3800138000") << false;
        QTest::newRow("fullwidth") << QStringLiteral("１３８００１３８０００") << false;
    }
    void mobileNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, mobile);
        QCOMPARE(NumberText::isMobileNumber(text), mobile);
    }
};

QTEST_GUILESS_MAIN(TestMoney)
#include "tst_money.moc"
