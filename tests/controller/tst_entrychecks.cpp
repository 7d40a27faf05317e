#include "common/numbertext.h"
#include "controller/entrychecks.h"

#include <QtTest>

#include <cfloat>
#include <cmath>

using namespace morvane;

class TestEntryChecks : public QObject
{
    Q_OBJECT
  private slots:
    void displayPreview_data();
    void displayPreview();
    void decPlaceLimit_data();
    void decPlaceLimit();
    void fourMa_data();
    void fourMa();
    void zeroMa_data();
    void zeroMa();
    void pairFormulasAreInverse_data();
    void pairFormulasAreInverse();
};

void TestEntryChecks::displayPreview_data()
{
    QTest::addColumn<double>("digits");
    QTest::addColumn<double>("decPlace");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::newRow("5 0") << 5.0 << 0.0 << "-9999"
                         << "99999";
    QTest::newRow("5 1") << 5.0 << 1.0 << "-9999."
                         << "99999.";
    QTest::newRow("5 2") << 5.0 << 2.0 << "-999.9"
                         << "9999.9";
    QTest::newRow("5 3") << 5.0 << 3.0 << "-99.99"
                         << "999.99";
    QTest::newRow("5 4") << 5.0 << 4.0 << "-9.999"
                         << "99.999";
    QTest::newRow("5 5") << 5.0 << 5.0 << "-.9999"
                         << "9.9999";
    QTest::newRow("1 0") << 1.0 << 0.0 << "0"
                         << "9";
    QTest::newRow("1 1") << 1.0 << 1.0 << "-."
                         << "9.";
    QTest::newRow("2 2") << 2.0 << 2.0 << "-.9"
                         << "9.9";
    QTest::newRow("3 3") << 3.0 << 3.0 << "-.99"
                         << "9.99";
    QTest::newRow("10 0") << 10.0 << 0.0 << "-999999999"
                          << "9999999999";
    QTest::newRow("10 9") << 10.0 << 9.0 << "-9.99999999"
                          << "99.99999999";
    QTest::newRow("10 1") << 10.0 << 1.0 << "-999999999."
                          << "9999999999.";
    // Fractions match no position exactly, so they place no interior point.
    QTest::newRow("5.5 2: n is 4, halves to even") << 5.5 << 2.0 << "-9999"
                                                   << "99999";
    QTest::newRow("6.5 2: n is 6") << 6.5 << 2.0 << "-999999"
                                   << "9999999";
    QTest::newRow("5 2.5") << 5.0 << 2.5 << "-9999"
                           << "99999";
    QTest::newRow("5 1.0000001") << 5.0 << 1.0000001 << "-9999"
                                 << "99999";
    QTest::newRow("1.4 0: n rounds to 0") << 1.4 << 0.0 << "0"
                                          << "9";
    QTest::newRow("1.6 0: n rounds to 1") << 1.6 << 0.0 << "-9"
                                          << "99";
    QTest::newRow("empty Dec Place reads 0") << 5.0 << 0.0 << "-9999"
                                             << "99999";
    // Outside what the checks let through: the row stays within the display's ten digits.
    QTest::newRow("huge digits") << 1e300 << 0.0 << "-9999999999"
                                 << "99999999999";
    QTest::newRow("negative digits") << -5.0 << 1.0 << "-."
                                     << "9.";
}

void TestEntryChecks::displayPreview()
{
    QFETCH(double, digits);
    QFETCH(double, decPlace);
    QFETCH(QString, min);
    QFETCH(QString, max);
    const DisplayRange range = DisplayPreview(digits, decPlace);
    QCOMPARE(QString::fromStdString(range.min), min);
    QCOMPARE(QString::fromStdString(range.max), max);
}

void TestEntryChecks::decPlaceLimit_data()
{
    QTest::addColumn<double>("digits");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 4.0 << "4";
    QTest::newRow("ten") << 10.0 << "10";
    QTest::newRow("fraction") << 5.5 << "5.5";
    QTest::newRow("fifteen digits round down") << 5.12345678901234 << "5.12345678901234";
    // Fifteen digits would read back as 5.12345678901235, above Digits.
    QTest::newRow("rounded up needs the exact form") << 5.1234567890123456 << "5.123456789012345";
}

void TestEntryChecks::decPlaceLimit()
{
    QFETCH(double, digits);
    QFETCH(QString, text);
    const std::string written = DecPlaceLimitText(digits);
    QCOMPARE(QString::fromStdString(written), text);
    QVERIFY(FieldValue(written) <= digits);
}

void TestEntryChecks::fourMa_data()
{
    QTest::addColumn<double>("zeroMa");
    QTest::addColumn<double>("twentyMa");
    QTest::addColumn<QString>("text");
    QTest::newRow("worked example") << 0.0 << 100.0 << "20";
    QTest::newRow("offset range") << 20.0 << 100.0 << "36";
    QTest::newRow("quarter") << 0.0 << 1.25 << "0.25";
    QTest::newRow("negative") << -37.5 << 100.0 << "-10";
    QTest::newRow("falling range") << 100.0 << 0.0 << "80";
    QTest::newRow("q read back from 15 digits") << 0.0 << 1.0 / 3.0 << "0.0666666666666667";
    // The span overflows a double; the value is still the fifth of the way.
    QTest::newRow("span beyond a double") << -DBL_MAX << DBL_MAX << "-1.07861588091739E+308";
    QTest::newRow("result held finite") << DBL_MAX << DBL_MAX << "1.79769313486232E+308";
}

void TestEntryChecks::fourMa()
{
    QFETCH(double, zeroMa);
    QFETCH(double, twentyMa);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(FourMaText(zeroMa, twentyMa)), text);
}

void TestEntryChecks::zeroMa_data()
{
    QTest::addColumn<double>("fourMa");
    QTest::addColumn<double>("twentyMa");
    QTest::addColumn<QString>("text");
    QTest::newRow("worked example") << 20.0 << 100.0 << " 0";
    QTest::newRow("typed 4 with 20 mA at 20") << 4.0 << 20.0 << " 0";
    QTest::newRow("negative, no blank") << -10.0 << 100.0 << "-37.5";
    QTest::newRow("quarter without leading zero") << 1.25 << 5.25 << " .25";
    QTest::newRow("non-numeric reads 0") << 0.0 << 0.0 << " 0";
    QTest::newRow("span beyond a double") << -DBL_MAX << DBL_MAX << "-1.79769313486232E+308";
}

void TestEntryChecks::zeroMa()
{
    QFETCH(double, fourMa);
    QFETCH(double, twentyMa);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(ZeroMaText(fourMa, twentyMa)), text);
}

void TestEntryChecks::pairFormulasAreInverse_data()
{
    QTest::addColumn<double>("zeroMa");
    QTest::addColumn<double>("twentyMa");
    QTest::newRow("0 100") << 0.0 << 100.0;
    QTest::newRow("-50 50") << -50.0 << 50.0;
    QTest::newRow("fractions") << 0.1 << 0.7;
    QTest::newRow("large") << -1e12 << 3e14;
    QTest::newRow("tiny") << 1e-9 << -3e-8;
}

// V4 = V0 + (V20 - V0) / 5 after either write, to the fifteen digits the texts carry.
void TestEntryChecks::pairFormulasAreInverse()
{
    QFETCH(double, zeroMa);
    QFETCH(double, twentyMa);
    const double fourMa = FieldValue(FourMaText(zeroMa, twentyMa));
    const double back = FieldValue(ZeroMaText(fourMa, twentyMa));
    const double scale = std::max({std::fabs(zeroMa), std::fabs(twentyMa), 1e-300});
    QVERIFY2(std::fabs(back - zeroMa) <= 1e-13 * scale, qPrintable(QString::number(back, 'g', 17)));
}

QTEST_APPLESS_MAIN(TestEntryChecks)
#include "tst_entrychecks.moc"
