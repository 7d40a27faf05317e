// The command line against the virtual controller, run as a child process without a display:
// a read, a changed file written and verified, and one run per failure with its exit status,
// among them results that reach neither their file nor standard output.

#include "clirun.h"
#include "configfile/configfile.h"
#include "simprocess.h"
#include "support/fulldisk.h"
#include "support/pdftext.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Root would pass the port's lock and the terminal's exclusive use alike, so the run after a
// stop is another user's: nobody, with a copy of the program where nobody can reach it.
class UnprivilegedRun
{
  public:
    UnprivilegedRun()
    {
        m_program = QStringLiteral(MORVANE_CONFIG_PATH);
        if (::geteuid() != 0)
            return;
        const passwd* nobody = ::getpwnam("nobody");
        if (nobody == nullptr || !m_dir.isValid())
            return;
        m_uid = nobody->pw_uid;
        m_gid = nobody->pw_gid;
        const QString copy = m_dir.filePath("morvane-config");
        const auto readAndRun = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                QFile::ReadOther | QFile::ExeOther;
        if (QFile::setPermissions(m_dir.path(), readAndRun) && QFile::copy(m_program, copy) &&
            QFile::setPermissions(copy, readAndRun))
            m_program = copy;
    }
    bool Ready() const { return ::geteuid() != 0 || m_program != MORVANE_CONFIG_PATH; }

    void Start(QProcess& process, const QStringList& arguments) const
    {
        if (::geteuid() == 0) {
            const uid_t uid = m_uid;
            const gid_t gid = m_gid;
            // A run that stayed root would prove nothing: it ends at once with status 99.
            process.setChildProcessModifier([uid, gid] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                    ::_exit(99);
            });
        }
        StartCli(process, arguments, m_program);
    }

  private:
    QTemporaryDir m_dir;
    QString m_program;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
};

// Waits until the process catches the signal: its handler is in place.
bool WaitUntilCaught(qint64 pid, int signalNumber)
{
    for (int i = 0; i < 200; ++i) {
        QFile status(QString("/proc/%1/status").arg(pid));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("SigCgt:") &&
                    (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signalNumber - 1)) & 1)
                    return true;
        }
        QTest::qWait(25);
    }
    return false;
}

// What a save must leave as it was: a pipe stays a pipe, a file keeps its bytes.
QString NodeAt(const QString& path)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("absent");
    QFile file(path);
    if (!S_ISREG(info.st_mode) || !file.open(QIODevice::ReadOnly))
        return QString::asprintf("mode %o", info.st_mode);
    return "file holding " + QString::fromLatin1(file.readAll().toHex());
}

const QByteArray kEarlier = "an earlier configuration\n";

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase();
    void readWriteAndReadBack();
    void exitStatus_data();
    void exitStatus();
    void relativePathIsTheWorkingFolders();
    void traceShowsEachFrameAsItPasses();
    void stopSignalClosesThePort_data();
    void stopSignalClosesThePort();
    void windowEndsOnStopSignals();
    void resultsThatDoNotReachStandardOutput_data();
    void resultsThatDoNotReachStandardOutput();
    void jsonResults_data();
    void jsonResults();
    void portsListsWhatTheWindowLists();
    void productionLogKeepsEveryRun();
    void reportOfFileAndOfUnitAgree();
    void networkLibraryOnlyForTheNetwork_data();
    void networkLibraryOnlyForTheNetwork();

  private:
    QTemporaryDir m_dir;
    std::unique_ptr<FullDisk> m_disk;
};

void TestCli::initTestCase()
{
    m_disk = std::make_unique<FullDisk>(m_dir.filePath("disk"));
    if (!m_disk->Mounted())
        return;
    QVERIFY(!WriteFile(m_dir, "disk/site.morvane", kEarlier).isEmpty() && m_disk->Fill());
}

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
    // What a station without a desktop runs: nothing of the window is loaded.
    for (const CliRun* run : {&read, &write, &again})
        QCOMPARE(WindowLoadedBy(*run), QString());
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

    QTest::newRow("unknown option")
        << sim << QStringList{"read", "--port", "DEV", "--speed", "9600"} << 1
        << "Unknown option 'speed'."
        << "";
    QTest::newRow("write without a file")
        << sim << QStringList{"write", "--port", "DEV"} << 1 << "write needs the configuration FILE"
        << "";
    QTest::newRow("window without a display")
        << sim << QStringList{good} << 1 << "there is no display for the window"
        << "";
    QTest::newRow("mistyped subcommand")
        << sim << QStringList{"raed"} << 1
        << "morvane-config: unknown subcommand 'raed'; the subcommands are read, write, diff, "
           "ports, scan and report"
        << "";
    QTest::newRow("missing file to open, named as a file")
        << sim << QStringList{"absent.morvane"} << 1 << "there is no display for the window"
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
    const QString pipe = m_dir.filePath("pipe.morvane");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    QTest::newRow("-o onto a named pipe")
        << sim << QStringList{"read", "--port", "DEV", "-o", pipe} << 2
        << "Saving the configuration to " + pipe +
               " ... ERROR\nUnable to save the configuration "
               "to " +
               pipe +
               "\nThis is a named pipe (FIFO), not a regular file.\nAny file that was "
               "there before is unchanged.\n"
        << "";
    const QString onFullDisk = m_dir.filePath("disk/site.morvane");
    QTest::newRow("-o onto a full disk")
        << sim << QStringList{"read", "--port", "DEV", "-o", onFullDisk} << 2
        << "ERROR\nUnable to save the configuration to " + onFullDisk +
               "\nNo space left on device.\n"
        << "";
    const QString page = m_dir.filePath("page.pdf");
    QTest::newRow("report without -o") << sim << QStringList{"report", good} << 1
                                       << "report needs -o PAGE.pdf, or -o - for standard output."
                                       << "";
    QTest::newRow("report of a file and the unit")
        << sim << QStringList{"report", good, "--from-unit", "-o", page} << 1
        << "report takes a FILE or --from-unit, not both"
        << "";
    QTest::newRow("report of a file with --digits")
        << sim << QStringList{"report", good, "--digits", "7", "-o", page} << 1
        << "--digits goes with --from-unit"
        << "";
    QTest::newRow("report of a bad file")
        << sim << QStringList{"report", outside, "-o", page} << 2
        << "Register \"6\" must be a whole number from 0 to 65535; found 65536."
        << "";
    QTest::newRow("report onto a named pipe")
        << sim << QStringList{"report", good, "-o", pipe} << 2
        << "Saving the PDF to " + pipe + " ... ERROR\nUnable to save the PDF to " + pipe +
               "\nThis is a named pipe (FIFO), not a regular file.\nAny file that was there "
               "before is unchanged.\n"
        << "";
    QTest::newRow("report onto a full disk")
        << sim << QStringList{"report", good, "-o", m_dir.filePath("disk/page.pdf")} << 2
        << "ERROR\nUnable to save the PDF to " + m_dir.filePath("disk/page.pdf") +
               "\nNo space left on device.\n"
        << "";
    QTest::newRow("report of a unit that refuses")
        << QStringList{"--exception", "4"}
        << QStringList{"report", "--from-unit", "--port", "DEV", "-o", page} << 5
        << "refused the read request with exception code 4"
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
    const QString portForms = "--port takes a port number from 1 to 32767, a device path such "
                              "as /dev/ttyUSB0 or ./ttyB, or a unit on the network as "
                              "tcp://HOST[:PORT] or rtu+tcp://HOST:PORT; found '";
    for (const char* typo : {"1x", "&H2", "ttyUSB0", "COM1", "0", ""})
        QTest::addRow("port '%s'", typo)
            << sim << QStringList{"read", "--port", typo} << 1 << portForms + typo + "'."
            << "";
    QTest::newRow("port URL without a host") << sim << QStringList{"scan", "--port", "tcp://"} << 1
                                             << "--port 'tcp://' names no unit on the network: "
                                             << "";
    QTest::newRow("port given twice")
        << sim << QStringList{"read", "--port", "DEV", "--port", "2"} << 1
        << "--port is given more than once ('DEV', '2'); give it once."
        << "";
    QTest::newRow("digits given twice")
        << sim << QStringList{"read", "--port", "DEV", "--digits", "7", "--digits", "5"} << 1
        << "--digits is given more than once ('7', '5'); give it once."
        << "";
    QTest::newRow("output given as -o and --output")
        << sim << QStringList{"read", "--port", "DEV", "-o", "a", "--output", "b"} << 1
        << "-o is given more than once ('a', 'b'); give it once."
        << "";
    QTest::newRow("verify given twice")
        << sim << QStringList{"write", good, "--port", "DEV", "--verify", "--verify"} << 1
        << "--verify is given more than once."
        << "";
    // How to reach the unit: each value checked as --port is.
    const struct {
        const char* name;
        QStringList arguments;
        const char* takes;
    } wrong[] = {
        {"slave 248", {"read", "--slave", "248"}, "--slave takes an address from 1 to 247"},
        {"baud no unit has",
         {"read", "--baud", "9601"},
         "--baud takes one of 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200"},
        {"parity mark", {"read", "--parity", "mark"}, "--parity takes none, even or odd"},
        {"parities outside a scan",
         {"write", good, "--parity", "none,even"},
         "--parity takes none, even or odd"},
        {"stop bits 3", {"read", "--stop-bits", "3"}, "--stop-bits takes 1 or 2"},
        {"timeout below 0.1 s",
         {"read", "--timeout", "0.09"},
         "--timeout takes seconds from 0.1 to 60, such as 5 or 0.5"},
        {"timeout with an exponent",
         {"read", "--timeout", "1e1"},
         "--timeout takes seconds from 0.1 to 60, such as 5 or 0.5"},
        {"retries 6", {"read", "--retries", "6"}, "--retries takes a whole number from 0 to 5"},
        {"scan from address 0",
         {"scan", "--slaves", "0-5"},
         "--slaves takes addresses from 1 to 247 such as 1-247 or 1-10,17"},
        {"scan at 300 baud",
         {"scan", "--bauds", "9600,300"},
         "--bauds takes speeds among 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, "
         "separated by commas"},
        {"probe timeout of 11 s",
         {"scan", "--probe-timeout", "11"},
         "--probe-timeout takes seconds from 0 to 10, such as 0.05"},
    };
    for (const auto& row : wrong)
        QTest::newRow(row.name) << sim << row.arguments << 1
                                << QString(row.takes) + "; found '" + row.arguments.last() + "'."
                                << "";
    QTest::newRow("timeout given twice")
        << sim << QStringList{"read", "--timeout", "1", "--timeout", "2"} << 1
        << "--timeout is given more than once ('1', '2'); give it once."
        << "";
    QTest::newRow("the highest address")
        << QStringList{"--slave", "247"}
        << QStringList{"write", good, "--port", "DEV", "--slave", "247", "--verify"} << 0
        << "Writing 9 registers to slave 247, 9600 8N1, at DEV ... done"
        << "";
    QTest::newRow("another speed than the unit's")
        << QStringList{"--baud", "19200"}
        << QStringList{"read", "--port", "DEV", "--timeout", "0.5"} << 4
        << "No Response From Morvane"
        << "";
    QTest::newRow("connection to the gateway lost")
        << QStringList{"--tcp", "0", "--hangup-after", "0"}
        << QStringList{"write", good, "--port", "DEV"} << 6
        << "The connection to DEV was lost (The remote host closed the connection).\nCheck the "
           "network"
        << "";
    QTest::newRow("scan finding nobody")
        << QStringList{"--silent"}
        << QStringList{"scan",    "--port", "DEV",      "--slaves", "1-3",
                       "--bauds", "9600",   "--parity", "none"}
        << 4 << "Scanning addresses 1-3 at 9600 8N1 on DEV ... none found in"
        << "";
    QTest::newRow("scan of the network: addresses only")
        << QStringList{"--tcp", "0", "--slave", "5"}
        << QStringList{"scan", "--port", "DEV", "--slaves", "4-6"} << 0
        << "Scanning addresses 4-6 at DEV ... 1 found in"
        << "slave 5, 9600 8N1: 0-5V\n";
    QTest::newRow("scan of a port that cannot be opened")
        << none << QStringList{"scan", "--port", "/dev/morvane-none", "--bauds", "4800"} << 3
        << "Scanning addresses 1-247 at 4800 8N1 on /dev/morvane-none ... ERROR\nUnable to open "
           "Com Port /dev/morvane-none at 4800 Baud"
        << "";
    QTest::newRow("disagreement not looked for")
        << QStringList{"--disagree", "7=999"} << QStringList{"write", good, "--port", "DEV"} << 0
        << "Writing 9 registers to DEV ... done"
        << "";
    QTest::newRow("diff, unit agrees") << sim << QStringList{"diff", good, "--port", "DEV"} << 0
                                       << "Reading 9 registers from DEV ... done in"
                                       << "";
    QTest::newRow("diff, unit differs")
        << QStringList{"--registers", "2,9,0,100,999,20,1,3,0"}
        << QStringList{"diff", good, "--port", "DEV"} << 7
        << "Comparing the registers read with the file ... 2 differ\n"
        << "Register 4 (Mode): file 1 (0-5V), unit 9 (Up Timer)\n"
           "Register 7 (Disp Delay): file 500, unit 999\n";
    QTest::newRow("diff without a file") << sim << QStringList{"diff", "--port", "DEV"} << 1
                                         << "diff needs the configuration FILE to compare with."
                                         << "";
    QTest::newRow("diff of a bad file")
        << sim << QStringList{"diff", outside, "--port", "DEV", "--quiet"} << 2
        << "Unable to open the configuration file " + outside + "\nRegister \"6\""
        << "";
    const QString noFolder = m_dir.filePath("no-such-folder/production.csv");
    QTest::newRow("log in a folder that does not exist")
        << sim << QStringList{"write", good, "--port", "DEV", "--log", noFolder} << 2
        << "Opening the log " + noFolder + " ... ERROR\nUnable to write to the log " + noFolder +
               "\nNo such file or directory.\n"
        << "";
    QTest::newRow("log without a name")
        << sim << QStringList{"diff", good, "--log="} << 1 << "--log needs a file name."
        << "";
    QTest::newRow("quiet failure: the message alone")
        << none << QStringList{"read", "--port", "/dev/morvane-none", "--quiet"} << 3
        << "Unable to open Com Port /dev/morvane-none"
        << "";
    QTest::newRow("ports takes no port")
        << sim << QStringList{"ports", "--port", "1"} << 1 << "Unknown option 'port'."
        << "";
}

void TestCli::exitStatus()
{
    QFETCH(QStringList, switches);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, errorText);
    QFETCH(QString, outputText);

    if (!m_disk->Mounted() && arguments.join(' ').contains(m_dir.filePath("disk/")))
        QSKIP(qPrintable("a full disk needs root to mount a small tmpfs: " + m_disk->Problem()));
    SimProcess sim;
    QString device;
    if (!switches.isEmpty()) {
        device = sim.Start(switches);
        QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    }
    arguments.replaceInStrings(QRegularExpression("^DEV$"), device);
    const QString saveTo = arguments.value(arguments.indexOf("-o") + 1);
    const QString before = NodeAt(saveTo);
    const CliRun run = RunCli(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(QString(errorText).replace("DEV", device)), qPrintable(run.err));
    QCOMPARE(run.out, outputText);
    if (arguments.contains("--quiet")) // the error alone, no step line
        QVERIFY2(run.err.startsWith(QString(errorText).replace("DEV", device)),
                 qPrintable(run.err));
    QCOMPARE(WindowLoadedBy(run, arguments.first() == "report"), QString());
    // Usage and file problems are found before anything is sent, a file to save only after
    // the read; what was there stays.
    if (exitCode == 1 || (exitCode == 2 && !arguments.contains("-o")))
        QCOMPARE(sim.RequestCount(), 0);
    if (exitCode != 0 && arguments.contains("-o"))
        QCOMPARE(NodeAt(saveTo), before);
}

void TestCli::resultsThatDoNotReachStandardOutput_data()
{
    QTest::addColumn<QStringList>("switches"); // the controller's; none: no controller
    QTest::addColumn<QStringList>("arguments");
    // Empty: standard output closed. A new file on the full disk, as "> file" there makes.
    QTest::addColumn<QString>("outputFile");

    const QString good = WriteFile(m_dir, "result.morvane",
                                   ConfigFileText({5, {2, 1, 0, 100, 500, 20, 1, 3, 0}}, {}));
    const QStringList sim{"--registers", "2,1,0,100,500,20,1,3,0"};
    const QStringList read{"read", "--port", "DEV"};
    QTest::newRow("read to /dev/full") << sim << read << "/dev/full";
    QTest::newRow("read with standard output closed") << sim << read << QString();
    QTest::newRow("read into a full disk") << sim << read << m_dir.filePath("disk/results.txt");
    QTest::newRow("differences to /dev/full")
        << QStringList{"--registers", "2,1,0,100,500,20,1,3,0", "--disagree", "7=999"}
        << QStringList{"write", good, "--port", "DEV", "--verify"} << "/dev/full";
    QTest::newRow("help to /dev/full") << QStringList() << QStringList{"--help"} << "/dev/full";
    QTest::newRow("report to /dev/full")
        << QStringList() << QStringList{"report", good, "-o", "-"} << "/dev/full";
    QTest::newRow("version, standard output closed")
        << QStringList() << QStringList{"--version"} << QString();
}

void TestCli::resultsThatDoNotReachStandardOutput()
{
    QFETCH(QStringList, switches);
    QFETCH(QStringList, arguments);
    QFETCH(QString, outputFile);
    if (!m_disk->Mounted() && outputFile.startsWith(m_dir.filePath("disk/")))
        QSKIP(qPrintable("a full disk needs root to mount a small tmpfs: " + m_disk->Problem()));
    SimProcess sim;
    if (!switches.isEmpty()) {
        const QString device = sim.Start(switches);
        QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
        arguments.replaceInStrings(QRegularExpression("^DEV$"), device);
    }
    const CliRun run = RunCli(arguments, 10000, {outputFile, outputFile.isEmpty(), {}});

    QCOMPARE(run.exitCode, 2);
    if (!outputFile.isEmpty())
        QCOMPARE(WindowLoadedBy(run, arguments.first() == "report"), QString());
    const QString reason = outputFile.isEmpty() ? "Bad file descriptor" : "No space left on device";
    QVERIFY2(run.err.endsWith("Unable to write to standard output\n" + reason + ".\n"),
             qPrintable(run.err));
}

void TestCli::jsonResults_data()
{
    QTest::addColumn<QStringList>("switches"); // the controller's
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("expected"); // members the document must hold; DEV the device

    const QByteArray goodText = ConfigFileText({5, {2, 1, 0, 100, 500, 20, 1, 3, 0}}, {});
    const QString good = WriteFile(m_dir, "json.morvane", goodText);
    const QString outside = WriteFile(m_dir, "json-outside.morvane",
                                      QByteArray(goodText).replace("\"6\": 100", "\"6\": 65536"));
    const QStringList sim{"--registers", "2,1,0,100,500,20,1,3,0"};
    const QByteArray registers =
        R"({"3": 2, "4": 1, "5": 0, "6": 100, "7": 500, "8": 20, "9": 1, "10": 3, "11": 0})";
    QTest::newRow("read: the configuration")
        << sim << QStringList{"read", "--port", "DEV"} << QByteArray() << 0
        << R"({"format": "morvane-config", "digits": 5, "registers": )" + registers + "}";
    QTest::newRow("read -o -: the same on standard output")
        << sim << QStringList{"read", "--port", "DEV", "-o", "-"} << QByteArray() << 0
        << R"({"registers": )" + registers + "}";
    QTest::newRow("write verified")
        << sim << QStringList{"write", good, "--port", "DEV", "--verify"} << QByteArray() << 0
        << QByteArray(R"({"command": "write", "port": "DEV", "endpoint": "DEV", "slave": 1,
                          "verdict": "verified", "differences": []})");
    QTest::newRow("write, a register differs")
        << QStringList{"--disagree", "7=999"}
        << QStringList{"write", good, "--port", "DEV", "--verify"} << QByteArray() << 7
        << QByteArray(R"({"verdict": "differs", "differences": [{"register": 7,
                          "caption": "Disp Delay", "file": 500, "unit": 999}]})");
    QTest::newRow("write from standard input")
        << sim << QStringList{"write", "-", "--port", "DEV"} << goodText << 0
        << QByteArray(R"({"file": "-", "verdict": "written", "sha256": "SHA"})");
    QTest::newRow("diff from standard input, agrees")
        << sim << QStringList{"diff", "-", "--port", "DEV"} << goodText << 0
        << QByteArray(R"({"command": "diff", "verdict": "agrees", "differences": []})");
    QTest::newRow("diff, mode differs")
        << QStringList{"--registers", "2,9,0,100,500,20,1,3,0"}
        << QStringList{"diff", good, "--port", "DEV"} << QByteArray() << 7
        << QByteArray(R"({"verdict": "differs", "differences": [{"register": 4,
                          "caption": "Mode", "file": 1, "unit": 9}]})");
    QTest::newRow("refused") << QStringList{"--exception", "4"}
                             << QStringList{"diff", good, "--port", "DEV"} << QByteArray() << 5
                             << QByteArray(R"({"verdict": "refused", "differences": []})");
    QTest::newRow("bad file") << sim << QStringList{"write", outside, "--port", "DEV"}
                              << QByteArray() << 2 << QByteArray(R"({"verdict": "bad file"})");
    QTest::newRow("write to another address records it")
        << QStringList{"--slave", "5"}
        << QStringList{"write", good, "--port", "DEV", "--slave", "5"} << QByteArray() << 0
        << QByteArray(R"({"slave": 5, "verdict": "written"})");
    QTest::newRow("scan: the units found")
        << QStringList{"--tcp", "0", "--slave", "5"}
        << QStringList{"scan", "--port", "DEV", "--slaves", "4-6"} << QByteArray() << 0
        << QByteArray(R"({"port": "DEV", "endpoint": "DEV", "units": [{"slave": 5, "baud": 9600,
                          "parity": "none", "stopBits": 1, "mode": "0-5V",
                          "registers": [2, 1, 0, 100, 500, 20, 1, 3, 0]}]})");
}

// One JSON document on standard output, and with --quiet nothing on standard error but errors.
void TestCli::jsonResults()
{
    QFETCH(QStringList, switches);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, expected);
    SimProcess sim;
    const QString device = sim.Start(switches);
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    arguments.replaceInStrings(QRegularExpression("^DEV$"), device);
    const CliRun run =
        RunCli(arguments + QStringList{"--json", "--quiet"}, 10000, {{}, false, input});

    QCOMPARE(run.exitCode, exitCode);
    if (exitCode == 0 || exitCode == 7)
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    QVERIFY2(error.error == QJsonParseError::NoError && document.isObject(), qPrintable(run.out));
    const QByteArray sha = QCryptographicHash::hash(input, QCryptographicHash::Sha256).toHex();
    const QJsonObject want =
        QJsonDocument::fromJson(expected.replace("DEV", device.toUtf8()).replace("SHA", sha))
            .object();
    QVERIFY(!want.isEmpty());
    for (auto member = want.begin(); member != want.end(); ++member)
        QVERIFY2(document.object().value(member.key()) == member.value(),
                 qPrintable(member.key() + " in " + run.out));
    if (exitCode != 0 && exitCode != 7 && arguments.first() != "scan")
        QVERIFY(!document.object().value("message").toString().isEmpty());
}

// The port list under the window's port field, as text and as JSON: a device a variable names,
// and a variable that names none, greyed in the window and told why here.
void TestCli::portsListsWhatTheWindowLists()
{
    SimProcess sim;
    const QString device = sim.Start();
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    qputenv("MORVANE_COM9", device.toUtf8());
    qputenv("MORVANE_COM8", "/dev/morvane-none");
    const CliRun text = RunCli({"ports"});
    const CliRun json = RunCli({"ports", "--json"});
    qunsetenv("MORVANE_COM9");
    qunsetenv("MORVANE_COM8");

    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.out.contains(device + "\n    port 9: MORVANE_COM9=" + device + "\n"),
             qPrintable(text.out));
    QVERIFY2(text.out.endsWith("port 8: MORVANE_COM8=/dev/morvane-none — no such device\n"),
             qPrintable(text.out));
    QCOMPARE(json.exitCode, 0);
    const QJsonArray ports = QJsonDocument::fromJson(json.out.toUtf8()).object()["ports"].toArray();
    QVERIFY2(!ports.isEmpty(), qPrintable(json.out));
    const QJsonObject last = ports.last().toObject();
    QCOMPARE(last["choosable"].toBool(true), false);
    QCOMPARE(last["problem"].toString(), QString("no such device"));
    QCOMPARE(last["portNumbers"].toArray().first().toObject()["variable"].toString(),
             QString("MORVANE_COM8"));
    bool listed = false;
    for (const QJsonValue& port : ports)
        listed = listed || (port["device"].toString() == device &&
                            port["portNumbers"].toArray().first()["number"].toInt() == 9);
    QVERIFY2(listed, qPrintable(json.out));
    QCOMPARE(sim.RequestCount(), 0);
}

// Each run of write and diff leaves one row: what was written, to which unit, and how it ended.
void TestCli::productionLogKeepsEveryRun()
{
    SimProcess sim;
    const QString device = sim.Start({"--disagree", "7=999"});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    const QByteArray fileText = ConfigFileText({5, {2, 1, 0, 100, 500, 20, 1, 3, 0}}, {});
    const QString file = WriteFile(m_dir, "logged, \"b\".morvane", fileText);
    const QString log = m_dir.filePath("production.csv");
    const QStringList common{"--port", device, "--log", log};

    QCOMPARE(RunCli(QStringList{"write", file} + common).exitCode, 0);
    const CliRun verified = RunCli(QStringList{"write", file, "--verify"} + common);
    QCOMPARE(verified.exitCode, 7);
    QVERIFY2(verified.err.startsWith("Opening the log " + log + " ... done\nChecking "),
             qPrintable(verified.err));
    QCOMPARE(RunCli(QStringList{"diff", file} + common).exitCode, 7);

    QFile csv(log);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QList<QByteArray> rows = csv.readAll().split('\n');
    QCOMPARE(rows.takeLast(), QByteArray());
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows[0], "time,port,endpoint,adapter serial number,slave,file,sha256,verdict,"
                      "exit status,differing registers\r");
    const QString sha = QCryptographicHash::hash(fileText, QCryptographicHash::Sha256).toHex();
    const QString quotedFile = "\"" + QString(file).replace("\"", "\"\"") + "\"";
    const QString start =
        "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}([+-]\\d\\d:\\d\\d|Z)," +
        QRegularExpression::escape(device + "," + device + ",,1," + quotedFile + "," + sha + ",");
    const QStringList ends{"written,0,\r$", "differs,7,7: 500 -> 999\r$",
                           "differs,7,7: 500 -> 999\r$"};
    for (int r = 0; r < 3; ++r)
        QVERIFY2(QRegularExpression(start + ends[r]).match(rows[r + 1]).hasMatch(),
                 rows[r + 1].constData());
}

// The page of a file and the page of a unit that holds the same values, drawn without a
// display, read the same but for the time they were made and the file's name; the unit's goes
// to standard output.
void TestCli::networkLibraryOnlyForTheNetwork_data()
{
    QTest::addColumn<QStringList>("switches"); // the controller's
    QTest::addColumn<bool>("network");
    QTest::newRow("serial line") << QStringList{} << false;
    QTest::newRow("Modbus TCP") << QStringList{"--tcp", "0"} << true;
    QTest::newRow("device server") << QStringList{"--rtu-tcp", "0"} << true;
}

// Qt Network and what it links (Kerberos, a proxy resolver) cost a read on a serial line its
// start-up time; they are loaded only for a unit on the network.
void TestCli::networkLibraryOnlyForTheNetwork()
{
    QFETCH(QStringList, switches);
    QFETCH(bool, network);
    SimProcess sim;
    const QString device = sim.Start(switches);
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    const CliRun run = RunCli({"read", "--port", device, "--quiet"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(WindowLoadedBy(run), QString());
    static const QRegularExpression networkLibraries(R"(lib(Qt6Network|morvane-network|krb5)\.)");
    QCOMPARE(!run.loaded.filter(networkLibraries).isEmpty(), network);
}

void TestCli::reportOfFileAndOfUnitAgree()
{
    SimProcess sim;
    const QString device = sim.Start({"--registers", kUnit});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    const QString file = WriteFile(m_dir, "unit.morvane",
                                   ConfigFileText({5, {3, 4, 65535, 32768, 0, 20, 247, 7, 2}}, {}));
    const QString filePage = m_dir.filePath("file.pdf");
    const QString unitPage = m_dir.filePath("unit.pdf");

    const CliRun ofFile = RunCli({"report", file, "--port", device, "-o", filePage});
    const CliRun ofUnit = RunCli({"report", "--from-unit", "--port", device, "-o", "-"}, 10000,
                                 {unitPage, false, {}});

    QCOMPARE(ofFile.exitCode, 0);
    QCOMPARE(ofFile.err,
             "Checking " + file + " ... done\nSaving the PDF to " + filePage + " ... done\n");
    QCOMPARE(ofUnit.exitCode, 0);
    QVERIFY2(ofUnit.err.contains(QRegularExpression("^Reading 9 registers from " +
                                                    QRegularExpression::escape(device) +
                                                    " \\.\\.\\. done in \\d+ ms\n$")),
             qPrintable(ofUnit.err));
    QCOMPARE(sim.RequestCount(), 1);
    // The page's drawing is loaded for a report, and nothing that only the window needs.
    QVERIFY2(!ofFile.loaded.filter(QRegularExpression("libmorvane-report\\.")).isEmpty(),
             qPrintable(ofFile.loaded.join(' ')));
    QCOMPARE(WindowLoadedBy(ofFile, true), QString());
    QStringList texts;
    for (const QString& page : {filePage, unitPage}) {
        const PdfReading pdf = ReadPdf(page);
        QVERIFY2(pdf.problem.isEmpty(), qPrintable(pdf.problem));
        QCOMPARE(pdf.pages, 1);
        QVERIFY2(LineWith(pdf.text, "Count By").endsWith("Count By -1 5 65535"),
                 qPrintable(pdf.text));
        QStringList lines = pdf.text.split('\n');
        lines.removeIf([](const QString& line) {
            return line.startsWith("Date and time") || line.startsWith("File ");
        });
        // The columns pdftotext lays out shift with the width of the lines left out.
        texts << lines.join('\n').replace(QRegularExpression(" {2,}"), "  ");
    }
    QCOMPARE(texts[0], texts[1]);
}

// "./ttyB" is a path from the working folder, not a port number; a bare "ttyB" is neither.
void TestCli::relativePathIsTheWorkingFolders()
{
    SimProcess sim;
    const QString device = sim.Start({"--registers", kUnit});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    QVERIFY(QFile::link(device, m_dir.filePath("ttyB")));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    const CliRun relative = RunCli({"read", "--port", "./ttyB"});
    const CliRun bare = RunCli({"read", "--port", "ttyB"});
    QDir::setCurrent(before);

    QCOMPARE(relative.exitCode, 0);
    QVERIFY2(relative.err.startsWith("Reading 9 registers from ./ttyB ... done"),
             qPrintable(relative.err));
    QCOMPARE(bare.exitCode, 1);
    QVERIFY2(bare.err.contains("found 'ttyB'"), qPrintable(bare.err));
    QCOMPARE(sim.RequestCount(), 1);
}

void TestCli::traceShowsEachFrameAsItPasses()
{
    SimProcess sim;
    const QString device = sim.Start({"--registers", "2,1,0,100,500,20,1,3,0"});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    const CliRun run = RunCli({"read", "--trace", "--port", device});
    QCOMPARE(run.exitCode, 0);
    const QString time = "\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\t";
    const QRegularExpression lines(
        "^Reading 9 registers from " + QRegularExpression::escape(device) + " \\.\\.\\. \n" + time +
        "sent\\t01 03 00 02 00 09 24 0C\\tread request, registers 3 to 11 of slave 1\n" + time +
        "received\\t01 03 12 00 02 00 01 00 00 00 64 01 F4 00 14 00 01 00 03 00 00 87 13\\t"
        "answer, 9 registers\n\\.\\.\\. done in \\d+ ms\n$");
    QVERIFY2(lines.match(run.err).hasMatch(), qPrintable(run.err));
    QVERIFY(ReadBack(run.out).config);
}

void TestCli::stopSignalClosesThePort_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stoppedLine");
    QTest::newRow("Ctrl-C during a read")
        << SIGINT << false << 130
        << "Stopped by SIGINT while waiting for the controller: nothing was read.";
    QTest::newRow("a kill during a write")
        << SIGTERM << true << 143
        << "Stopped by SIGTERM while waiting for the controller: it may hold part of the write.";
    QTest::newRow("the terminal gone during a read")
        << SIGHUP << false << 129
        << "Stopped by SIGHUP while waiting for the controller: nothing was read.";
}

// A stop during the wait closes the port: Qt's lock file and the terminal's exclusive use go,
// so that a second run by another user opens the port and its request reaches the controller.
void TestCli::stopSignalClosesThePort()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, write);
    QFETCH(int, exitCode);
    QFETCH(QString, stoppedLine);
    const UnprivilegedRun other;
    QVERIFY2(other.Ready(), "the unprivileged user nobody and a folder it can reach are needed");
    SimProcess sim;
    const QString device = sim.Start({"--silent"});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    // The second user may use the device itself, as a member of its group would.
    QCOMPARE(::chmod(qPrintable(device), 0666), 0);
    const QString file =
        WriteFile(m_dir, "stop.morvane", ConfigFileText({5, {2, 1, 0, 100, 500, 20, 1, 3, 0}}, {}));

    QProcess first;
    StartCli(first, write ? QStringList{"write", file, "--port", device}
                          : QStringList{"read", "--port", device});
    QVERIFY(sim.WaitForRequests(1));
    QCOMPARE(::kill(pid_t(first.processId()), signalNumber), 0);
    QVERIFY(first.waitForFinished(5000));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), exitCode);
    const QString err = QString::fromUtf8(first.readAllStandardError());
    QVERIFY2(err.contains(QRegularExpression(" \\.\\.\\. stopped after \\d+ ms\n" +
                                             QRegularExpression::escape(stoppedLine) + "\n$")),
             qPrintable(err));

    QProcess second;
    other.Start(second, {"read", "--port", device});
    const bool reached = sim.WaitForRequests(2);
    ::kill(pid_t(second.processId()), SIGINT);
    QVERIFY(second.waitForFinished(5000));
    QVERIFY2(reached, second.readAllStandardError().constData());
    QCOMPARE(second.exitCode(), 130);
}

// The window closes and ends with the signal's status on a kill or a lost session. It loads
// the window's libraries, which the subcommands' runs above did not.
void TestCli::windowEndsOnStopSignals()
{
    for (const int signalNumber : {SIGTERM, SIGHUP}) {
        QProcess window;
        QProcessEnvironment env = WithoutDisplay();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        const QTemporaryDir told;
        window.setProcessEnvironment(TellingLoadedLibraries(env, told.path()));
        window.start(MORVANE_CONFIG_PATH, {});
        QVERIFY(window.waitForStarted());
        QVERIFY2(WaitUntilCaught(window.processId(), signalNumber), "the window never listened");
        QCOMPARE(::kill(pid_t(window.processId()), signalNumber), 0);
        QVERIFY(window.waitForFinished(5000));
        QCOMPARE(window.exitStatus(), QProcess::NormalExit);
        QCOMPARE(window.exitCode(), 128 + signalNumber);
        const QStringList loaded = WindowLibraries(LoadedLibraries(told.path()));
        QVERIFY2(!loaded.filter("libmorvane-window.so").isEmpty() &&
                     !loaded.filter("libQt6Widgets.so").isEmpty(),
                 qPrintable(loaded.join(' ')));
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
