// Input type and mode selection on the live window: every row of the mode table, the way a
// type passes through its first mode, and the captions a mode leaves as they were.

#include "controller/modetable.h"
#include "window/configcommands.h"
#include "windowprobe.h"

#include <QSignalSpy>
#include <QtTest>

using namespace morvane;
using namespace morvane::test;

namespace
{

const char* const kMarker3 = "marker 3";
const char* const kMarker4 = "marker 4";

int OtherModeOfSameType(int mode)
{
    for (int m = 1; m <= 11; ++m)
        if (m != mode && Expected(m).type == Expected(mode).type)
            return m;
    return -1;
}

} // namespace

class TestFrmMainModes : public QObject
{
    Q_OBJECT
  private slots:
    void init() { m_window = new FrmMain; }
    void cleanup() { delete m_window; }

    void modeRow_data();
    void modeRow();
    void choosingATypeEndsInItsFirstMode_data();
    void choosingATypeEndsInItsFirstMode();
    void digitalFromZeroToTwentyMa();
    void valuesSurviveModeChanges();
    void selectingTheSelectedOptionRunsNothing();
    void modeZeroAppliesOnlyTheCommonSteps();
    void userClickRunsTheHandlers();
    void captionsAfterReadAreTheWindows_data();
    void captionsAfterReadAreTheWindows();

  private:
    FrmMain* m_window = nullptr;
};

void TestFrmMainModes::modeRow_data()
{
    QTest::addColumn<int>("mode");
    for (int m = 1; m <= 11; ++m)
        QTest::newRow(qPrintable(QString("mode %1").arg(m))) << m;
}

// Reached as the read command reaches it: the type first, then the mode, with marker captions
// in rows 3 and 4 just before so that a kept caption shows as the marker.
void TestFrmMainModes::modeRow()
{
    QFETCH(int, mode);
    FrmMain& w = *m_window;
    const int type = Expected(mode).type;
    w.Option1(type)->setChecked(true);
    w.Option2(OtherModeOfSameType(mode))->setChecked(true);
    w.Label5(3)->setText(kMarker3);
    w.Label5(4)->setText(kMarker4);
    QSignalSpy modeField(w.Text1(2), &QLineEdit::textChanged);
    w.Option2(mode)->setChecked(true);

    QCOMPARE(modeField.count(), 1);
    QCOMPARE(w.Text1(2)->text(), QString::number(mode));
    QCOMPARE(CheckedMode(w), mode);
    QCOMPARE(CheckedType(w), type);
    QCOMPARE(RowMismatch(w, mode), QString());
    QCOMPARE(OptionMismatch(w, type), QString());
    QCOMPARE(w.Label5(3)->text(), Expected(mode).caption3 ? Expected(mode).caption3 : kMarker3);
    QCOMPARE(w.Label5(4)->text(), Expected(mode).caption4 ? Expected(mode).caption4 : kMarker4);
    QCOMPARE(w.InputType(), type);
    QCOMPARE(w.ModeByType(type), mode);
}

void TestFrmMainModes::choosingATypeEndsInItsFirstMode_data()
{
    QTest::addColumn<int>("fromMode");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("firstMode");
    QTest::newRow("0-20mA to Digital") << 2 << 1 << 3;
    QTest::newRow("0-5V to Serial") << 1 << 2 << 8;
    QTest::newRow("Down Timer to Analog") << 10 << 0 << 1;
    QTest::newRow("Modbus Signed Long to Digital") << 11 << 1 << 3;
    QTest::newRow("Frequency to Serial") << 7 << 2 << 8;
    QTest::newRow("ASCII to Analog") << 8 << 0 << 1;
}

// The type's first mode is applied twice (through its option, then directly), and nothing
// of the mode held before survives.
void TestFrmMainModes::choosingATypeEndsInItsFirstMode()
{
    QFETCH(int, fromMode);
    QFETCH(int, type);
    QFETCH(int, firstMode);
    FrmMain& w = *m_window;
    w.Option1(Expected(fromMode).type)->setChecked(true);
    w.Option2(fromMode)->setChecked(true);
    QCOMPARE(CheckedMode(w), fromMode);

    QSignalSpy modeField(w.Text1(2), &QLineEdit::textChanged);
    w.Option1(type)->setChecked(true);
    QCOMPARE(modeField.count(), 1);
    QCOMPARE(w.Text1(2)->text(), QString::number(firstMode));
    QCOMPARE(CheckedMode(w), firstMode);
    QCOMPARE(RowMismatch(w, firstMode), QString());
    QCOMPARE(OptionMismatch(w, type), QString());
    QCOMPARE(w.ModeByType(type), firstMode);
}

void TestFrmMainModes::digitalFromZeroToTwentyMa()
{
    FrmMain& w = *m_window;
    w.Option2(2)->setChecked(true);
    QVERIFY(!w.Text1(10)->isHidden());
    QCOMPARE(w.Label5(3)->text(), "0mA Value: ");
    w.Option1(1)->setChecked(true);
    QVERIFY(w.Option2(3)->isChecked());
    QCOMPARE(w.Label5(3)->text(), "Count By: ");
    QCOMPARE(w.Label5(4)->text(), "Reset To: ");
    QVERIFY(w.Text1(10)->isHidden());
    QVERIFY(w.Label5(10)->isHidden());

    w.Option1(2)->setChecked(true); // Serial keeps the digital captions on disabled rows
    QCOMPARE(w.Text1(2)->text(), "8");
    QCOMPARE(w.Label5(3)->text(), "Count By: ");
    QVERIFY(!w.Text1(3)->isEnabled() && !w.Text1(4)->isEnabled());
    QVERIFY(w.Text1(8)->isEnabled() && w.Text1(9)->isEnabled());
}

void TestFrmMainModes::valuesSurviveModeChanges()
{
    FrmMain& w = *m_window;
    w.Option2(2)->setChecked(true);
    w.Text1(4)->setText("250");
    w.Text1(3)->setText("7");
    const QString fourMa = w.Text1(10)->text();
    const QStringList before = {w.Text1(3)->text(), w.Text1(4)->text(), w.Text1(5)->text()};
    w.Option1(1)->setChecked(true);
    w.Option2(6)->setChecked(true);
    w.Option1(0)->setChecked(true);
    QCOMPARE(QStringList({w.Text1(3)->text(), w.Text1(4)->text(), w.Text1(5)->text()}), before);
    QCOMPARE(w.Text1(10)->text(), fourMa);
    QCOMPARE(w.Label5(4)->text(), "5V Value: ");
}

void TestFrmMainModes::selectingTheSelectedOptionRunsNothing()
{
    FrmMain& w = *m_window;
    w.Text1(2)->setText("7"); // as a read fills it before selecting
    w.Option1(0)->setChecked(true);
    w.Option2(1)->setChecked(true);
    QCOMPARE(w.Text1(2)->text(), "7");
    QCOMPARE(w.ModeByType(0), 0);
}

// A renewed choice of "Analog" before any mode ran under it applies ModeByType's initial 0.
void TestFrmMainModes::modeZeroAppliesOnlyTheCommonSteps()
{
    FrmMain& w = *m_window;
    w.Label5(3)->setText(kMarker3);
    w.SelectInputType(0);
    QCOMPARE(w.Text1(2)->text(), "0");
    QCOMPARE(RowMismatch(w, 0), QString());
    QCOMPARE(w.Label5(3)->text(), kMarker3);
    QVERIFY(w.Option2(1)->isChecked());
}

void TestFrmMainModes::userClickRunsTheHandlers()
{
    FrmMain& w = *m_window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.Option1(1), Qt::LeftButton, {}, QPoint(4, 6));
    QCOMPARE(w.Text1(2)->text(), "3");
    QTest::mouseClick(w.Option2(9), Qt::LeftButton, {}, QPoint(4, 6));
    QCOMPARE(w.Text1(2)->text(), "9");
    QCOMPARE(RowMismatch(w, 9), QString());
    QTest::mouseClick(w.Option2(1), Qt::LeftButton, {}, QPoint(4, 6)); // disabled: nothing
    QCOMPARE(CheckedMode(w), 9);
}

void TestFrmMainModes::captionsAfterReadAreTheWindows_data()
{
    QTest::addColumn<int>("modeRegister");
    for (int value : {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 32768, 65535})
        QTest::newRow(qPrintable(QString("register 4 = %1").arg(value))) << value;
}

// What a file written without a window says of the rows must be what a window fresh from
// a read of the same mode shows, kept captions and the stand-in mode included.
void TestFrmMainModes::captionsAfterReadAreTheWindows()
{
    QFETCH(int, modeRegister);
    // As the register travels: -1 reaches the window as 65535.
    const Registers values{2, std::uint16_t(modeRegister), 0, 100, 500, 20, 1, 3, 0};
    m_window->Commands().ShowRegisterValues(values);

    const auto captions = CaptionsAfterRead(modeRegister);
    for (int row = 0; row < field::kCount; ++row)
        QCOMPARE(QString::fromUtf8(captions[std::size_t(row)].data(),
                                   qsizetype(captions[std::size_t(row)].size())),
                 m_window->Label5(row)->text());
    QCOMPARE(QString::number(ModeSelectedBy(modeRegister)), m_window->Text1(field::kMode)->text());
}

QTEST_MAIN(TestFrmMainModes)
#include "tst_frmmain_modes.moc"
