#include "controller/configsheet.h"
#include "controller/modetable.h"
#include "controller/registerdiff.h"
#include "controller/registermap.h"

#include <QtTest>

using namespace morvane;

class TestRegisterMap : public QObject
{
    Q_OBJECT
  private slots:
    void valueToText_data();
    void valueToText();
    void textToValue_data();
    void textToValue();
    void writeRefusal_data();
    void writeRefusal();
    void eachDifferingRegisterIsListed();
    void valueWords_data();
    void valueWords();
    void sheetMarksTheRowsEachModeUses();
};

void TestRegisterMap::valueToText_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 1 << 0 << 1 << "0";
    QTest::newRow("largest positive") << 5 << 32767 << 1 << "32767";
    QTest::newRow("32768 signed") << 5 << 32768 << 1 << "-32768";
    QTest::newRow("65535 signed") << 9 << 65535 << 11 << "-1";
    QTest::newRow("duration in mode 9") << 3 << 40000 << 9 << "40000";
    QTest::newRow("duration in mode 10") << 3 << 65535 << 10 << "65535";
    QTest::newRow("duration in mode 1") << 3 << 40000 << 1 << "-25536";
    QTest::newRow("duration in mode 11") << 3 << 65535 << 11 << "-1";
    QTest::newRow("other field in timer mode") << 4 << 40000 << 9 << "-25536";
    QTest::newRow("small duration in timer mode") << 3 << 20 << 10 << "20";
    QTest::newRow("negative slot") << 4 << -5 << 1 << "-5";
    QTest::newRow("largest slot") << 4 << INT32_MAX << 1 << "2147418111";
}

void TestRegisterMap::valueToText()
{
    QFETCH(int, field);
    QFETCH(int, value);
    QFETCH(int, mode);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(RegisterValueText(field, value, mode)), text);
}

void TestRegisterMap::textToValue_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("fits32");
    QTest::addColumn<int>("value");
    QTest::newRow("minus one") << QByteArray("-1") << true << 65535;
    QTest::newRow("-32768") << QByteArray("-32768") << true << 32768;
    QTest::newRow("-5") << QByteArray("-5") << true << 65531;
    QTest::newRow("2.5 to even") << QByteArray("2.5") << true << 2;
    QTest::newRow("3.5 to even") << QByteArray("3.5") << true << 4;
    QTest::newRow("12.5") << QByteArray("12.5") << true << 12;
    QTest::newRow("13.5") << QByteArray("13.5") << true << 14;
    QTest::newRow("sign tested before rounding") << QByteArray("-0.25") << true << 65536;
    QTest::newRow("-0.5 + 65536 is a half") << QByteArray("-0.5") << true << 65536;
    QTest::newRow("-1.5") << QByteArray("-1.5") << true << 65534;
    QTest::newRow("trailing unit") << QByteArray("7 kg") << true << 7;
    QTest::newRow("empty") << QByteArray("") << true << 0;
    QTest::newRow("timer duration") << QByteArray("40000") << true << 40000;
    QTest::newRow("hexadecimal") << QByteArray("&HFFFF") << true << 65535;
    QTest::newRow("far below") << QByteArray("-70000") << true << -4464;
    QTest::newRow("32-bit limit") << QByteArray("2147483647") << true << INT32_MAX;
    QTest::newRow("beyond 32 bits") << QByteArray("2147483648") << false << 0;
    QTest::newRow("huge") << QByteArray("1e20") << false << 0;
    QTest::newRow("huge negative") << QByteArray("-1e20") << false << 0;
}

void TestRegisterMap::textToValue()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, fits32);
    QFETCH(int, value);
    const auto result = FieldRegisterValue(text.toStdString());
    QCOMPARE(result.has_value(), fits32);
    if (fits32)
        QCOMPARE(*result, value);
}

void TestRegisterMap::writeRefusal_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("refusal");
    QTest::addColumn<int>("value");
    const int none = int(WriteRefusal::None);
    const int above = int(WriteRefusal::AboveRange);
    const int below = int(WriteRefusal::BelowRange);
    QTest::newRow("0") << QByteArray("0") << none << 0;
    QTest::newRow("65535") << QByteArray("65535") << none << 65535;
    QTest::newRow("65535.5 rounds to 65536") << QByteArray("65535.5") << above << 65536;
    QTest::newRow("65534.5 rounds to even") << QByteArray("65534.5") << none << 65534;
    QTest::newRow("-32768") << QByteArray("-32768") << none << 32768;
    QTest::newRow("-32768.5 rounds to even") << QByteArray("-32768.5") << none << 32768;
    QTest::newRow("-32769") << QByteArray("-32769") << below << 0;
    QTest::newRow("-65536") << QByteArray("-65536") << below << 0;
    QTest::newRow("-65536.5") << QByteArray("-65536.5") << below << 0;
    QTest::newRow("-65537") << QByteArray("-65537") << below << 0;
    QTest::newRow("-1e20") << QByteArray("-1e20") << below << 0;
    QTest::newRow("-0.25") << QByteArray("-0.25") << above << 65536;
    QTest::newRow("-0.75") << QByteArray("-0.75") << none << 65535;
    QTest::newRow("70000") << QByteArray("70000") << above << 70000;
    QTest::newRow("beyond 32 bits") << QByteArray("1e20") << int(WriteRefusal::Beyond32Bits) << 0;
    const int notANumber = int(WriteRefusal::NotANumber);
    for (const char* text : {"5OO", "12abc", "2,5", "", " ", "-", "7 kg", "1e5x", "&H"})
        QTest::addRow("not a number: \"%s\"", text) << QByteArray(text) << notANumber << 0;
    QTest::newRow("1e3") << QByteArray("1e3") << none << 1000;
    QTest::newRow("&H10") << QByteArray("&H10") << none << 16;
    QTest::newRow("leading blank") << QByteArray(" 25") << none << 25;
    QTest::newRow("-7") << QByteArray("-7") << none << 65529;
    QTest::newRow("blanks inside") << QByteArray("1 000") << none << 1000;
}

void TestRegisterMap::writeRefusal()
{
    QFETCH(QByteArray, text);
    QFETCH(int, refusal);
    QFETCH(int, value);
    const RegisterWrite write = RegisterWriteOfText(text.toStdString());
    QCOMPARE(int(write.refusal), refusal);
    if (write.refusal == WriteRefusal::None || write.refusal == WriteRefusal::AboveRange)
        QCOMPARE(write.value, value);

    // The page records the text as typed, and as sent only what a write would send.
    std::array<ShownRow, field::kCount> rows{};
    rows[field::kDispDelay].text = text.toStdString();
    const SheetRow row = SheetOfShownRows(rows, 0, 1, {}).rows[field::kDispDelay];
    QCOMPARE(QByteArray::fromStdString(row.text), text);
    QCOMPARE(row.sent.has_value(), refusal == int(WriteRefusal::None));
    if (row.sent)
        QCOMPARE(int(*row.sent), value);
    const ValueFault fault = refusal == int(WriteRefusal::None)         ? ValueFault::None
                             : refusal == int(WriteRefusal::NotANumber) ? ValueFault::NotANumber
                                                                        : ValueFault::OutOfRange;
    QCOMPARE(int(row.fault), int(fault));
}

// Whatever the mode, the mode's own row counts as used though the options set it, Debounce as
// used by none, the 4 mA value only in 0-20mA, Digits and Dec Place always; the rest as the
// window greys them. Digits is held to what a file can hold.
void TestRegisterMap::sheetMarksTheRowsEachModeUses()
{
    for (const int modeRegister : {0, 1, 2, 3, 6, 8, 9, 11, 12}) {
        Registers registers{2, std::uint16_t(modeRegister), 0, 100, 500, 20, 1, 3, 0};
        const ConfigSheet sheet = SheetAfterShowing(ConfigurationAsShown(5, registers));
        const int mode = ModeSelectedBy(modeRegister);
        QCOMPARE(QString::fromStdString(sheet.mode).trimmed(), QString::fromStdString(sheet.mode));
        QCOMPARE(sheet.rows[field::kMode].text, std::to_string(mode));
        for (int r = 0; r < field::kCount; ++r) {
            const bool used = r == field::kFourMa     ? mode == mode::k0To20mA
                              : r == field::kDebounce ? false
                              : r <= field::kMode     ? true
                                                      : ModeRowFor(mode).RowEnabled(r);
            QVERIFY2(sheet.rows[std::size_t(r)].used == used,
                     qPrintable(QString("mode %1, row %2").arg(modeRegister).arg(r)));
            QVERIFY(!sheet.rows[std::size_t(r)].caption.ends_with(' '));
            QCOMPARE(int(sheet.rows[std::size_t(r)].fault), int(ValueFault::None));
        }
    }
    std::array<ShownRow, field::kCount> rows{};
    for (const auto& [digits, fault] : {std::pair{"5x", ValueFault::NotANumber},
                                        {"5.5", ValueFault::OutOfRange},
                                        {"10", ValueFault::None}}) {
        rows[field::kDigits].text = digits;
        QCOMPARE(int(SheetOfShownRows(rows, 0, 1, {}).rows[field::kDigits].fault), int(fault));
    }
}

// Any one register changed, to either end of its range, is the one difference found; every
// register changed at once gives all nine, lowest first.
void TestRegisterMap::eachDifferingRegisterIsListed()
{
    const Registers base{2, 1, 0, 100, 500, 20, 1, 3, 65535};
    QVERIFY(DifferingRegisters(base, base).empty());
    for (std::size_t k = 0; k < base.size(); ++k) {
        for (const std::uint16_t other : {std::uint16_t(0), std::uint16_t(65535)}) {
            if (base[k] == other)
                continue;
            Registers held = base;
            held[k] = other;
            const std::vector<RegisterDifference> expected{{int(3 + k), base[k], other}};
            QCOMPARE(DifferingRegisters(base, held), expected);
        }
    }
    Registers allOther = base;
    for (std::uint16_t& value : allOther)
        value ^= 1;
    const std::vector<RegisterDifference> all = DifferingRegisters(base, allOther);
    QCOMPARE(all.size(), std::size_t(9));
    QCOMPARE(all.front().reg, 3);
    QCOMPARE(all.back().reg, 11);
}

void TestRegisterMap::valueWords_data()
{
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("words");
    QTest::newRow("mode named") << 4 << 9 << "9 (Up Timer)";
    QTest::newRow("mode caption without its blanks") << 4 << 3 << "3 (Counter)";
    QTest::newRow("last mode") << 4 << 11 << "11 (Modbus Signed Long)";
    QTest::newRow("mode 0") << 4 << 0 << "0 (no such mode)";
    QTest::newRow("mode 12") << 4 << 12 << "12 (no such mode)";
    QTest::newRow("other register holding a mode's number") << 5 << 9 << "9";
    QTest::newRow("register value, not its signed reading") << 11 << 65535 << "65535";
}

void TestRegisterMap::valueWords()
{
    QFETCH(int, reg);
    QFETCH(int, value);
    QFETCH(QString, words);
    QCOMPARE(QString::fromStdString(RegisterValueWords(reg, std::uint16_t(value))), words);
}

QTEST_APPLESS_MAIN(TestRegisterMap)
#include "tst_registermap.moc"
