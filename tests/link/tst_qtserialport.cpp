#include "link/comport.h"
#include "link/qtserialport.h"

#include "fakelinkhost.h"
#include "fakeserialport.h"

#include <QSerialPortInfo>
#include <QtTest>

#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace morvane;
using namespace morvane::testing;

Q_DECLARE_METATYPE(morvane::PortFault)
Q_DECLARE_METATYPE(QSerialPort::Parity)
Q_DECLARE_METATYPE(QSerialPort::DataBits)
Q_DECLARE_METATYPE(QSerialPort::StopBits)

namespace
{

const QByteArray kAwkwardBytes = QByteArray::fromHex("0103000a0d031113ff7f00");

// The far end of a pseudo-terminal, played by the test.
class PseudoTerminal
{
  public:
    PseudoTerminal()
    {
        termios raw{};
        cfmakeraw(&raw);
        char name[128] = {};
        int slave = -1;
        if (::openpty(&m_master, &slave, name, &raw, nullptr) == 0) {
            ::close(slave);
            m_path = name;
        }
    }
    ~PseudoTerminal() { HangUp(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool valid() const { return m_master >= 0; }
    std::string path() const { return m_path; }

    bool Write(const QByteArray& bytes) const
    {
        return ::write(m_master, bytes.constData(), bytes.size()) == bytes.size();
    }

    // Whatever arrives within the time, without running Qt's event loop.
    QByteArray Read(qsizetype wanted, int timeoutMs) const
    {
        QByteArray got;
        QDeadlineTimer deadline(timeoutMs);
        while (got.size() < wanted && !deadline.hasExpired()) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
                break;
            char buf[256];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, n);
        }
        return got;
    }

    termios LineSettings() const
    {
        termios tio{};
        ::tcgetattr(m_master, &tio);
        return tio;
    }

    void HangUp()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

  private:
    int m_master = -1;
    std::string m_path;
};

// Runs the event loop until the condition holds or the time is up; true if it held.
template <typename Condition> bool PumpUntil(Condition condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QTimer wake; // keeps WaitForMoreEvents from sleeping past the deadline
    wake.start(50);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return condition();
}

double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void OpenOn(QtSerialPort& port, const std::string& device, const std::string& settings,
            bool rts = true)
{
    port.SetDevicePath(device);
    port.SetSettings(settings);
    port.SetRTSEnable(rts);
    port.SetPortOpen(true);
}

} // namespace

class TestQtSerialPort : public QObject
{
    Q_OBJECT
  private slots:
    void parsePortSettings_data();
    void parsePortSettings();
    void refusedSettingsFailTheOpen_data();
    void refusedSettingsFailTheOpen();
    void settingsReachTheDevice();

    void sendsRawBytesAtOnce();
    void receivesOneBytePerInput();
    void arrivingBytesWakeTheEventLoop();
    void refusedRequestToSendDoesNotFailTheOpen_data();
    void refusedRequestToSendDoesNotFailTheOpen();
    void closedPortBehavesLikeTheFake();
    void numberedPortFollowsTheResolution();

    void missingDeviceIsNamedWithThePortsThereAre();
    void secondOpenFindsThePortInUse();
    void permissionDeniedNamesTheGroup_data();
    void permissionDeniedNamesTheGroup();
    void hangUpClosesThePortOnceAndStaysIdle();
    void hangUpGivesOneMessage();
};

void TestQtSerialPort::parsePortSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QSerialPort::Parity>("parity");
    QTest::addColumn<QSerialPort::DataBits>("dataBits");
    QTest::addColumn<QSerialPort::StopBits>("stopBits");
    QTest::newRow("design") << "9600,N,8,1" << 9600 << QSerialPort::NoParity << QSerialPort::Data8
                            << QSerialPort::OneStop;
    QTest::newRow("even 7 2") << "19200,E,7,2" << 19200 << QSerialPort::EvenParity
                              << QSerialPort::Data7 << QSerialPort::TwoStop;
    QTest::newRow("odd lower case") << "115200,o,8,1.5" << 115200 << QSerialPort::OddParity
                                    << QSerialPort::Data8 << QSerialPort::OneAndHalfStop;
    QTest::newRow("mark") << "300,M,5,1" << 300 << QSerialPort::MarkParity << QSerialPort::Data5
                          << QSerialPort::OneStop;
    QTest::newRow("space") << "1200,s,6,1" << 1200 << QSerialPort::SpaceParity << QSerialPort::Data6
                           << QSerialPort::OneStop;
    QTest::newRow("empty baud and parity keep the design")
        << ",,8,1" << 9600 << QSerialPort::NoParity << QSerialPort::Data8 << QSerialPort::OneStop;
}

void TestQtSerialPort::parsePortSettings()
{
    QFETCH(QString, text);
    QFETCH(int, baud);
    QFETCH(QSerialPort::Parity, parity);
    QFETCH(QSerialPort::DataBits, dataBits);
    QFETCH(QSerialPort::StopBits, stopBits);
    const std::optional<PortSettings> s = ParsePortSettings(text.toStdString());
    QVERIFY(s.has_value());
    QCOMPARE(s->baudRate, baud);
    QCOMPARE(s->parity, parity);
    QCOMPARE(s->dataBits, dataBits);
    QCOMPARE(s->stopBits, stopBits);
}

void TestQtSerialPort::refusedSettingsFailTheOpen_data()
{
    QTest::addColumn<QString>("settings");
    QTest::newRow("baud not a number") << "fast,N,8,1";
    QTest::newRow("baud zero") << "0,N,8,1";
    QTest::newRow("baud negative") << "-9600,N,8,1";
    QTest::newRow("baud beyond 32 bits") << "99999999999,N,8,1";
    QTest::newRow("baud with blank") << "9600 ,N,8,1";
    QTest::newRow("parity unknown") << "9600,X,8,1";
    QTest::newRow("parity word") << "9600,None,8,1";
    QTest::newRow("nine data bits") << "9600,N,9,1";
    QTest::newRow("three stop bits") << "9600,N,8,3";
    QTest::newRow("field missing") << "9600,N,8";
    QTest::newRow("field too many") << "9600,N,8,1,1";
    QTest::newRow("empty") << "";
}

void TestQtSerialPort::refusedSettingsFailTheOpen()
{
    QFETCH(QString, settings);
    QVERIFY(!ParsePortSettings(settings.toStdString()).has_value());
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QtSerialPort port;
    OpenOn(port, pty.path(), settings.toStdString());
    QVERIFY(!port.PortOpen());
    QCOMPARE(port.LastFault(), PortFault::SettingsRefused);
    QVERIFY(QString::fromStdString(port.LastFaultText()).contains(settings));
}

void TestQtSerialPort::settingsReachTheDevice()
{
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QtSerialPort port;
    OpenOn(port, pty.path(), "19200,N,8,2");
    QVERIFY(port.PortOpen());
    // The master side of a pseudo-terminal reports the line settings of its terminal.
    const termios tio = pty.LineSettings();
    QCOMPARE(cfgetospeed(&tio), speed_t(B19200));
    QVERIFY(tio.c_cflag & CSTOPB);
    QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
}

void TestQtSerialPort::sendsRawBytesAtOnce()
{
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QtSerialPort port;
    OpenOn(port, pty.path(), "9600,N,8,1");
    QVERIFY(port.PortOpen());
    for (char c : kAwkwardBytes)
        QVERIFY(port.Output(static_cast<std::uint8_t>(c)));
    // No event processing in between: each byte must have left when Output() returned.
    QCOMPARE(pty.Read(kAwkwardBytes.size(), 2000), kAwkwardBytes);
}

void TestQtSerialPort::receivesOneBytePerInput()
{
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QtSerialPort port;
    OpenOn(port, pty.path(), "9600,N,8,1");
    QVERIFY(port.PortOpen());
    QCOMPARE(port.InBufferCount(), 0);
    QCOMPARE(port.Input(), std::nullopt);

    QVERIFY(pty.Write(kAwkwardBytes));
    QVERIFY(PumpUntil([&] { return port.InBufferCount() >= kAwkwardBytes.size(); }, 5000));
    QCOMPARE(port.InBufferCount(), int(kAwkwardBytes.size()));
    QByteArray got;
    for (qsizetype i = 0; i < kAwkwardBytes.size(); ++i) {
        const std::optional<std::uint8_t> b = port.Input();
        QVERIFY(b.has_value());
        got.append(char(*b));
        QCOMPARE(port.InBufferCount(), int(kAwkwardBytes.size() - i - 1));
    }
    QCOMPARE(got, kAwkwardBytes);
    QCOMPARE(port.Input(), std::nullopt);
}

void TestQtSerialPort::arrivingBytesWakeTheEventLoop()
{
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QtSerialPort port;
    OpenOn(port, pty.path(), "9600,N,8,1");
    QVERIFY(port.PortOpen());

    QEventLoop loop;
    bool gaveUp = false;
    connect(&port, &QtSerialPort::bytesArrived, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, [&] {
        gaveUp = true;
        loop.quit();
    });
    QVERIFY(pty.Write("\x01"));
    loop.exec();
    QVERIFY2(!gaveUp, "the arriving byte did not wake the event loop");
    QCOMPARE(port.Input(), std::optional<std::uint8_t>(1));
}

void TestQtSerialPort::refusedRequestToSendDoesNotFailTheOpen_data()
{
    QTest::addColumn<bool>("rts");
    QTest::newRow("RTS asked for") << true;
    QTest::newRow("RTS not asked for") << false;
}

void TestQtSerialPort::refusedRequestToSendDoesNotFailTheOpen()
{
    QFETCH(bool, rts);
    PseudoTerminal pty; // a pseudo-terminal has no modem lines
    QVERIFY(pty.valid());
    QtSerialPort port;
    OpenOn(port, pty.path(), "9600,N,8,1", rts);
    QVERIFY(port.PortOpen());
    QCOMPARE(port.LastFault(), PortFault::None);
    QVERIFY(port.Output(0x42));
    QCOMPARE(pty.Read(1, 2000), QByteArray("\x42"));
    QVERIFY(pty.Write("\x24"));
    QVERIFY(PumpUntil([&] { return port.InBufferCount() == 1; }, 5000));
    QCOMPARE(port.Input(), std::optional<std::uint8_t>(0x24));
}

void TestQtSerialPort::closedPortBehavesLikeTheFake()
{
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QtSerialPort real;
    FakeSerialPort fake;
    for (SerialPort* port : std::initializer_list<SerialPort*>{&real, &fake}) {
        port->SetDevicePath(pty.path());
        port->SetSettings("9600,N,8,1");
        for (int round = 0; round < 2; ++round) { // never opened, then opened and closed
            QVERIFY(!port->PortOpen());
            QVERIFY(!port->Output(0x01));
            QCOMPARE(port->InBufferCount(), 0);
            QCOMPARE(port->Input(), std::nullopt);
            port->SetPortOpen(true);
            QVERIFY(port->PortOpen());
            QCOMPARE(port->LastFault(), PortFault::None);
            port->SetPortOpen(false);
        }
    }
    QCOMPARE(pty.Read(1, 100), QByteArray());
}

void TestQtSerialPort::numberedPortFollowsTheResolution()
{
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    const std::string device = pty.path();
    QtSerialPort port([&](const std::string& name) -> std::optional<std::string> {
        if (name == "MORVANE_COM5")
            return device;
        return std::nullopt;
    });
    port.SetCommPort(4);
    QCOMPARE(port.DeviceName(), std::string("/dev/ttyS3"));
    port.SetCommPort(0);
    port.SetPortOpen(true);
    QCOMPARE(port.LastFault(), PortFault::NoSuchDevice);
    port.SetCommPort(5);
    QCOMPARE(port.DeviceName(), device);
    port.SetPortOpen(true);
    QVERIFY(port.PortOpen());
}

void TestQtSerialPort::missingDeviceIsNamedWithThePortsThereAre()
{
    const std::string missing = "/dev/morvane-no-such-port";
    QtSerialPort port;
    FakeLinkHost host;
    Link link(port, host);
    std::int16_t data = 8, stop = 1;
    const auto env = [&](const std::string& name) -> std::optional<std::string> {
        return name == "MORVANE_COM7" ? std::optional(missing) : std::nullopt;
    };
    OpenComPort(link, ResolvePort("7", env), link.PortBaudText, data, link.PortParityName, stop);

    QVERIFY(!port.PortOpen());
    QCOMPARE(port.LastFault(), PortFault::NoSuchDevice);
    QCOMPARE(host.messages.size(), std::size_t(1));
    QCOMPARE(host.messages[0].title, std::string("Error"));
    const QStringList lines = QString::fromStdString(host.messages[0].text).split("\r\n");
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QString("Unable to open Com Port 7 at 9600 Baud"));
    QVERIFY2(lines[1].startsWith(QString::fromStdString("There is no device " + missing)),
             qPrintable(lines[1]));
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        QVERIFY2(lines[2].contains(info.systemLocation()), qPrintable(lines[2]));
    if (QSerialPortInfo::availablePorts().isEmpty())
        QCOMPARE(lines[2], QString("No serial ports were found on this computer."));
    QVERIFY(lines[3].contains("MORVANE_COM7"));
    QCOMPARE(host.status, std::string("ERROR"));
}

void TestQtSerialPort::secondOpenFindsThePortInUse()
{
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QtSerialPort first;
    OpenOn(first, pty.path(), "9600,N,8,1");
    QVERIFY(first.PortOpen());

    QtSerialPort second;
    FakeLinkHost host;
    Link link(second, host);
    std::int16_t data = 8, stop = 1;
    OpenComPort(link, ResolvePort(pty.path()), "9600", data, "None", stop);
    QVERIFY(!second.PortOpen());
    QCOMPARE(second.LastFault(), PortFault::InUse);
    QCOMPARE(host.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(host.messages[0].text),
             QString::fromStdString("Unable to open Com Port " + pty.path() + " at 9600 Baud\r\n" +
                                    pty.path() +
                                    " is in use: another program holds it.\r\n"
                                    "Close that program and try again."));
    QVERIFY(first.PortOpen()); // the holder is not disturbed
}

void TestQtSerialPort::permissionDeniedNamesTheGroup_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("groupGivesAccess");
    QTest::newRow("group may use it") << 0060 << true;
    QTest::newRow("nobody may use it") << 0000 << false;
}

void TestQtSerialPort::permissionDeniedNamesTheGroup()
{
    QFETCH(int, mode);
    QFETCH(bool, groupGivesAccess);
    // Root may open any device, so the opening runs as an unprivileged user. Neither the owner
    // nor others may use the device; its group may or may not.
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QCOMPARE(::chmod(pty.path().c_str(), mode_t(mode)), 0);
    QStringList command;
    if (::geteuid() == 0) {
        const QString runuser =
            QStandardPaths::findExecutable("runuser", {"/usr/sbin", "/sbin", "/usr/bin", "/bin"});
        QVERIFY2(!runuser.isEmpty(), "runuser (util-linux) is needed to drop privileges");
        command << runuser << "-u"
                << "nobody"
                << "--";
    }
    command << MORVANE_PORT_OPENER << QString::fromStdString(pty.path());
    QProcess opener;
    opener.start(command.takeFirst(), command);
    QVERIFY(opener.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(opener.readAllStandardOutput());
    QCOMPARE(opener.exitCode(), 1);

    QVERIFY2(out.contains(QString("fault %1\n").arg(int(PortFault::PermissionDenied))),
             qPrintable(out));
    const QString device = QString::fromStdString(pty.path());
    QVERIFY2(out.contains("title Error\ntext Unable to open Com Port " + device +
                          " at 9600 Baud\r\nYou have no permission to use " + device + " ("),
             qPrintable(out));
    const std::string group = DeviceAccessGroup(pty.path());
    QCOMPARE(!group.empty(), groupGivesAccess);
    const std::string remedy =
        groupGivesAccess
            ? "It belongs to the group " + group + ". Join the group with \"sudo usermod -aG " +
                  group + " $USER\", then log out and in again.\n"
            : std::string("Ask the administrator of this computer for access to it.\n");
    QVERIFY2(out.contains(QString::fromStdString(remedy)), qPrintable(out));
}

namespace
{

// Waits, as a receive does, until the port reports its connection lost; the far end hangs up
// shortly after the wait begins. False when the wait had to give up.
bool WaitThroughHangUp(QtSerialPort& port, PseudoTerminal& pty)
{
    QEventLoop wait;
    bool gaveUp = false;
    QObject::connect(&port, &QtSerialPort::connectionLost, &wait, &QEventLoop::quit);
    QTimer::singleShot(5000, &wait, [&] {
        gaveUp = true;
        wait.quit();
    });
    QTimer::singleShot(20, &wait, [&] { pty.HangUp(); });
    wait.exec();
    return !gaveUp;
}

// Runs an idle event loop for the time and returns the process's CPU seconds meanwhile.
double CpuWhileIdle(int milliseconds)
{
    const double before = ProcessCpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(milliseconds, &idle, &QEventLoop::quit);
    idle.exec();
    return ProcessCpuSeconds() - before;
}

} // namespace

void TestQtSerialPort::hangUpClosesThePortOnceAndStaysIdle()
{
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QtSerialPort port;
    OpenOn(port, pty.path(), "9600,N,8,1");
    QVERIFY(port.PortOpen());
    QSignalSpy lost(&port, &QtSerialPort::connectionLost);
    bool closedWhenReported = false;
    connect(&port, &QtSerialPort::connectionLost, this,
            [&] { closedWhenReported = !port.PortOpen(); });

    QVERIFY2(WaitThroughHangUp(port, pty), "the hang-up did not end the wait");
    QVERIFY(closedWhenReported);
    QCOMPARE(port.LastFault(), PortFault::ConnectionLost);
    // An idle window afterwards: no further faults, and no core spinning on them.
    const double cpu = CpuWhileIdle(500);
    QVERIFY2(cpu < 0.2, qPrintable(QString("%1 s of CPU in 0.5 s").arg(cpu)));
    QCOMPARE(lost.count(), 1);
    QVERIFY(!port.Output(0x01));
    QCOMPARE(port.InBufferCount(), 0);

    // The device is gone for good: opening it again says so.
    port.SetPortOpen(true);
    QVERIFY(!port.PortOpen());
    QCOMPARE(port.LastFault(), PortFault::NoSuchDevice);
}

void TestQtSerialPort::hangUpGivesOneMessage()
{
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QtSerialPort port;
    FakeLinkHost host;
    Link link(port, host);
    std::int16_t data = 8, stop = 1;
    OpenComPort(link, ResolvePort(pty.path()), "9600", data, "None", stop);
    QVERIFY(port.PortOpen());
    host.StartWatchdog();
    connect(&port, &QtSerialPort::connectionLost, this, [&] { ReportConnectionLost(link); });

    QVERIFY2(WaitThroughHangUp(port, pty), "the hang-up did not end the wait");
    CpuWhileIdle(200);
    QCOMPARE(host.messages.size(), std::size_t(1));
    QCOMPARE(host.messages[0].title, std::string("Communication Error"));
    QVERIFY(QString::fromStdString(host.messages[0].text)
                .startsWith(QString::fromStdString("The connection to " + pty.path() +
                                                   " was lost (the device could not be read).")));
    QCOMPARE(host.status, std::string("ERROR"));
    QVERIFY(!host.WatchdogActive());
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
