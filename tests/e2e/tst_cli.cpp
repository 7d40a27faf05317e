// The command line against the virtual controller, run as a child process without a display:
// a read, a changed file written and verified, and one run per failure with its exit status.

#include "clirun.h"
#include "configfile/configfile.h"
#include "simprocess.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace morvane;
using namespace morvane::testing;

namespace
{

// Up/down counter with the row values at the 16-bit edges.
const QString kUnit = QStringLiteral("3,4,65535,32768,0,20,247,7,2");

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return path;
}

ConfigFileResult ReadBack(const QString& text)
{
    return ParseConfigFile(text.toUtf8());
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
  private slots:
    void readWriteAndReadBack();
    void exitStatus_data();
    void exitStatus();

  private:
    QTemporaryDir m_dir;
};

void TestCli::readWriteAndReadBack()
{
    SimProcess sim;
    const QString device = sim.Start({"--registers", kUnit, "--pace", "9600"});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    const QString first = m_dir.filePath("unit.morvane");

    const CliRun read = RunCli({"read", "--port", device, "--digits", "7", "-o", first});
    QCOMPARE(read.exitCode, 0);
    QVERIFY2(read.err.contains(QRegularExpression("^Reading 9 registers from " + device +
                                                      " \\.\\.\\. done in \\d+ ms$",
                                                  QRegularExpression::MultilineOption)),
             qPrintable(read.err));
    QVERIFY(read.out.isEmpty());
    QFile saved(first);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray savedText = saved.readAll();
    const ConfigFileResult file = ParseConfigFile(savedText);
    QVERIFY2(file.config, file.problem.c_str());
    QCOMPARE(file.config->digits, 7);
    QCOMPARE(file.config->registers,
             (std::array<std::uint16_t, 9>{3, 4, 65535, 32768, 0, 20, 247, 7, 2}));
    // The notes read as the window shows an up/down counter.
    QVERIFY(savedText.contains("\"Count By\": \"-1\""));
    QVERIFY(savedText.contains("\"Reset To\": \"-32768\""));
    QVERIFY(savedText.contains("\"mode\": \"Up/Down Counter\""));

    Configuration changed = *file.config;
    changed.registers[3] = 1234;
    const QString second = WriteFile(m_dir, "changed.morvane", ConfigFileText(changed, {}));
    const CliRun write = RunCli({"write", second, "--port", device, "--verify"});
    QCOMPARE(write.exitCode, 0);
    QVERIFY2(write.err.contains("... all 9 agree"), qPrintable(write.err));
    QVERIFY(write.out.isEmpty());

    const CliRun again = RunCli({"read", "--port", device});
    QCOMPARE(again.exitCode, 0);
    const ConfigFileResult after = ReadBack(again.out);
    QVERIFY2(after.config, after.problem.c_str());
    QCOMPARE(after.config->registers, changed.registers);
    QCOMPARE(after.config->digits, 5);
    QCOMPARE(sim.Requests().size(), 4); // read, write, read back, read
}

void TestCli::exitStatus_data()
{
    QTest::addColumn<QStringList>("switches"); // the controller's; none: no controller
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("errorText");
    QTest::addColumn<QString>("outputText");

    const QString good =
        WriteFile(m_dir, "good.morvane", ConfigFileText({5, {2, 1, 0, 100, 500, 20, 1, 3, 0}}, {}));
    QFile bad(good);
    bad.open(QIODevice::ReadOnly);
    const QString outside =
        WriteFile(m_dir, "outside.morvane", bad.readAll().replace("\"6\": 100", "\"6\": 65536"));
    const QStringList none;
    const QStringList sim{"--registers", "2,1,0,100,500,20,1,3,0"};

    QTest::newRow("unknown option") << sim << QStringList{"read", "--port", "DEV", "--baud", "9600"}
                                    << 1 << "Unknown option 'baud'."
                                    << "";
    QTest::newRow("write without a file")
        << sim << QStringList{"write", "--port", "DEV"} << 1 << "write needs the configuration FILE"
        << "";
    QTest::newRow("window without a display")
        << sim << QStringList{good} << 1 << "there is no display for the window"
        << "";
    QTest::newRow("digits beyond 10") << sim << QStringList{"read", "--digits", "11"} << 1
                                      << "--digits takes a whole number from 1 to 10"
                                      << "";
    QTest::newRow("register beyond 16 bits")
        << sim << QStringList{"write", outside, "--port", "DEV"} << 2
        << "Register \"6\" must be a whole number from 0 to 65535; found 65536."
        << "";
    QTest::newRow("file missing") << sim
                                  << QStringList{"write", m_dir.filePath("none"), "--port", "DEV"}
                                  << 2 << "The file cannot be read"
                                  << "";
    QTest::newRow("port missing") << none << QStringList{"read", "--port", "/dev/morvane-none"} << 3
                                  << "Unable to open Com Port /dev/morvane-none at 9600 Baud"
                                  << "";
    QTest::newRow("exception") << QStringList{"--exception", "4"}
                               << QStringList{"read", "--port", "DEV"} << 5
                               << "refused the read request with exception code 4"
                               << "";
    QTest::newRow("hang-up") << QStringList{"--hangup-after", "0"}
                             << QStringList{"write", good, "--port", "DEV"} << 6
                             << "The connection to DEV was lost"
                             << "";
    QTest::newRow("hang-up before the read back")
        << QStringList{"--hangup-after", "1"}
        << QStringList{"write", good, "--port", "DEV", "--verify"} << 6
        << "Reading the 9 registers back from DEV ... ERROR"
        << "";
    QTest::newRow("controller disagrees")
        << QStringList{"--disagree", "7=999", "--disagree", "10=-1"}
        << QStringList{"write", good, "--port", "DEV", "--verify"} << 7 << "... 2 differ"
        << "Register 7 (Disp Delay): wrote 500, read 999\n"
           "Register 10 (Baud): wrote 3, read 65535\n";
    QTest::newRow("disagreement not looked for")
        << QStringList{"--disagree", "7=999"} << QStringList{"write", good, "--port", "DEV"} << 0
        << "Writing 9 registers to DEV ... done"
        << "";
}

void TestCli::exitStatus()
{
    QFETCH(QStringList, switches);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, errorText);
    QFETCH(QString, outputText);

    SimProcess sim;
    QString device;
    if (!switches.isEmpty()) {
        device = sim.Start(switches);
        QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    }
    arguments.replaceInStrings(QRegularExpression("^DEV$"), device);
    const CliRun run = RunCli(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(QString(errorText).replace("DEV", device)), qPrintable(run.err));
    QCOMPARE(run.out, outputText);
    // Usage and file problems are found before anything is sent.
    if (exitCode == 1 || exitCode == 2)
        QCOMPARE(sim.RequestCount(), 0);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
