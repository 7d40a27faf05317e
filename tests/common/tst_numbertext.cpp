#include "common/numbertext.h"

#include <QtTest>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <string>

using namespace morvane;

class TestNumberText : public QObject
{
    Q_OBJECT
  private slots:
    void cleanup() { std::setlocale(LC_ALL, "C"); }

    void fieldValue_data();
    void fieldValue();
    void fieldValueNeverLeavesTheFiniteRange_data();
    void fieldValueNeverLeavesTheFiniteRange();
    void fieldValueReadsLongTexts();
    void fieldValueIgnoresTheLocale();

    void plainNumberText_data();
    void plainNumberText();
    void signedNumberText_data();
    void signedNumberText();
    void writtenTextsReadBack_data();
    void writtenTextsReadBack();

    void roundHalfEven_data();
    void roundHalfEven();
    void roundToInt16_data();
    void roundToInt16();
    void roundToInt32_data();
    void roundToInt32();
};

void TestNumberText::fieldValue_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("expected");
    QTest::addColumn<bool>("oneNumber"); // nothing before or after the number, blanks aside
    QTest::newRow("integer") << QByteArray("5") << 5.0 << true;
    QTest::newRow("negative decimal") << QByteArray("-12.5") << -12.5 << true;
    QTest::newRow("plus sign") << QByteArray("+7") << 7.0 << true;
    QTest::newRow("point first") << QByteArray(".25") << 0.25 << true;
    QTest::newRow("blanks anywhere") << QByteArray("  1 2 . 5x") << 12.5 << false;
    QTest::newRow("tabs and line feeds") << QByteArray("\t-\n3\t4") << -34.0 << true;
    QTest::newRow("carriage return stops") << QByteArray("1\r2") << 1.0 << false;
    QTest::newRow("second point stops") << QByteArray("1.2.3") << 1.2 << false;
    QTest::newRow("trailing unit") << QByteArray("7 kg") << 7.0 << false;
    QTest::newRow("exponent E") << QByteArray("1E3") << 1000.0 << true;
    QTest::newRow("exponent D") << QByteArray("1D3") << 1000.0 << true;
    QTest::newRow("lower-case exponent") << QByteArray("2.5e-2") << 0.025 << true;
    QTest::newRow("exponent with blanks") << QByteArray("1 E - 2") << 0.01 << true;
    QTest::newRow("exponent without digits") << QByteArray("4E") << 4.0 << false;
    QTest::newRow("exponent sign without digits") << QByteArray("4E+") << 4.0 << false;
    QTest::newRow("hexadecimal") << QByteArray("&HFFFF") << 65535.0 << true;
    QTest::newRow("hexadecimal lower case") << QByteArray("&hff") << 255.0 << true;
    QTest::newRow("hexadecimal stops at non-digit") << QByteArray("&H1G") << 1.0 << false;
    QTest::newRow("octal") << QByteArray("&O17") << 15.0 << true;
    QTest::newRow("octal stops at 8") << QByteArray("&O18") << 1.0 << false;
    QTest::newRow("ampersand alone") << QByteArray("&") << 0.0 << false;
    QTest::newRow("ampersand other letter") << QByteArray("&X12") << 0.0 << false;
    QTest::newRow("empty") << QByteArray("") << 0.0 << false;
    QTest::newRow("blanks only") << QByteArray("   ") << 0.0 << false;
    QTest::newRow("letters") << QByteArray("abc") << 0.0 << false;
    QTest::newRow("lone minus") << QByteArray("-") << 0.0 << false;
    QTest::newRow("lone point") << QByteArray(".") << 0.0 << false;
    QTest::newRow("comma is no point") << QByteArray("1,5") << 1.0 << false;
    QTest::newRow("leading zeros") << QByteArray("000123.4500") << 123.45 << true;
    QTest::newRow("tiny") << QByteArray("1e-300") << 1e-300 << true;
    QTest::newRow("below the smallest double") << QByteArray("1e-400") << 0.0 << true;
    QTest::newRow("largest double") << QByteArray("1.7976931348623157e308") << DBL_MAX << true;
    QTest::newRow("inf is not a number") << QByteArray("inf") << 0.0 << false;
    QTest::newRow("nan is not a number") << QByteArray("nan") << 0.0 << false;
    QTest::newRow("hex float is not read") << QByteArray("0x1p3") << 0.0 << false;
    QTest::newRow("point last") << QByteArray("5.") << 5.0 << true;
    QTest::newRow("hexadecimal without digits") << QByteArray("&H") << 0.0 << false;
    QTest::newRow("sign before ampersand") << QByteArray("-&H10") << 0.0 << false;
    QTest::newRow("letters after digits") << QByteArray("5OO") << 5.0 << false;
    QTest::newRow("non-ASCII stops") << QByteArray("3\xc2\xb0") << 3.0 << false;
}

void TestNumberText::fieldValue()
{
    QFETCH(QByteArray, text);
    QFETCH(double, expected);
    QFETCH(bool, oneNumber);
    QCOMPARE(FieldValue(text.toStdString()), expected);
    QCOMPARE(IsOneNumber(text.toStdString()), oneNumber);
}

void TestNumberText::fieldValueNeverLeavesTheFiniteRange_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("1e400") << QByteArray("1e400") << DBL_MAX;
    QTest::newRow("-1e400") << QByteArray("-1e400") << -DBL_MAX;
    QTest::newRow("just above the largest") << QByteArray("1.8e308") << DBL_MAX;
    QTest::newRow("huge exponent")
        << QByteArray("1e99999999999999999999999999999999999999") << DBL_MAX;
    QTest::newRow("huge negative exponent")
        << QByteArray("1e-99999999999999999999999999999999999999") << 0.0;
    QTest::newRow("zero with huge exponent") << QByteArray("0e99999999999") << 0.0;
    QTest::newRow("huge hexadecimal") << QByteArray("&H" + QByteArray(400, 'F')) << DBL_MAX;
}

void TestNumberText::fieldValueNeverLeavesTheFiniteRange()
{
    QFETCH(QByteArray, text);
    QFETCH(double, expected);
    const double v = FieldValue(text.toStdString());
    QVERIFY(std::isfinite(v));
    QCOMPARE(v, expected);
}

void TestNumberText::fieldValueReadsLongTexts()
{
    // 100 kB of digits: a 1 followed by zeros is 10^(n-1), far beyond a double.
    std::string ones = "1" + std::string(100000, '0');
    QCOMPARE(FieldValue(ones), DBL_MAX);
    // The same number of zeros after the point, then a digit, underflows to 0.
    QCOMPARE(FieldValue("0." + std::string(100000, '0') + "1"), 0.0);
    // Many digits that still make a small number: the excess only decides the rounding.
    std::string third = "0." + std::string(100000, '3');
    QCOMPARE(FieldValue(third), 1.0 / 3.0);
    // Long digit runs with a compensating exponent.
    QCOMPARE(FieldValue("1" + std::string(1000, '0') + "e-1000"), 1.0);
    QCOMPARE(FieldValue(std::string(100000, ' ') + "42"), 42.0);
}

void TestNumberText::fieldValueIgnoresTheLocale()
{
    // A decimal comma locale must not change what "2.5" means or how 2.5 is written.
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        std::setlocale(LC_NUMERIC, "C.UTF-8");
    QCOMPARE(FieldValue("2.5"), 2.5);
    QCOMPARE(QString::fromStdString(PlainNumberText(2.5)), QString("2.5"));
}

void TestNumberText::plainNumberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole") << 5.0 << "5";
    QTest::newRow("negative") << -12.5 << "-12.5";
    QTest::newRow("quarter") << 0.25 << "0.25";
    QTest::newRow("negative quarter") << -0.25 << "-0.25";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("ten") << 10.0 << "10";
    QTest::newRow("65535") << 65535.0 << "65535";
    QTest::newRow("fifteen digits") << 123456789012345.0 << "123456789012345";
    QTest::newRow("rounded to fifteen digits") << 0.1 + 0.2 << "0.3";
    QTest::newRow("one third") << 1.0 / 3.0 << "0.333333333333333";
    QTest::newRow("large uses exponent") << 1e20 << "1E+20";
    QTest::newRow("small uses exponent") << 0.000025 << "2.5E-05";
    QTest::newRow("largest double") << DBL_MAX << "1.79769313486232E+308";
    QTest::newRow("infinity written finite") << HUGE_VAL << "1.79769313486232E+308";
    QTest::newRow("not a number written as zero") << std::nan("") << "0";
}

void TestNumberText::plainNumberText()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(PlainNumberText(value)), expected);
}

void TestNumberText::signedNumberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("positive") << 20.0 << " 20";
    QTest::newRow("zero") << 0.0 << " 0";
    QTest::newRow("negative zero") << -0.0 << " 0";
    QTest::newRow("negative") << -5.0 << "-5";
    QTest::newRow("quarter") << 0.25 << " .25";
    QTest::newRow("negative quarter") << -0.25 << "-.25";
    QTest::newRow("byte") << 255.0 << " 255";
    QTest::newRow("mixed") << -12.5 << "-12.5";
    QTest::newRow("small with exponent") << 0.000025 << " 2.5E-05";
}

void TestNumberText::signedNumberText()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(SignedNumberText(value)), expected);
}

void TestNumberText::writtenTextsReadBack_data()
{
    QTest::addColumn<double>("value");
    for (double v : {0.0, 1.0, -1.0, 0.25, -0.25, 12.5, 65535.0, 1e20, -2.5e-7, 123456.789012345,
                     DBL_MAX, -DBL_MAX, 1e-300})
        QTest::newRow(qPrintable(QString::number(v, 'g', 17))) << v;
}

void TestNumberText::writtenTextsReadBack()
{
    // What the program writes into a field must read back as the same 15-digit number.
    QFETCH(double, value);
    const double expected = FieldValue(PlainNumberText(value));
    QCOMPARE(FieldValue(SignedNumberText(value)), expected);
    QVERIFY(std::fabs(expected - value) <= std::fabs(value) * 1e-14);
}

void TestNumberText::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");
    QTest::newRow("2.5") << 2.5 << 2.0;
    QTest::newRow("3.5") << 3.5 << 4.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("-3.5") << -3.5 << -4.0;
    QTest::newRow("0.5") << 0.5 << 0.0;
    QTest::newRow("-0.5") << -0.5 << 0.0;
    QTest::newRow("1.5") << 1.5 << 2.0;
    QTest::newRow("2.4999") << 2.4999 << 2.0;
    QTest::newRow("2.5001") << 2.5001 << 3.0;
    QTest::newRow("-0.25") << -0.25 << 0.0;
    QTest::newRow("12.5") << 12.5 << 12.0;
    QTest::newRow("13.5") << 13.5 << 14.0;
    QTest::newRow("beyond 2^53") << 9007199254740993.0 << 9007199254740993.0;
    QTest::newRow("largest double") << DBL_MAX << DBL_MAX;
}

void TestNumberText::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(RoundHalfEven(value), expected);
}

void TestNumberText::roundToInt16_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("expected");
    QTest::newRow("2.5") << 2.5 << true << 2;
    QTest::newRow("3.5") << 3.5 << true << 4;
    QTest::newRow("32767") << 32767.0 << true << 32767;
    QTest::newRow("32767.4") << 32767.4 << true << 32767;
    QTest::newRow("32767.5 does not fit") << 32767.5 << false << 0;
    QTest::newRow("-32768.5 fits") << -32768.5 << true << -32768;
    QTest::newRow("-32768.51 does not fit") << -32768.51 << false << 0;
    QTest::newRow("40000") << 40000.0 << false << 0;
    QTest::newRow("largest double") << DBL_MAX << false << 0;
    QTest::newRow("not a number") << std::nan("") << false << 0;
    QTest::newRow("infinity") << -HUGE_VAL << false << 0;
}

void TestNumberText::roundToInt16()
{
    QFETCH(double, value);
    QFETCH(bool, fits);
    QFETCH(int, expected);
    const auto r = RoundToInt16(value);
    QCOMPARE(r.has_value(), fits);
    if (fits)
        QCOMPARE(int(*r), expected);
}

void TestNumberText::roundToInt32_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("65535.5") << 65535.5 << true << qint64(65536);
    QTest::newRow("-1 + 65536") << 65535.0 << true << qint64(65535);
    QTest::newRow("2147483647.5 does not fit") << 2147483647.5 << false << qint64(0);
    QTest::newRow("-2147483648.5 fits") << -2147483648.5 << true << qint64(-2147483648LL);
    QTest::newRow("1e20") << 1e20 << false << qint64(0);
}

void TestNumberText::roundToInt32()
{
    QFETCH(double, value);
    QFETCH(bool, fits);
    QFETCH(qint64, expected);
    const auto r = RoundToInt32(value);
    QCOMPARE(r.has_value(), fits);
    if (fits)
        QCOMPARE(qint64(*r), expected);
}

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
