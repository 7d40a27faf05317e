// "Read From Controller" and "Write To Controller" through the real window, over a
// pseudo-terminal, against the virtual controller.

#include "clirun.h"
#include "commandfixture.h"

#include "common/numbertext.h"
#include "configfile/configfile.h"
#include "controller/entrychecks.h"
#include "port/stopsignals.h"
#include "window/compareresult.h"
#include "window/filemenu.h"
#include "window/windowsettings.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <unistd.h>

using namespace morvane;
using namespace morvane::testing;

namespace
{

QAction* Action(const FrmMain& window, const char* name)
{
    return window.findChild<QAction*>(name);
}

QString RegisterText(const Registers& registers)
{
    QStringList values;
    for (const std::uint16_t value : registers)
        values << QString::number(value);
    return values.join(',');
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase();
    void readFillsFieldsAndSelectsTheMode_data();
    void readFillsFieldsAndSelectsTheMode();
    void writeThenReadGivesBackTheValues_data();
    void writeThenReadGivesBackTheValues();
    void unknownModeReadTwiceIsWrittenAsEleven_data();
    void unknownModeReadTwiceIsWrittenAsEleven();
    void timerDurationTravelsUnsigned();
    void configurationFileCarriesTheRegisters();
    void commandLineSendsWhatTheWindowSends_data();
    void commandLineSendsWhatTheWindowSends();
    void refusedWriteSendsNothing_data();
    void refusedWriteSendsNothing();
    void entryChecksRunOnFilledFields();
    void controllerFailuresKeepTheWindow_data();
    void controllerFailuresKeepTheWindow();
    void silentControllerOnWrite();
    void silentControllerOnRead();
    void portThatCannotBeOpened_data();
    void portThatCannotBeOpened();
    void commandsAreRefusedWhileOneRuns();
    void closingTheWindowEndsAWaitingCommand_data();
    void closingTheWindowEndsAWaitingCommand();
    void messageBoxHasOneOkButtonAndNoIcon();
    void lineTrafficShowsNoiseBeforeTheAnswer();
    void eachRegisterDifferenceIsCaught_data();
    void eachRegisterDifferenceIsCaught();
    void compareShowsTheRowsThatDiffer();
    void verifyAfterWriting_data();
    void verifyAfterWriting();

  private:
    QTemporaryDir m_settings;
};

// Settings of their own: a verify turned on here must not reach the other tests' writes.
void TestCommands::initTestCase()
{
    QVERIFY(m_settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    QVERIFY(!VerifyAfterWritingSetting());
}

// A read recomputes the hidden 4 mA value from the 0 mA and 20 mA values read, and a new 4 mA
// value writes the 0 mA value back in its signed form: hence the leading blank in the third
// field after most reads.
void TestCommands::readFillsFieldsAndSelectsTheMode_data()
{
    QTest::addColumn<QString>("registers");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("mode");
    const auto row = [](const char* name, const char* regs, QStringList fields, int type,
                        int mode) {
        QTest::newRow(name) << QString(regs) << fields << type << mode;
    };
    row("0-5V", "2,1,0,100,500,20,1,3,0", {"2", "1", " 0", "100", "500", "20", "1", "3", "0"}, 0,
        1);
    row("0-20mA", "1,2,10,90,250,20,1,3,0", {"1", "2", " 10", "90", "250", "20", "1", "3", "0"}, 0,
        2);
    row("Counter, signed values", "0,3,65535,32768,32767,20,1,3,0",
        {"0", "3", "-1", "-32768", "32767", "20", "1", "3", "0"}, 1, 3);
    row("ASCII", "2,8,0,100,500,20,17,7,2", {"2", "8", " 0", "100", "500", "20", "17", "7", "2"}, 2,
        8);
    row("Up Timer shows the duration unsigned", "2,9,40000,100,500,20,1,3,0",
        {"2", "9", " 40000", "100", "500", "20", "1", "3", "0"}, 1, 9);
    row("Down Timer", "2,10,65535,100,500,20,1,3,0",
        {"2", "10", " 65535", "100", "500", "20", "1", "3", "0"}, 1, 10);
    row("Modbus Signed Long", "2,11,0,100,500,20,5,4,1",
        {"2", "11", " 0", "100", "500", "20", "5", "4", "1"}, 2, 11);
    // A mode the window does not know is shown as "Modbus Signed Long".
    row("mode 0", "2,0,0,100,500,20,1,3,0", {"2", "11", " 0", "100", "500", "20", "1", "3", "0"}, 2,
        11);
    row("mode 12", "2,12,0,100,500,20,1,3,0", {"2", "11", " 0", "100", "500", "20", "1", "3", "0"},
        2, 11);
    row("mode 65535 reads as -1", "2,65535,0,100,500,20,1,3,0",
        {"2", "11", " 0", "100", "500", "20", "1", "3", "0"}, 2, 11);
}

void TestCommands::readFillsFieldsAndSelectsTheMode()
{
    QFETCH(QString, registers);
    QFETCH(QStringList, fields);
    QFETCH(int, type);
    QFETCH(int, mode);
    CommandFixture f;
    QVERIFY2(f.StartSim({"--registers", registers}), qPrintable(f.sim.ErrorText()));

    f.window.Command1()->click();

    QCOMPARE(f.Status(), QString("Read OK"));
    QCOMPARE(f.Fields(), fields);
    QVERIFY(f.window.Option1(type)->isChecked());
    QVERIFY(f.window.Option2(mode)->isChecked());
    QCOMPARE(f.sim.Requests(), QStringList{"request fn=3 addr=2 count=9"});
    QVERIFY(f.messages.isEmpty());
    QVERIFY(!f.window.Comm1()->PortOpen());
    // The 4 mA value follows the 0 mA and 20 mA values read, not the 20 mA value before.
    const auto value = [&](int i) { return FieldValue(f.window.Text1(i)->text().toStdString()); };
    QCOMPARE(f.window.Text1(10)->text().toStdString(), FourMaText(value(3), value(4)));
}

void TestCommands::unknownModeReadTwiceIsWrittenAsEleven_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("0") << "0";
    QTest::newRow("12") << "12";
    QTest::newRow("65535") << "65535";
}

// The second read finds "Modbus Signed Long" already selected, so selecting it runs nothing;
// the mode field must still show, and the write send, the mode the window shows.
void TestCommands::unknownModeReadTwiceIsWrittenAsEleven()
{
    QFETCH(QString, mode);
    CommandFixture f;
    QVERIFY2(f.StartSim({"--registers", "2," + mode + ",0,100,500,20,1,3,0"}),
             qPrintable(f.sim.ErrorText()));
    for (int read = 0; read < 2; ++read) {
        f.window.Command1()->click();
        QCOMPARE(f.Status(), QString("Read OK"));
        QCOMPARE(f.window.Text1(2)->text(), QString("11"));
        QVERIFY(f.window.Option2(11)->isChecked());
    }
    f.window.Command2()->click();
    QCOMPARE(f.Status(), QString("Read OK"));
    QVERIFY(f.sim.WaitForRequests(3));
    QVERIFY2(f.sim.Requests().last().endsWith("values=2,11,0,100,500,20,1,3,0"),
             qPrintable(f.sim.Requests().last()));
}

void TestCommands::writeThenReadGivesBackTheValues_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QStringList>("readBack");
    QTest::newRow("design values")
        << QStringList{"2", "1", "0", "100", "500", "20", "1", "3", "0"} << "2,1,0,100,500,20,1,3,0"
        << QStringList{"2", "1", " 0", "100", "500", "20", "1", "3", "0"};
    QTest::newRow("negative values as 16-bit complements")
        << QStringList{"2", "1", "-5", "-32768", "-1", "20", "1", "3", "0"}
        << "2,1,65531,32768,65535,20,1,3,0"
        << QStringList{"2", "1", "-5", "-32768", "-1", "20", "1", "3", "0"};
    QTest::newRow("half to even, blanks and other notations")
        << QStringList{"2", "1", "12.5", "13.5", " 7 ", "1e3", "&H10", "3", "0"}
        << "2,1,12,14,7,1000,16,3,0"
        << QStringList{"2", "1", " 12", "14", "7", "1000", "16", "3", "0"};
    QTest::newRow("largest register value")
        << QStringList{"2", "1", "65535", "32767", "500", "20", "1", "3", "0"}
        << "2,1,65535,32767,500,20,1,3,0"
        << QStringList{"2", "1", "-1", "32767", "500", "20", "1", "3", "0"};
}

void TestCommands::writeThenReadGivesBackTheValues()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, sent);
    QFETCH(QStringList, readBack);
    CommandFixture f;
    QVERIFY2(f.StartSim(), qPrintable(f.sim.ErrorText()));
    f.SetFields(typed);

    f.window.Command2()->click();
    QCOMPARE(f.Status(), QString("Read OK"));
    QVERIFY(f.messages.isEmpty());
    QVERIFY(f.sim.WaitForRequests(1));
    QCOMPARE(f.sim.Requests().last(), "request fn=16 addr=2 count=9 values=" + sent);

    f.SetFields({"3", "0", "1", "2", "3", "4", "5", "6", "7"});
    f.window.Command1()->click();
    QCOMPARE(f.Status(), QString("Read OK"));
    QCOMPARE(f.Fields(), readBack);
}

void TestCommands::timerDurationTravelsUnsigned()
{
    CommandFixture f;
    QVERIFY2(f.StartSim(), qPrintable(f.sim.ErrorText()));
    f.window.Option1(1)->click();
    f.window.Option2(9)->click();
    f.window.Text1(3)->setText("40000");

    f.window.Command2()->click();
    QVERIFY(f.sim.WaitForRequests(1));
    QVERIFY(f.sim.Requests().last().endsWith("values=2,9,40000,100,500,20,1,3,0"));

    f.window.Text1(3)->setText("1");
    f.window.Command1()->click();
    QCOMPARE(f.window.Text1(3)->text(), QString(" 40000"));
    QVERIFY(f.window.Option2(9)->isChecked());
}

// Read from one controller, save, open in a fresh window, write to another: the second
// controller receives what the first holds, a timer's 40000 and a negative value included.
void TestCommands::configurationFileCarriesTheRegisters()
{
    const QString held = "2,9,40000,65531,500,20,17,7,2";
    QTemporaryDir dir;
    const QString path = dir.filePath("site.morvane");
    {
        CommandFixture source;
        QVERIFY2(source.StartSim({"--registers", held}), qPrintable(source.sim.ErrorText()));
        source.window.Text1(0)->setText("6");
        source.window.Command1()->click();
        QCOMPARE(source.Status(), QString("Read OK"));
        QVERIFY(source.window.Files().SaveFile(path));
        QCOMPARE(source.Status(), QString("Saved site.morvane"));
    }
    CommandFixture target;
    QVERIFY2(target.StartSim(), qPrintable(target.sim.ErrorText()));
    QVERIFY(target.window.Files().OpenFile(path));
    QCOMPARE(target.Status(), QString("Opened site.morvane"));
    QCOMPARE(target.window.Text1(0)->text(), QString("6"));
    QCOMPARE(target.window.Text1(3)->text(), QString(" 40000"));
    QVERIFY(target.window.Option2(9)->isChecked());
    QTest::qWait(100);
    QCOMPARE(target.sim.RequestCount(), 0); // opening sends nothing

    target.window.Command2()->click();
    QCOMPARE(target.Status(), QString("Read OK"));
    QVERIFY(target.sim.WaitForRequests(1));
    QCOMPARE(target.sim.Requests().last(), "request fn=16 addr=2 count=9 values=" + held);
    QVERIFY(target.messages.isEmpty());
}

void TestCommands::commandLineSendsWhatTheWindowSends_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("sent"); // by the window after reading the unit
    QTest::newRow("mode 0, Dec Place 9") << "9,0,0,100,500,20,1,3,0"
                                         << "5,11,0,100,500,20,1,3,0";
    QTest::newRow("mode 12") << "2,12,40000,100,500,20,1,3,0"
                             << "2,11,40000,100,500,20,1,3,0";
    QTest::newRow("mode 65535, Dec Place -1") << "65535,65535,3,65535,500,20,1,3,0"
                                              << "0,11,3,65535,500,20,1,3,0";
    QTest::newRow("0-20mA") << "4,2,3,65535,500,20,1,3,0"
                            << "4,2,3,65535,500,20,1,3,0";
}

// The unit read and written by the command line, read and written back by the window, and the
// command line's file and one that holds the unit's values as they are, each written by the
// command line and opened in the window and written: every time the same request.
void TestCommands::commandLineSendsWhatTheWindowSends()
{
    QFETCH(QString, unit);
    QFETCH(QString, sent);
    const QString written = "request fn=16 addr=2 count=9 values=" + sent;
    QTemporaryDir dir;
    const QString path = dir.filePath("unit.morvane");
    SimProcess held;
    SimProcess target;
    const QString heldDevice = held.Start({"--registers", unit});
    const QString targetDevice = target.Start();
    QVERIFY2(!heldDevice.isEmpty() && !targetDevice.isEmpty(),
             qPrintable(held.ErrorText() + target.ErrorText()));

    QCOMPARE(RunCli({"read", "--port", heldDevice, "-o", path}).exitCode, 0);
    const ConfigFileResult file = ReadConfigFile(path);
    QVERIFY2(file.config, file.problem.c_str());
    QStringList recorded;
    for (std::uint16_t value : file.config->registers)
        recorded << QString::number(value);
    QCOMPARE(recorded.join(','), sent);
    QCOMPARE(RunCli({"write", path, "--port", targetDevice}).exitCode, 0);
    QVERIFY(target.WaitForRequests(1));
    QCOMPARE(target.Requests().last(), written);
    // A file that holds the unit's values as they are, written by hand or by an older version.
    Configuration asHeld{5, {}};
    const QStringList values = unit.split(',');
    for (int k = 0; k < 9; ++k)
        asHeld.registers[std::size_t(k)] = std::uint16_t(values[k].toUInt());
    const QString handMade = dir.filePath("hand.morvane");
    QFile hand(handMade);
    QVERIFY(hand.open(QIODevice::WriteOnly) && hand.write(ConfigFileText(asHeld, {})) > 0);
    hand.close();
    QCOMPARE(RunCli({"write", handMade, "--port", targetDevice}).exitCode, 0);
    QVERIFY(target.WaitForRequests(2));
    QCOMPARE(target.Requests().last(), written);

    CommandFixture reader;
    QVERIFY2(reader.StartSim({"--registers", unit}), qPrintable(reader.sim.ErrorText()));
    reader.window.Command1()->click();
    QCOMPARE(reader.Status(), QString("Read OK"));
    reader.window.Command2()->click();
    QCOMPARE(reader.Status(), QString("Read OK"));
    QVERIFY(reader.sim.WaitForRequests(2));
    QCOMPARE(reader.sim.Requests().last(), written);

    CommandFixture opener;
    QVERIFY2(opener.StartSim(), qPrintable(opener.sim.ErrorText()));
    for (const QString& file : {path, handMade}) {
        QVERIFY(opener.window.Files().OpenFile(file));
        opener.window.Command2()->click();
        QCOMPARE(opener.Status(), QString("Read OK"));
        QVERIFY(opener.sim.WaitForRequests(file == path ? 1 : 2));
        QCOMPARE(opener.sim.Requests().last(), written);
    }
}

void TestCommands::refusedWriteSendsNothing_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<int>("typeAfter"); // the input type chosen after typing; -1 for none
    QTest::addColumn<QString>("note");  // what the message says of a row the mode greys out
    const QString unused = "The mode %1 does not use Param%2, but its value is written all "
                           "the same. To correct it, choose a mode that uses it, such as %3.";
    QTest::newRow("70000") << 5 << "70000"
                           << "would be sent as 70000" << -1 << "";
    QTest::newRow("-0.25 rounds to 65536") << 5 << "-0.25"
                                           << "would be sent as 65536" << -1 << "";
    QTest::newRow("65535.5 rounds to 65536, unused row")
        << 9 << "65535.5"
        << "would be sent as 65536" << -1 << unused.arg("0-5V").arg(9).arg("ASCII");
    QTest::newRow("beyond 32 bits") << 7 << "1e20"
                                    << "is more than one register can hold" << -1
                                    << unused.arg("0-5V").arg(7).arg("Modbus Signed Long");
    for (const char* below : {"-32769", "-40000", "-65536", "-70000"})
        QTest::newRow(below) << 4 << below << "is below -32768" << -1 << "";
    QTest::newRow("typed, then greyed out by the mode")
        << 4 << "70000"
        << "would be sent as 70000" << 2 << unused.arg("ASCII").arg(4).arg("0-5V");
    // The entry checks read these as the number they begin with; the write does not.
    const QString notANumber = "is not a number.";
    QTest::newRow("5OO") << 5 << "5OO" << notANumber << -1 << "";
    QTest::newRow("12abc") << 4 << "12abc" << notANumber << -1 << "";
    QTest::newRow("decimal comma") << 1 << "2,5" << notANumber << -1 << "";
    QTest::newRow("emptied, unused row")
        << 9 << "" << notANumber << -1 << unused.arg("0-5V").arg(9).arg("ASCII");
}

void TestCommands::refusedWriteSendsNothing()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, problem);
    QFETCH(int, typeAfter);
    QFETCH(QString, note);
    CommandFixture f;
    QVERIFY2(f.StartSim(), qPrintable(f.sim.ErrorText()));
    f.window.Text1(field)->setText(text);
    if (typeAfter >= 0)
        f.window.Option1(typeAfter)->click();
    const auto slotsBefore = f.window.Commands().link().state.RegImage;

    f.window.Command2()->click();

    QCOMPARE(f.Status(), QString("ERROR"));
    QCOMPARE(f.messages.size(), 1);
    QCOMPARE(f.messages[0].title, QString("Error"));
    const QString row = f.window.Label6(field)->text() + " (" +
                        f.window.Label5(field)->text().trimmed().chopped(1) + ")";
    const QStringList lines = f.messages[0].text.split("\r\n");
    QVERIFY2(lines.value(1).startsWith(row + ": \"" + text + "\" " + problem),
             qPrintable(f.messages[0].text));
    const bool notANumber = problem.startsWith("is not a number");
    QVERIFY(lines.value(1).endsWith(notANumber ? "is not a number." : "(0 to 65535)."));
    QCOMPARE(lines.size(), note.isEmpty() ? 3 : 4);
    if (!note.isEmpty())
        QCOMPARE(lines[2], note);
    QCOMPARE(lines.last(), QString("Enter a number from -32768 to 65535."));
    QVERIFY(f.window.Commands().link().state.RegImage == slotsBefore);
    QVERIFY(!f.window.Timer1()->isActive());
    QTest::qWait(200);
    QCOMPARE(f.sim.RequestCount(), 0);
    QCOMPARE(f.window.Text1(field)->text(), text);
    QCOMPARE(f.TrafficRows(),
             QStringList{notANumber ? " : ERROR: nothing sent, a field is not a number"
                                    : " : ERROR: nothing sent, a field is out of range"});
}

void TestCommands::entryChecksRunOnFilledFields()
{
    // Dec Place 7 cannot stand with 5 digits: the window holds it to 5, and a write sends 5.
    CommandFixture f;
    QVERIFY2(f.StartSim({"--registers", "7,1,0,100,500,20,1,3,0"}), qPrintable(f.sim.ErrorText()));
    f.window.Command1()->click();
    QCOMPARE(f.window.Text1(1)->text(), QString("5"));
    QCOMPARE(f.window.Label4()->text(), QString("9.9999"));
    f.window.Command2()->click();
    QVERIFY(f.sim.WaitForRequests(2));
    QVERIFY(f.sim.Requests().last().endsWith("values=5,1,0,100,500,20,1,3,0"));
}

void TestCommands::controllerFailuresKeepTheWindow_data()
{
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<QString>("command"); // the name of its button or action
    QTest::addColumn<QString>("messageTitle");
    QTest::addColumn<QString>("messageText");
    QTest::addColumn<QString>("ending"); // the last row of the line traffic
    QTest::newRow("refusal on read") << QStringList{"--exception", "2"} << "Command1"
                                     << "Communication Error"
                                     << "illegal data address"
                                     << "ERROR: exception 2 (illegal data address)";
    QTest::newRow("refusal on write") << QStringList{"--exception", "4"} << "Command2"
                                      << "Communication Error"
                                      << "failure"
                                      << "ERROR: exception 4 (slave device failure)";
    QTest::newRow("refusal on compare")
        << QStringList{"--exception", "2"} << "actionCompareWithController"
        << "Communication Error"
        << "refused the read request"
        << "ERROR: exception 2 (illegal data address)";
    QTest::newRow("connection lost on read") << QStringList{"--hangup-after", "0"} << "Command1"
                                             << "Communication Error"
                                             << "lost"
                                             << "ERROR: connection lost";
    QTest::newRow("connection lost on write") << QStringList{"--hangup-after", "0"} << "Command2"
                                              << "Communication Error"
                                              << "lost"
                                              << "ERROR: connection lost";
    QTest::newRow("connection lost on compare")
        << QStringList{"--hangup-after", "0"} << "actionCompareWithController"
        << "Communication Error"
        << "lost"
        << "ERROR: connection lost";
}

void TestCommands::controllerFailuresKeepTheWindow()
{
    QFETCH(QStringList, switches);
    QFETCH(QString, command);
    QFETCH(QString, messageTitle);
    QFETCH(QString, messageText);
    QFETCH(QString, ending);
    CommandFixture f;
    QVERIFY2(f.StartSim(switches), qPrintable(f.sim.ErrorText()));
    f.window.Option1(1)->click(); // Digital, so that a lost read cannot pass for the default
    const QStringList before = f.Fields();
    const auto slotsBefore = f.window.Commands().link().state.RegImage;
    QElapsedTimer clock;
    clock.start();

    if (auto* button = f.window.findChild<QPushButton*>(command))
        button->click();
    else
        Action(f.window, qPrintable(command))->trigger();

    QVERIFY2(clock.elapsed() < 3000, "a definite failure must not wait for the time limit");
    QCOMPARE(f.Status(), QString("ERROR"));
    QCOMPARE(f.messages.size(), 1);
    QCOMPARE(f.messages[0].title, messageTitle);
    QVERIFY2(f.messages[0].text.contains(messageText, Qt::CaseInsensitive),
             qPrintable(f.messages[0].text));
    QCOMPARE(f.Fields(), before);
    QVERIFY(f.window.Option2(3)->isChecked());
    QVERIFY(!f.window.Comm1()->PortOpen());
    QVERIFY(f.window.Command1()->isEnabled() && f.window.Command2()->isEnabled());
    QCOMPARE(f.LastTrafficMeaning(), ending);
    QVERIFY(f.comparisons.isEmpty());
    if (command != "Command2")
        QVERIFY(f.window.Commands().link().state.RegImage == slotsBefore);
    QTest::qWait(1300); // no watchdog message may follow
    QCOMPARE(f.messages.size(), 1);
}

void TestCommands::silentControllerOnWrite()
{
    CommandFixture f;
    QVERIFY2(f.StartSim({"--silent"}), qPrintable(f.sim.ErrorText()));
    f.UseFastClock(10); // the 20-second limit passes in about 2 s
    QElapsedTimer clock;
    clock.start();

    f.window.Command2()->click();

    QCOMPARE(f.messages.size(), 1);
    QCOMPARE(f.messages[0].title, QString("Communication Error"));
    QCOMPARE(f.messages[0].text, QString("No Response From Morvane\r\nCheck Power and Comms "
                                         "Connection\r\nIf necessary install link between MI "
                                         "and COM on K3"));
    QVERIFY2(f.messages[0].atMs >= 900 && f.messages[0].atMs < 1800,
             qPrintable(QString::number(f.messages[0].atMs)));
    QCOMPARE(f.messages[0].status, QString("Write Sent"));
    QCOMPARE(f.Status(), QString("ERROR"));
    QVERIFY(clock.elapsed() >= 1900);
    QVERIFY(!f.window.Timer1()->isActive());
}

void TestCommands::silentControllerOnRead()
{
    CommandFixture f;
    QVERIFY2(f.StartSim({"--silent"}), qPrintable(f.sim.ErrorText()));
    f.UseFastClock(10);
    f.SetFields({"3", "2", "11", "22", "33", "44", "55", "66", "77"});
    const QStringList before = f.Fields();

    f.window.Command1()->click();

    QVERIFY(f.messages.isEmpty());
    QCOMPARE(f.Status(), QString("ERROR"));
    QCOMPARE(f.Fields(), before);
    QVERIFY(f.window.Option2(1)->isChecked());
    QCOMPARE(f.LastTrafficMeaning(), QString("ERROR: no answer within 20 s"));
}

void TestCommands::portThatCannotBeOpened_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("messageStart");
    QTest::addColumn<QString>("ending"); // the only row of the line traffic
    QTest::newRow("missing device")
        << "/dev/morvane-no-such-port"
        << "Unable to open Com Port /dev/morvane-no-such-port at 9600 Baud"
        << "ERROR: port /dev/morvane-no-such-port cannot be opened (there is no "
           "/dev/morvane-no-such-port)";
    QTest::newRow("port 0") << ""
                            << "Unable to open Com Port 0 at 9600 Baud"
                            << "ERROR: port 0 cannot be opened (port numbers begin at 1)";
    QTest::newRow("beyond 16 bits")
        << "70000"
        << "Unable to open Com Port 70000 at 9600 Baud"
        << "ERROR: port 70000 cannot be opened (port numbers go from 1 to 32767)";
}

void TestCommands::portThatCannotBeOpened()
{
    QFETCH(QString, port);
    QFETCH(QString, messageStart);
    QFETCH(QString, ending);
    for (bool write : {false, true}) {
        CommandFixture f;
        f.window.txtCom(0)->setText(port);
        const QStringList before = f.Fields();
        QElapsedTimer clock;
        clock.start();
        (write ? f.window.Command2() : f.window.Command1())->click();
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(f.Status(), QString("ERROR"));
        QCOMPARE(f.messages.size(), 1);
        QCOMPARE(f.messages[0].title, QString("Error"));
        QVERIFY2(f.messages[0].text.startsWith(messageStart), qPrintable(f.messages[0].text));
        QCOMPARE(f.Fields(), before);
        QVERIFY(f.window.Option2(1)->isChecked());
        QVERIFY(!f.window.Timer1()->isActive());
        QCOMPARE(f.TrafficRows(), QStringList{" : " + ending});
    }
}

void TestCommands::commandsAreRefusedWhileOneRuns()
{
    CommandFixture f;
    QVERIFY2(f.StartSim({"--delay", "400"}), qPrintable(f.sim.ErrorText()));
    bool disabledMeanwhile = false;
    QTimer::singleShot(150, &f.window, [&] {
        disabledMeanwhile = !f.window.Command1()->isEnabled() && !f.window.Command2()->isEnabled();
        f.window.Commands().WriteToController(); // refused, not nested
        f.window.Command1()->click();
    });

    f.window.Command1()->click();

    QVERIFY(disabledMeanwhile);
    QCOMPARE(f.Status(), QString("Read OK"));
    QCOMPARE(f.sim.RequestCount(), 1);
    QVERIFY(f.window.Command1()->isEnabled() && f.window.Command2()->isEnabled());
}

void TestCommands::closingTheWindowEndsAWaitingCommand_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("stopSignal"); // 0: the window's close box
    QTest::newRow("read") << false << 0;
    QTest::newRow("write") << true << 0;
    QTest::newRow("read, killed") << false << SIGTERM;
    QTest::newRow("write, session ended") << true << SIGHUP;
}

// A kill or the end of the session closes the window as its close box does, from the event
// loop that the wait runs.
void TestCommands::closingTheWindowEndsAWaitingCommand()
{
    QFETCH(bool, write);
    QFETCH(int, stopSignal);
    CommandFixture f;
    QVERIFY2(f.StartSim({"--silent"}), qPrintable(f.sim.ErrorText()));
    f.window.show();
    StopSignals stops(WindowStopSignals());
    connect(&stops, &StopSignals::caught, &f.window, [&f] { f.window.CloseForStop(); });
    QTimer::singleShot(300, &f.window, [&] {
        if (stopSignal == 0)
            f.window.close();
        else
            ::kill(::getpid(), stopSignal);
    });
    QElapsedTimer clock;
    clock.start();

    (write ? f.window.Command2() : f.window.Command1())->click();

    QVERIFY2(clock.elapsed() < 900, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(f.messages.isEmpty()); // not even the watchdog's, had it been due
    QVERIFY(!f.window.Comm1()->PortOpen());
    QVERIFY(!f.window.Timer1()->isActive());
    QVERIFY(!f.window.isVisible());
    QCOMPARE(stops.Caught(), stopSignal);
}

void TestCommands::messageBoxHasOneOkButtonAndNoIcon()
{
    FrmMain window; // the real message boxes, not the fixture's records
    window.txtCom(0)->setText("/dev/morvane-no-such-port");
    QString title, text;
    int buttons = -1;
    QMessageBox::Icon icon = QMessageBox::Critical;
    QTimer dismisser;
    QObject::connect(&dismisser, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            buttons = int(box->buttons().size());
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        }
    });
    dismisser.start(50);

    window.Command1()->click();

    QCOMPARE(title, QString("Error"));
    QVERIFY(text.startsWith("Unable to open Com Port /dev/morvane-no-such-port at 9600 Baud"));
    QCOMPARE(buttons, 1);
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(window.Text2()->text(), QString("ERROR"));
}

// Noise before the answer: the traffic shows it apart from the answer, the window opened in the
// middle of the read shows what came before, and the hidden echoes are what they always were.
void TestCommands::lineTrafficShowsNoiseBeforeTheAnswer()
{
    CommandFixture f;
    QVERIFY2(f.StartSim({"--noise", "4", "--delay", "300"}), qPrintable(f.sim.ErrorText()));
    auto* action = f.window.findChild<QAction*>("actionLineTraffic");
    QVERIFY(action);
    bool enabledMeanwhile = false;
    QTimer::singleShot(100, &f.window, [&] {
        enabledMeanwhile = action->isEnabled();
        action->trigger();
    });

    f.window.Command1()->click();

    QCOMPARE(f.Status(), QString("Read OK"));
    QVERIFY(enabledMeanwhile);
    auto* traffic = f.window.findChild<QWidget*>("LineTraffic");
    QVERIFY(traffic && traffic->isVisible() && traffic->isWindow() && !traffic->isModal());
    QCOMPARE(traffic->findChild<QTableView*>()->model(), &f.window.Traffic());
    QCOMPARE(
        f.TrafficRows(),
        QStringList({"sent 01 03 00 02 00 09 24 0C: read request, registers 3 to 11 of slave 1",
                     "received FF 00 FF 00: no frame",
                     "received 01 03 12 00 02 00 01 00 00 00 64 01 F4 00 14 00 01 00 03 00 00 "
                     "87 13: answer, 9 registers",
                     " : Read OK"}));
    const QString time = f.window.Traffic().index(0, TrafficModel::kTime).data().toString();
    QVERIFY2(QRegularExpression(R"(^\d\d:\d\d:\d\d\.\d\d\d$)").match(time).hasMatch(),
             qPrintable(time));
    QCOMPARE(f.window.txtTX()->text(), QString("  1  3  0  2  0  9  36  12"));
    QCOMPARE(f.window.txtRX()->text(),
             QString("  255  0  255  0  1  3  18  0  2  0  1  0  0  0  100  1  244  0  20  0  1  0"
                     "  3  0  0  135  19"));
}

void TestCommands::eachRegisterDifferenceIsCaught_data()
{
    QTest::addColumn<int>("reg");
    for (int reg = 3; reg <= 11; ++reg)
        QTest::addRow("register %d", reg) << reg;
}

// A unit that holds another value in this one register, 7, which no register of the file holds:
// the command line's verify after a write and its diff, and the window's compare, each find it
// and nothing else.
void TestCommands::eachRegisterDifferenceIsCaught()
{
    QFETCH(int, reg);
    const Registers meant{2, 1, 0, 100, 500, 20, 1, 3, 0};
    Registers held = meant;
    held[std::size_t(reg - 3)] = 7;
    QTemporaryDir dir;
    const QString file = dir.filePath("unit.morvane");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(ConfigFileText({5, meant}, {})) > 0);
    out.close();
    const QString named = QString("Register %1 (").arg(reg);

    SimProcess disagreeing;
    const QString keepsItsOwn = disagreeing.Start({"--disagree", QString("%1=7").arg(reg)});
    SimProcess holding;
    const QString holdsIt = holding.Start({"--registers", RegisterText(held)});
    QVERIFY2(!keepsItsOwn.isEmpty() && !holdsIt.isEmpty(),
             qPrintable(disagreeing.ErrorText() + holding.ErrorText()));
    const CliRun verify = RunCli({"write", file, "--port", keepsItsOwn, "--verify"});
    QCOMPARE(verify.exitCode, 7);
    QVERIFY2(verify.out.startsWith(named) && verify.out.count('\n') == 1, qPrintable(verify.out));
    const CliRun diff = RunCli({"diff", file, "--port", holdsIt});
    QCOMPARE(diff.exitCode, 7);
    QVERIFY2(diff.out.startsWith(named) && diff.out.count('\n') == 1, qPrintable(diff.out));

    CommandFixture f;
    QVERIFY2(f.StartSim({"--registers", RegisterText(held)}), qPrintable(f.sim.ErrorText()));
    QVERIFY(f.window.Files().OpenFile(file));
    Action(f.window, "actionCompareWithController")->trigger();
    QCOMPARE(f.comparisons.size(), 1);
    QCOMPARE(f.comparisons[0].rows.size(), std::size_t(1));
    QCOMPARE(f.comparisons[0].rows[0].reg, reg);
    QCOMPARE(f.comparisons[0].rows[0].controller, std::string(reg == 4 ? "7 (Frequency)" : "7"));
}

// Two rows changed after choosing the Up Timer: the dialog names them as the window labels them
// now, and the compare changes nothing in the window nor in the register image.
void TestCommands::compareShowsTheRowsThatDiffer()
{
    CommandFixture f;
    f.window.Option1(1)->click();
    f.window.Option2(9)->click();
    const auto shown = f.window.Commands().FieldRegisterValues("");
    QVERIFY(shown);
    QVERIFY2(f.StartSim({"--registers", RegisterText(*shown)}), qPrintable(f.sim.ErrorText()));
    f.window.Text1(3)->setText("900");
    f.window.Text1(5)->setText("250");
    const QStringList fields = f.Fields();
    const auto slotsBefore = f.window.Commands().link().state.RegImage;
    f.window.Commands().host().SetComparisonPresenter({}); // the dialog itself
    QString title, heading;
    QStringList rows;
    QTimer dismisser;
    QObject::connect(&dismisser, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<CompareResult*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        title = dialog->windowTitle();
        heading = dialog->findChild<QLabel*>("heading")->text();
        const auto* table = dialog->findChild<QTableWidget*>("differences");
        for (int r = 0; table && r < table->rowCount(); ++r)
            for (int c = 0; c < table->columnCount(); ++c)
                rows << table->item(r, c)->text();
        dialog->accept();
    });
    dismisser.start(50);

    Action(f.window, "actionCompareWithController")->trigger();

    QCOMPARE(title, QString("Compare with Controller"));
    QCOMPARE(heading, QString("2 registers differ between the window and the controller:"));
    QCOMPARE(rows, QStringList({"Seconds", "5", "900", QString::number((*shown)[2]), "Disp Delay",
                                "7", "250", QString::number((*shown)[4])}));
    QCOMPARE(f.Fields(), fields);
    QVERIFY(f.window.Option2(9)->isChecked());
    QVERIFY(f.window.Commands().link().state.RegImage == slotsBefore);
    QCOMPARE(f.Status(), QString("Read OK"));
    QCOMPARE(f.LastTrafficMeaning(), QString("Compared: registers 5, 7 differ"));
    QCOMPARE(f.sim.Requests(), QStringList{"request fn=3 addr=2 count=9"});
    QVERIFY(f.window.Command1()->isEnabled() && f.window.Command2()->isEnabled());

    // Written, they agree: the one line.
    f.window.Commands().host().SetComparisonPresenter(
        [&f](const Comparison& comparison) { f.comparisons.push_back(comparison); });
    f.window.Command2()->click();
    Action(f.window, "actionCompareWithController")->trigger();
    QCOMPARE(f.comparisons.size(), 1);
    QVERIFY(f.comparisons[0].rows.empty());
    QCOMPARE(f.comparisons[0].heading, std::string("The controller holds what the window shows."));
    // A field the write would refuse is refused in its words, and nothing is sent.
    f.window.Text1(5)->setText("70000");
    Action(f.window, "actionCompareWithController")->trigger();
    QCOMPARE(f.messages.size(), 1);
    QVERIFY(f.messages[0].text.startsWith("Nothing was written to the controller.\r\nParam5"));
    QCOMPARE(f.Status(), QString("ERROR"));
    QTest::qWait(100);
    QCOMPARE(f.sim.RequestCount(), 3);
    QCOMPARE(f.comparisons.size(), 1);

    QStringList menus;
    for (QAction* menu : f.window.menuBar()->actions())
        menus << menu->text();
    QCOMPARE(menus, QStringList({"&File", "&Controller", "Co&nnection", "&View", "&Help"}));
}

void TestCommands::verifyAfterWriting_data()
{
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("ending"); // the line traffic's last row
    QTest::newRow("the unit holds what was written") << QStringList{} << "Verified"
                                                     << "Verified";
    QTest::newRow("the unit keeps its own parity")
        << QStringList{"--disagree", "11=2"} << "ERROR"
        << "ERROR: register 11 differs from what was written";
}

// Off until turned on, and kept between runs; on, an acknowledged write is read back and
// compared, both exchanges in the line traffic.
void TestCommands::verifyAfterWriting()
{
    QFETCH(QStringList, switches);
    QFETCH(QString, status);
    QFETCH(QString, ending);
    CommandFixture f;
    QVERIFY2(f.StartSim(switches), qPrintable(f.sim.ErrorText()));
    QAction* verify = Action(f.window, "actionVerifyAfterWriting");
    QVERIFY(verify->isCheckable() && !verify->isChecked());
    f.window.Command2()->click();
    QCOMPARE(f.Status(), QString("Read OK"));
    QCOMPARE(f.sim.RequestCount(), 1);

    verify->trigger();
    f.window.Command2()->click();

    QCOMPARE(f.Status(), status);
    QVERIFY(f.sim.WaitForRequests(3));
    QCOMPARE(f.sim.Requests().last(), QString("request fn=3 addr=2 count=9"));
    const QStringList traffic = f.TrafficRows();
    QCOMPARE(traffic.filter(QRegularExpression("^ : ")),
             QStringList({" : Write OK", " : Write OK", " : " + ending}));
    QCOMPARE(traffic.filter(QRegularExpression("^sent 01 03 ")).size(), 1);
    // The written values stay in the image, as after any write.
    QCOMPARE(f.window.Commands().link().state.RegImage[11], 0);
    if (status == "Verified") {
        QVERIFY(f.comparisons.isEmpty());
    } else {
        QCOMPARE(f.comparisons.size(), 1);
        QCOMPARE(f.comparisons[0].title, std::string("Verify After Writing"));
        const ComparedRow& row = f.comparisons[0].rows.at(0);
        QCOMPARE(QString::fromStdString(row.caption + " " + std::to_string(row.reg) + " " +
                                        row.window + " " + row.controller),
                 QString("Parity 11 0 2"));
    }
    FrmMain later; // kept, and shown once the menu opens
    QMenu* controller = later.menuBar()->actions().at(1)->menu();
    QVERIFY(!Action(later, "actionVerifyAfterWriting")->isChecked());
    emit controller->aboutToShow();
    QVERIFY(Action(later, "actionVerifyAfterWriting")->isChecked());
    verify->trigger(); // off again for the next test
    QVERIFY(!VerifyAfterWritingSetting());
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
