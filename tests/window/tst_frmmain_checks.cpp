// The entry checks on the live window: corrections written into the fields, nested in the
// order the checks make them, the preview, and the 0 mA / 4 mA pair.

#include "windowprobe.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>

using namespace morvane;
using namespace morvane::test;

class TestFrmMainChecks : public QObject
{
    Q_OBJECT
  private slots:
    void init() { m_window = new FrmMain; }
    void cleanup() { delete m_window; }

    void corrections_data();
    void corrections();
    void typedLikeSetFromCode();
    void decPlaceNeverEndsAboveDigits();
    void pair_data();
    void pair();
    void twentyMaAloneRecomputesNothing();
    void exchangeEnds_data();
    void exchangeEnds();
    void typingLandsWhereTyped_data();
    void typingLandsWhereTyped();
    void rewritingTheSameTextKeepsTheSelection();

  private:
    // Every text change of the fields, each logged when its handling has ended: Qt calls the
    // window's handler before this log, so the corrections a change causes come before it.
    QStringList Log(const std::function<void()>& action);
    void Set(int index, const QString& text) { m_window->Text1(index)->setText(text); }

    FrmMain* m_window = nullptr;
};

QStringList TestFrmMainChecks::Log(const std::function<void()>& action)
{
    QStringList log;
    QList<QMetaObject::Connection> connections;
    for (int i = 0; i <= 10; ++i) {
        connections << connect(
            m_window->Text1(i), &QLineEdit::textChanged, this,
            [&log, i](const QString& t) { log << QString("%1:%2").arg(i).arg(t); });
    }
    action();
    for (const auto& c : connections)
        disconnect(c);
    return log;
}

void TestFrmMainChecks::corrections_data()
{
    QTest::addColumn<QString>("digits"); // written first; empty keeps "5"
    QTest::addColumn<QString>("decPlace");
    QTest::addColumn<QStringList>("log"); // changes made by the Dec Place write
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    auto row = [](const char* name, QString d, QString p, QStringList log, QString min,
                  QString max) { QTest::newRow(name) << d << p << log << min << max; };
    row("negative Dec Place", "", "-3", {"1:0", "1:-3"}, "-9999", "99999");
    row("Dec Place 12", "10", "12", {"1:9", "1:12"}, "-9.99999999", "99.99999999");
    row("Dec Place 7 with Digits 4", "4", "7", {"1:4", "1:7"}, "-.999", "9.999");
    row("Digits 10 with Dec Place 10", "10", "10", {"1:9", "1:10"}, "-9.99999999", "99.99999999");
    row("equal to Digits in plain form", "5", "5", {"1:5"}, "-.9999", "9.9999");
    row("equal to Digits, rewritten plain", "5", "5.0", {"1:5", "1:5.0"}, "-.9999", "9.9999");
    row("empty Dec Place stays empty", "", "", {"1:"}, "-9999", "99999");
    row("non-numeric Dec Place stays", "", "x", {"1:x"}, "-9999", "99999");
    row("trailing text stays", "", "3x", {"1:3x"}, "-99.99", "999.99");
    row("fractional Dec Place", "", "2.5", {"1:2.5"}, "-9999", "99999");
    row("Dec Place 1", "", "1", {"1:1"}, "-9999.", "99999.");
}

void TestFrmMainChecks::corrections()
{
    QFETCH(QString, digits);
    QFETCH(QString, decPlace);
    QFETCH(QStringList, log);
    QFETCH(QString, min);
    QFETCH(QString, max);
    if (!digits.isEmpty())
        Set(0, digits);
    QCOMPARE(Log([&] { Set(1, decPlace); }), log);
    QCOMPARE(m_window->Label3()->text(), min);
    QCOMPARE(m_window->Label4()->text(), max);
}

// A correction of Digits re-enters the checks, which correct Dec Place before the outer
// run goes on; each write happens once. Typed keys are changes like texts set from code.
void TestFrmMainChecks::typedLikeSetFromCode()
{
    const QStringList lowered = Log([&] {
        Set(1, "4");
        Set(0, "3");
    });
    QCOMPARE(lowered, QStringList({"1:4", "1:3", "0:3"}));
    QCOMPARE(m_window->Label3()->text(), "-.99");
    QCOMPARE(m_window->Label4()->text(), "9.99");

    QLineEdit* digits = m_window->Text1(0);
    const QStringList typed = Log([&] {
        digits->selectAll();
        QTest::keyClicks(digits, "abc");
    });
    // "a" reads as 0 and becomes "1", which pulls Dec Place down; "1b" and "1bc" read 1.
    // Typing goes on after the rewritten text.
    QCOMPARE(typed, QStringList({"1:1", "0:1", "0:a", "0:1b", "0:1bc"}));
    QCOMPARE(m_window->Text1(1)->text(), "1");
    QCOMPARE(m_window->Label3()->text(), "-.");
    QCOMPARE(m_window->Label4()->text(), "9.");

    QCOMPARE(Log([&] { Set(0, "25"); }), QStringList({"0:10", "0:25"}));
    QCOMPARE(Log([&] { Set(0, ""); }), QStringList({"0:1", "0:"}));
    QCOMPARE(m_window->Label3()->text(), "-.");
    QCOMPARE(m_window->Label4()->text(), "9.");
    QCOMPARE(Log([&] { Set(1, "0"); }), QStringList({"1:0"}));
    QCOMPARE(m_window->Label3()->text(), "0");
    QCOMPARE(Log([&] {
                 Set(0, "5.5");
                 Set(1, "2");
             }),
             QStringList({"0:5.5", "1:2"}));
    QCOMPARE(m_window->Label3()->text(), "-9999");
    QCOMPARE(m_window->Label4()->text(), "99999");
}

// Fifteen digits of a long Digits text can round above it; Dec Place must still not exceed it.
void TestFrmMainChecks::decPlaceNeverEndsAboveDigits()
{
    Set(0, "5.1234567890123456");
    Set(1, "9");
    QVERIFY(Num(m_window->Text1(1)) <= Num(m_window->Text1(0)));
    QCOMPARE(m_window->Text1(1)->text(), "5.123456789012345");
}

void TestFrmMainChecks::pair_data()
{
    QTest::addColumn<QString>("twentyMa");
    QTest::addColumn<int>("changed"); // 3 or 10
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("zeroMa"); // Text1(3) afterwards
    QTest::addColumn<QString>("fourMa"); // Text1(10) afterwards
    QTest::newRow("worked example") << "100" << 3 << "0"
                                    << " 0"
                                    << "20";
    QTest::newRow("4 typed with 20 mA at 20") << "20" << 10 << "4"
                                              << " 0"
                                              << "4";
    QTest::newRow("negative 0 mA value") << "100" << 10 << "-10"
                                         << "-37.5"
                                         << "-10";
    QTest::newRow("quarter into 0 mA") << "5.25" << 10 << "1.25"
                                       << " .25"
                                       << "1.25";
    QTest::newRow("quarter into 4 mA") << "1.25" << 3 << "0"
                                       << " 0"
                                       << "0.25";
    QTest::newRow("non-numeric 0 mA reads 0 and is rewritten") << "100" << 3 << "abc"
                                                               << " 0"
                                                               << "20";
    QTest::newRow("empty 4 mA reads 0 and is rewritten") << "50" << 10 << ""
                                                         << "-12.5"
                                                         << "0";
}

void TestFrmMainChecks::pair()
{
    QFETCH(QString, twentyMa);
    QFETCH(int, changed);
    QFETCH(QString, text);
    QFETCH(QString, zeroMa);
    QFETCH(QString, fourMa);
    Set(4, twentyMa);
    Set(10, "24");
    Set(changed, text);
    QCOMPARE(m_window->Text1(3)->text(), zeroMa);
    QCOMPARE(m_window->Text1(10)->text(), fourMa);
}

void TestFrmMainChecks::twentyMaAloneRecomputesNothing()
{
    Set(3, "10");
    QCOMPARE(m_window->Text1(10)->text(), "28");
    QCOMPARE(m_window->Text1(3)->text(), " 10");
    QCOMPARE(Log([&] { Set(4, "500"); }), QStringList({"4:500"}));
    QCOMPARE(m_window->Text1(10)->text(), "28");
}

void TestFrmMainChecks::exchangeEnds_data()
{
    QTest::addColumn<QString>("twentyMa");
    QTest::addColumn<int>("changed");
    QTest::addColumn<QString>("text");
    // Rounding in the last digit makes these two chase each other without end.
    QTest::newRow("chasing pair") << "-497.943359375" << 3 << "5.57489013671875";
    QTest::newRow("chasing pair, small") << "6.90448760986328" << 3 << "-0.599750518798828";
    QTest::newRow("chasing pair from 4 mA") << "-497.943359375" << 10 << "-95.1287597656252";
    QTest::newRow("huge") << "1e308" << 3 << "-1.7976931348623157e308";
    QTest::newRow("huge both") << "-1e308" << 10 << "1e400";
    QTest::newRow("tiny") << "4.9e-324" << 3 << "-4.9e-324";
    QTest::newRow("tiny 4 mA") << "1e-300" << 10 << "3e-310";
    QTest::newRow("long exponent") << "1" << 3 << "1e99999999999999999999";
    QTest::newRow("hexadecimal") << "&HFFFFFFFFFFFFFFFF" << 10 << "&H7FFFFFFF";
    QTest::newRow("many digits") << "3" << 3 << QString(5000, '7');
    QTest::newRow("sign only") << "-" << 10 << "-";
}

// Whatever the values, the exchange returns after a few writes with the pair as close as
// the texts' fifteen digits allow.
void TestFrmMainChecks::exchangeEnds()
{
    QFETCH(QString, twentyMa);
    QFETCH(int, changed);
    QFETCH(QString, text);
    Set(4, twentyMa);
    QSignalSpy zero(m_window->Text1(3), &QLineEdit::textChanged);
    QSignalSpy four(m_window->Text1(10), &QLineEdit::textChanged);
    Set(changed, text);
    QVERIFY(zero.count() + four.count() <= 8);
    const double v0 = Num(m_window->Text1(3));
    const double v4 = Num(m_window->Text1(10));
    const double v20 = Num(m_window->Text1(4));
    QVERIFY(std::isfinite(v0) && std::isfinite(v4));
    const double scale = std::max({std::fabs(v0), std::fabs(v20), 1e-300});
    if (scale < 1e300) // beyond it the values are held at the largest double
        QVERIFY2(std::fabs(v4 - (v0 + (v20 - v0) / 5)) <= 1e-13 * scale,
                 qPrintable(m_window->Text1(3)->text() + " " + m_window->Text1(10)->text()));
}

namespace
{

// A field's text with its caret as '|', or a selection as '[...]' with the caret at its end.
struct Edit {
    QString text;
    int caret = 0;
    int selectionStart = -1;
};

Edit Parse(const QString& marked)
{
    Edit edit;
    edit.text = marked;
    edit.selectionStart = int(edit.text.indexOf('['));
    if (edit.selectionStart >= 0)
        edit.text.remove(edit.selectionStart, 1);
    edit.caret = int(edit.text.indexOf(edit.selectionStart >= 0 ? ']' : '|'));
    edit.text.remove(edit.caret, 1);
    return edit;
}

QString Marked(const QLineEdit* field)
{
    QString text = field->text();
    text.insert(field->cursorPosition(), '|');
    return text;
}

} // namespace

void TestFrmMainChecks::typingLandsWhereTyped_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("before"); // the caret as '|', a selection as '[...]'
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("after");
    // The 0 mA / 4 mA exchange writes the field back after every key.
    QTest::newRow("into the 0 mA value") << 3 << " 2|5.5"
                                         << "07"
                                         << " 207|5.5";
    QTest::newRow("the exchange adds the sign column") << 3 << "2|5.5"
                                                       << "0"
                                                       << " 20|5.5";
    QTest::newRow("a minus takes the sign column") << 3 << " |25.5"
                                                   << "-"
                                                   << "-|25.5";
    QTest::newRow("replacing the whole value") << 3 << "[ 25.5]"
                                               << "7"
                                               << " 7|";
    QTest::newRow("into the 4 mA value") << 10 << "2|0"
                                         << "5"
                                         << "25|0";
    QTest::newRow("into the 20 mA value") << 4 << "1|00"
                                          << "5"
                                          << "15|00";
    // Corrections of the display format.
    QTest::newRow("Digits held to 10") << 0 << "|5"
                                       << "1"
                                       << "1|0";
    QTest::newRow("Digits held to 10, typed at the end") << 0 << "5|"
                                                         << "0"
                                                         << "10|";
    QTest::newRow("Dec Place held to Digits") << 1 << "2|"
                                              << "7"
                                              << "5|";
    QTest::newRow("Dec Place left as typed") << 1 << "|2"
                                             << "x"
                                             << "x|2";
}

// Typed as the user types: in the focused field, key by key.
void TestFrmMainChecks::typingLandsWhereTyped()
{
    QFETCH(int, field);
    QFETCH(QString, before);
    QFETCH(QString, keys);
    QFETCH(QString, after);
    QLineEdit* edit = m_window->Text1(field);
    const Edit start = Parse(before);
    {
        const QSignalBlocker asTypedEarlier(edit);
        edit->setText(start.text);
    }
    edit->setFocus(Qt::MouseFocusReason);
    if (start.selectionStart >= 0)
        edit->setSelection(start.selectionStart, start.caret - start.selectionStart);
    else
        edit->setCursorPosition(start.caret);
    QTest::keyClicks(edit, keys);
    QCOMPARE(Marked(edit), after);
}

// A read ends by computing the 4 mA value afresh, which writes the 0 mA value back unchanged.
void TestFrmMainChecks::rewritingTheSameTextKeepsTheSelection()
{
    QLineEdit* zeroMa = m_window->Text1(3);
    Set(3, " 25.5");
    Set(4, "200");
    zeroMa->setFocus(Qt::MouseFocusReason);
    zeroMa->setSelection(1, 2); // "25"
    QSignalSpy changes(zeroMa, &QLineEdit::textChanged);
    m_window->RecomputeFourMa();
    QCOMPARE(m_window->Text1(10)->text(), "60.4");
    QCOMPARE(changes.count(), 0);
    QCOMPARE(zeroMa->selectedText(), "25");
    QCOMPARE(zeroMa->cursorPosition(), 3);
}

QTEST_MAIN(TestFrmMainChecks)
#include "tst_frmmain_checks.moc"
