// The command line against the virtual controller, run as a child process without a display:
// a read, a changed file written and verified, and one run per failure with its exit status,
// among them results that reach neither their file nor standard output.

#include "clirun.h"
#include "configfile/configfile.h"
#include "simprocess.h"
#include "support/fulldisk.h"

#include <QDir>
#include <QFile>
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

    QTest::newRow("unknown option") << sim << QStringList{"read", "--port", "DEV", "--baud", "9600"}
                                    << 1 << "Unknown option 'baud'."
                                    << "";
    QTest::newRow("write without a file")
        << sim << QStringList{"write", "--port", "DEV"} << 1 << "write needs the configuration FILE"
        << "";
    QTest::newRow("window without a display")
        << sim << QStringList{good} << 1 << "there is no display for the window"
        << "";
    QTest::newRow("mistyped subcommand")
        << sim << QStringList{"raed"} << 1
        << "morvane-config: unknown subcommand 'raed'; the subcommands are read and write"
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
    const QString portForms = "--port takes a port number from 1 to 32767 or a device path";
    for (const char* typo : {"1x", "&H2", "ttyUSB0", "COM1", "0", ""})
        QTest::addRow("port '%s'", typo)
            << sim << QStringList{"read", "--port", typo} << 1
            << portForms + " such as /dev/ttyUSB0 or ./ttyB; found '" + typo + "'."
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
    QCOMPARE(WindowLoadedBy(run), QString());
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
    const CliRun run = RunCli(arguments, 10000, {outputFile, outputFile.isEmpty()});

    QCOMPARE(run.exitCode, 2);
    if (!outputFile.isEmpty())
        QCOMPARE(WindowLoadedBy(run), QString());
    const QString reason = outputFile.isEmpty() ? "Bad file descriptor" : "No space left on device";
    QVERIFY2(run.err.endsWith("Unable to write to standard output\n" + reason + ".\n"),
             qPrintable(run.err));
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
