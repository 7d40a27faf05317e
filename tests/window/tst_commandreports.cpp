// What the technician is told, and when: the words of every failure message, and the order
// in which a failure reaches the message box, the status line and the watchdog.

#include "exchange/failurewords.h"
#include "window/commandreports.h"

#include "fakeserialport.h"
#include "fakesystemports.h"
#include "fakewindowhost.h"
#include "protocol/requests.h"

#include <QtTest>

using namespace morvane;
using namespace morvane::testing;

Q_DECLARE_METATYPE(morvane::PortFault)

namespace
{

const std::string kNoResponse = "No Response From Morvane\r\n"
                                "Check Power and Comms Connection\r\n"
                                "If necessary install link between MI and COM on K3";

ResolvedPort Port(const std::string& text)
{
    return ResolvePort(
        text, [](const std::string&) { return std::nullopt; }, PortPlatform::Unix);
}

// Pumps the fake window's events, 10 ms per pass, until the given time has passed.
void PassTime(FakeLinkHost& host, double seconds)
{
    const int passes = static_cast<int>(seconds / host.pumpStepSeconds + 0.5);
    for (int i = 0; i < passes; ++i)
        host.PumpEvents(10);
}

// A message box that, like a modal one, keeps the window's timers running while it waits for
// the user: the watchdog may tick again before the message is dismissed.
class ModalMessageHost : public FakeWindowHost
{
  public:
    void ShowMessage(std::string_view title, const std::string& text) override
    {
        FakeWindowHost::ShowMessage(title, text);
        if (++m_depth < 5)
            PassTime(*this, 3.0); // the user reads for three seconds
        --m_depth;
    }

  private:
    int m_depth = 0;
};

} // namespace

class TestCommandReports : public QObject
{
    Q_OBJECT
  private slots:
    void init();

    void failedOpenShowsOneMessage_data();
    void failedOpenShowsOneMessage();
    void portWithoutDeviceIsRefusedBeforeTheCorrections_data();
    void portWithoutDeviceIsRefusedBeforeTheCorrections();
    void failedOpenDoesNotStackAWatchdogMessage();
    void openFailureAdvice_data();
    void openFailureAdvice();

    void watchdogTickShowsTheMessageOnce();
    void watchdogTickAfterDismissalStaysQuiet();

    void connectionLostClosesAndReportsOnce();
    void refusalText_data();
    void refusalText();

  private:
    // Opens as a command does: a failure is reported at once.
    void Open(const ResolvedPort& port, const std::string& baud, std::int16_t& data,
              std::int16_t& stop);

    FakeSerialPort m_port;
    FakeSystemPorts m_system;
    ModalMessageHost m_host;
    std::unique_ptr<Link> m_link;
};

void TestCommandReports::init()
{
    m_port = FakeSerialPort();
    m_host = ModalMessageHost();
    m_host.pumpStepSeconds = 0.01;
    m_system.ports = {"/dev/ttyS0"};
    m_link = std::make_unique<Link>(m_port, m_host);
    m_host.onWatchdogTick = [this] { ReportNoResponse(m_host, m_host); };
}

void TestCommandReports::Open(const ResolvedPort& port, const std::string& baud, std::int16_t& data,
                              std::int16_t& stop)
{
    if (const auto failure = OpenComPort(m_port, port, baud, data, "None", stop, m_system))
        ReportOpenFailure(m_host, m_host, *failure, baud);
}

void TestCommandReports::failedOpenShowsOneMessage_data()
{
    QTest::addColumn<PortFault>("fault");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("secondLine");
    QTest::newRow("in use") << PortFault::InUse << "7"
                            << "/dev/ttyS6 is in use: another program holds it.";
    QTest::newRow("settings refused") << PortFault::SettingsRefused << "/dev/pts/2"
                                      << "/dev/pts/2 refused the settings 9600,N,8,1 (why).";
    QTest::newRow("missing device") << PortFault::NoSuchDevice << "7"
                                    << "There is no device /dev/ttyS6 (why).";
    QTest::newRow("other") << PortFault::Other << "7"
                           << "/dev/ttyS6 could not be opened (why).";
}

void TestCommandReports::failedOpenShowsOneMessage()
{
    QFETCH(PortFault, fault);
    QFETCH(QString, port);
    QFETCH(QString, secondLine);
    m_port.FailNextOpen(fault, "why");
    std::int16_t data = 8, stop = 1;
    Open(Port(port.toStdString()), "9600", data, stop);

    QVERIFY(!m_port.PortOpen());
    QCOMPARE(m_host.messages.size(), std::size_t(1));
    QCOMPARE(m_host.messages[0].title, std::string("Error"));
    const QStringList lines = QString::fromStdString(m_host.messages[0].text).split("\r\n");
    QCOMPARE(lines[0], "Unable to open Com Port " + port + " at 9600 Baud");
    QCOMPARE(lines.value(1), secondLine);
    QCOMPARE(m_host.status, std::string("ERROR"));
    QVERIFY(!m_host.WatchdogActive());
}

void TestCommandReports::portWithoutDeviceIsRefusedBeforeTheCorrections_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("secondLine");
    QTest::newRow("port 0") << ""
                            << "There is no port 0: port numbers begin at 1.";
    QTest::newRow("negative") << "-2"
                              << "There is no port -2: port numbers begin at 1.";
    QTest::newRow("beyond 16 bits") << "70000"
                                    << "There is no port 70000: port numbers go from 1 to 32767.";
}

void TestCommandReports::portWithoutDeviceIsRefusedBeforeTheCorrections()
{
    QFETCH(QString, port);
    QFETCH(QString, secondLine);
    std::int16_t data = 8, stop = 1;
    Open(Port("1"), "9600", data, stop);
    data = 9;
    stop = 0;
    Open(Port(port.toStdString()), "4800", data, stop);

    QVERIFY(!m_port.PortOpen());
    QCOMPARE(m_port.closes, 1); // the open port was still closed first
    QCOMPARE(m_port.opens, 1);  // and no device was tried
    QCOMPARE(int(data), 9);
    QCOMPARE(int(stop), 0);
    QCOMPARE(m_host.messages.size(), std::size_t(1));
    const QStringList lines = QString::fromStdString(m_host.messages[0].text).split("\r\n");
    QCOMPARE(lines[0], "Unable to open Com Port " +
                           QString::fromStdString(Port(port.toStdString()).label) +
                           " at 4800 Baud");
    QCOMPARE(lines.value(1), secondLine);
    QVERIFY(lines.value(2).contains("serial ports", Qt::CaseInsensitive));
    QCOMPARE(m_host.status, std::string("ERROR"));
}

void TestCommandReports::failedOpenDoesNotStackAWatchdogMessage()
{
    // The write command arms the watchdog before it opens the port; the "Error" box is shown
    // long enough for the watchdog to fall due while it waits.
    m_host.StartWatchdog();
    m_host.now += 0.9;
    m_port.FailNextOpen(PortFault::InUse, "");
    std::int16_t data = 8, stop = 1;
    Open(Port("1"), "9600", data, stop);
    PassTime(m_host, 3.0);
    QCOMPARE(m_host.messages.size(), std::size_t(1));
    QCOMPARE(m_host.messages[0].title, std::string("Error"));
    QVERIFY(!m_host.WatchdogActive());
}

void TestCommandReports::openFailureAdvice_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<PortFault>("fault");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("reason"); // the system's words; unset: "Permission denied"
    QTest::newRow("permission with group")
        << "/dev/ttyUSB0" << PortFault::PermissionDenied << "dialout" << QStringList()
        << "You have no permission to use /dev/ttyUSB0 (Permission denied).\r\n"
           "It belongs to the group dialout. Join the group with "
           "\"sudo usermod -aG dialout $USER\", then log out and in again."
        << QString();
    QTest::newRow("permission without group")
        << "/dev/ttyUSB0" << PortFault::PermissionDenied << "" << QStringList()
        << "You have no permission to use /dev/ttyUSB0 (Permission denied).\r\n"
           "Ask the administrator of this computer for access to it."
        << QString();
    QTest::newRow("missing numbered port")
        << "5" << PortFault::NoSuchDevice << "" << QStringList{"/dev/ttyS0", "/dev/ttyUSB0"}
        << "There is no device /dev/ttyS4 (Permission denied).\r\n"
           "Serial ports on this computer: /dev/ttyS0, /dev/ttyUSB0.\r\n"
           "To use another device as port 5, type its path into the port field or set "
           "MORVANE_COM5 to it."
        << QString();
    QTest::newRow("missing path, no ports")
        << "/dev/ttyACM3" << PortFault::NoSuchDevice << "" << QStringList()
        << "There is no device /dev/ttyACM3 (Permission denied).\r\n"
           "No serial ports were found on this computer."
        << QString();
    QTest::newRow("in use") << "/dev/ttyACM3" << PortFault::InUse << "" << QStringList()
                            << "/dev/ttyACM3 is in use: another program holds it.\r\n"
                               "Close that program and try again."
                            << QString();
    const auto network = [](const char* name, const char* port, PortFault fault, const char* reason,
                            const char* expected) {
        QTest::newRow(name) << port << fault << "" << QStringList() << expected << reason;
    };
    network("unknown host", "tcp://gw.example", PortFault::HostNotFound, "Host not found",
            "The host gw.example could not be found (Host not found).\r\n"
            "Check the name, or give the gateway's IP address instead.");
    network("refused", "rtu+tcp://10.0.0.7:4001", PortFault::ConnectionRefused,
            "Connection refused",
            "10.0.0.7 refused a connection on port 4001 (Connection refused).\r\n"
            "Check the port number, and that the gateway's Modbus TCP server (or the device "
            "server's raw TCP mode) is enabled on that port.");
    network("no route", "tcp://10.0.0.7", PortFault::NoRoute, "Network unreachable",
            "There is no route from this computer to 10.0.0.7 (Network unreachable).\r\n"
            "Check the network cable and this computer's network settings, and that 10.0.0.7 is "
            "the gateway's address.");
    network("no connection in time", "tcp://[::1]:1502", PortFault::ConnectTimeout,
            "no connection within 5 s",
            "::1 accepted no connection on port 1502 (no connection within 5 s).\r\n"
            "Check that the gateway has power and is on this network, and that no firewall "
            "blocks port 1502.");
    network("not an endpoint", "rtu+tcp://10.0.0.7", PortFault::Other, "",
            "rtu+tcp://10.0.0.7 names no unit on the network: rtu+tcp:// needs the port of the "
            "serial device server, as in rtu+tcp://10.0.0.7:4001.\r\n"
            "Give tcp://HOST[:PORT] for a Modbus TCP gateway, or rtu+tcp://HOST:PORT for a serial "
            "device server.");
}

void TestCommandReports::openFailureAdvice()
{
    QFETCH(QString, port);
    QFETCH(PortFault, fault);
    QFETCH(QString, group);
    QFETCH(QStringList, ports);
    QFETCH(QString, expected);
    QFETCH(QString, reason);
    OpenFailure f;
    f.port = Port(port.toStdString());
    f.device = f.port.device;
    f.fault = fault;
    f.systemText = reason.isNull() ? "Permission denied" : reason.toStdString();
    f.deviceGroup = group.toStdString();
    for (const QString& p : ports)
        f.availablePorts.push_back(p.toStdString());
    f.platform = PortPlatform::Unix;
    QCOMPARE(QString::fromStdString(OpenFailureAdvice(f)), expected);
}

void TestCommandReports::watchdogTickShowsTheMessageOnce()
{
    m_host.StartWatchdog();
    const double started = m_host.now;
    while (m_host.messages.empty() && m_host.now < started + 5)
        m_host.PumpEvents(10);

    QCOMPARE(m_host.messages.size(), std::size_t(1));
    QCOMPARE(m_host.messages[0].title, std::string("Communication Error"));
    QCOMPARE(m_host.messages[0].text, kNoResponse);
    QVERIFY(m_host.messages[0].at >= started + 1.0);
    QVERIFY(m_host.messages[0].at < started + 1.02);
    QVERIFY(!m_host.WatchdogActive());
}

void TestCommandReports::watchdogTickAfterDismissalStaysQuiet()
{
    m_host.StartWatchdog();
    PassTime(m_host, 10.0); // waiting for a reply
    QCOMPARE(m_host.messages.size(), std::size_t(1));
    QVERIFY(!m_host.WatchdogActive());
}

void TestCommandReports::connectionLostClosesAndReportsOnce()
{
    std::int16_t data = 8, stop = 1;
    Open(Port("/dev/ttyUSB0"), "9600", data, stop);
    m_host.StartWatchdog();
    ModbusReadRequest(*m_link, 1, 3, 9);
    m_host.onPump = [this](int) { m_port.LoseConnection(); };
    std::int16_t flag = 0;
    const ReceiveResult lost = ModbusReceive(*m_link, 1, flag);
    QVERIFY(ReportReplyFault(m_host, lost, 3));
    PassTime(m_host, 3.0);

    QVERIFY(!m_port.PortOpen());
    QCOMPARE(m_host.status, std::string("ERROR"));
    QCOMPARE(m_host.messages.size(), std::size_t(1));
    QCOMPARE(m_host.messages[0].title, std::string("Communication Error"));
    QCOMPARE(m_host.messages[0].text,
             std::string("The connection to /dev/ttyUSB0 was lost (Input/output error).\r\n"
                         "Check that the cable and adapter are plugged in and the controller "
                         "has power, then try again."));
    QVERIFY(!m_host.WatchdogActive());
}

void TestCommandReports::refusalText_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("text");
    const QByteArray read = "The controller refused the read request with exception code ";
    QTest::newRow("1") << false << 1 << read + "1 (illegal function).";
    QTest::newRow("2") << false << 2 << read + "2 (illegal data address).";
    QTest::newRow("3") << false << 3 << read + "3 (illegal data value).";
    QTest::newRow("4") << false << 4 << read + "4 (slave device failure).";
    QTest::newRow("7") << false << 7 << read + "7.";
    QTest::newRow("0") << false << 0 << read + "0.";
    QTest::newRow("write, 2") << true << 2
                              << QByteArray("The controller refused the write request with "
                                            "exception code 2 (illegal data address).");
}

void TestCommandReports::refusalText()
{
    QFETCH(bool, write);
    QFETCH(int, code);
    QFETCH(QByteArray, text);
    const int function = write ? 16 : 3;
    ReceiveResult refused;
    refused.outcome = ReceiveOutcome::Refused;
    refused.exceptionCode = static_cast<std::int16_t>(code);
    QVERIFY(ReportReplyFault(m_host, refused, function));
    QCOMPARE(m_host.status, std::string("ERROR"));
    QCOMPARE(m_host.messages.size(), std::size_t(1));
    QCOMPARE(m_host.messages[0].title, std::string("Communication Error"));
    QCOMPARE(QByteArray::fromStdString(m_host.messages[0].text), text);
}

QTEST_APPLESS_MAIN(TestCommandReports)
#include "tst_commandreports.moc"
