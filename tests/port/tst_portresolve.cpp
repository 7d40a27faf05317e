#include "port/portresolve.h"
#include "port/systemports.h"
#include "ptyfixture.h"
#include "support/fakesystemports.h"

#include <QtTest>

#include <map>

using namespace morvane;
using Kind = ResolvedPort::Kind;

Q_DECLARE_METATYPE(morvane::PortPlatform)
Q_DECLARE_METATYPE(morvane::ResolvedPort::Kind)
Q_DECLARE_METATYPE(morvane::NetworkFraming)

namespace
{

// "NAME=value;NAME2=value2" as a lookup.
EnvLookup EnvironmentOf(const QString& assignments)
{
    std::map<std::string, std::string> values;
    for (const QString& pair : assignments.split(';', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf('=');
        values[pair.left(eq).toStdString()] = pair.mid(eq + 1).toStdString();
    }
    return [values](const std::string& name) -> std::optional<std::string> {
        const auto it = values.find(name);
        if (it == values.end())
            return std::nullopt;
        return it->second;
    };
}

} // namespace

class TestPortResolve : public QObject
{
    Q_OBJECT
  private slots:
    void resolvePort_data();
    void resolvePort();
    void portOption_data();
    void portOption();
    void networkEndpoint_data();
    void networkEndpoint();
    void systemEnvironmentReadsTheProcessEnvironment();
    void portListChoice_data();
    void portListChoice();
};

void TestPortResolve::resolvePort_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<PortPlatform>("platform");
    QTest::addColumn<QString>("environment");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("device");

    const auto unix = PortPlatform::Unix;
    const auto windows = PortPlatform::Windows;
    QTest::newRow("port 1 is ttyS0") << "1" << unix << "" << Kind::Number << 1 << "1"
                                     << "/dev/ttyS0";
    QTest::newRow("port 4 is ttyS3") << "4" << unix << "" << Kind::Number << 4 << "4"
                                     << "/dev/ttyS3";
    QTest::newRow("variable redirects")
        << "1" << unix << "MORVANE_COM1=/dev/serial/by-id/usb-x" << Kind::Number << 1 << "1"
        << "/dev/serial/by-id/usb-x";
    QTest::newRow("another port's variable ignored")
        << "2" << unix << "MORVANE_COM1=/dev/pts/9" << Kind::Number << 2 << "2"
        << "/dev/ttyS1";
    QTest::newRow("empty variable ignored")
        << "3" << unix << "MORVANE_COM3=" << Kind::Number << 3 << "3"
        << "/dev/ttyS2";
    QTest::newRow("variable for two digits")
        << "12" << unix << "MORVANE_COM12=/dev/ttyACM0" << Kind::Number << 12 << "12"
        << "/dev/ttyACM0";
    QTest::newRow("windows COM3") << "3" << windows << "" << Kind::Number << 3 << "3"
                                  << "COM3";
    QTest::newRow("windows ignores variable")
        << "3" << windows << "MORVANE_COM3=/dev/x" << Kind::Number << 3 << "3"
        << "COM3";
    QTest::newRow("windows COM10") << "10" << windows << "" << Kind::Number << 10 << "10"
                                   << "COM10";
    QTest::newRow("trailing letters") << "3abc" << unix << "" << Kind::Number << 3 << "3"
                                      << "/dev/ttyS2";
    QTest::newRow("half to even down") << "2.5" << unix << "" << Kind::Number << 2 << "2"
                                       << "/dev/ttyS1";
    QTest::newRow("half to even up") << "3.5" << unix << "" << Kind::Number << 4 << "4"
                                     << "/dev/ttyS3";
    QTest::newRow("blanks inside number") << " 1 1" << unix << "" << Kind::Number << 11 << "11"
                                          << "/dev/ttyS10";
    QTest::newRow("hexadecimal") << "&H2" << unix << "" << Kind::Number << 2 << "2"
                                 << "/dev/ttyS1";
    QTest::newRow("empty is port 0") << "" << unix << "" << Kind::Number << 0 << "0"
                                     << "";
    QTest::newRow("letters are port 0") << "abc" << unix << "" << Kind::Number << 0 << "0"
                                        << "";
    QTest::newRow("port 0 on windows") << "0" << windows << "" << Kind::Number << 0 << "0"
                                       << "";
    QTest::newRow("negative port")
        << "-3" << unix << "MORVANE_COM-3=/dev/x" << Kind::Number << -3 << "-3"
        << "";
    QTest::newRow("largest port") << "32767" << unix << "" << Kind::Number << 32767 << "32767"
                                  << "/dev/ttyS32766";
    QTest::newRow("rounds into range")
        << "32767.4" << unix << "" << Kind::Number << 32767 << "32767"
        << "/dev/ttyS32766";
    QTest::newRow("just beyond 16 bits")
        << "32767.5" << unix << "" << Kind::OutOfRange << 0 << "32768"
        << "";
    QTest::newRow("far beyond 16 bits") << "70000" << unix << "" << Kind::OutOfRange << 0 << "70000"
                                        << "";
    QTest::newRow("below 16 bits") << "-40000" << windows << "" << Kind::OutOfRange << 0 << "-40000"
                                   << "";
    QTest::newRow("beyond a double")
        << "1e400" << unix << "" << Kind::OutOfRange << 0 << "1.79769313486232E+308"
        << "";
    QTest::newRow("path") << "/dev/pts/3" << unix << "" << Kind::Path << 0 << "/dev/pts/3"
                          << "/dev/pts/3";
    QTest::newRow("path after blanks")
        << " \t/dev/ttyUSB0" << unix << "" << Kind::Path << 0 << "/dev/ttyUSB0"
        << "/dev/ttyUSB0";
    QTest::newRow("path kept as it stands")
        << "/tmp/my port " << unix << "" << Kind::Path << 0 << "/tmp/my port "
        << "/tmp/my port ";
    QTest::newRow("path on windows") << "/dev/x" << windows << "" << Kind::Path << 0 << "/dev/x"
                                     << "/dev/x";
    QTest::newRow("slash after a digit is a number")
        << "1/dev" << unix << "" << Kind::Number << 1 << "1"
        << "/dev/ttyS0";
    QTest::newRow("modbus tcp, default port")
        << "tcp://10.0.0.7" << unix << "" << Kind::Network << 0 << "tcp://10.0.0.7:502"
        << "tcp://10.0.0.7:502";
    QTest::newRow("rtu over tcp between blanks") << " \trtu+tcp://[::1]:4001 \t" << windows << ""
                                                 << Kind::Network << 0 << "rtu+tcp://[::1]:4001"
                                                 << "rtu+tcp://[::1]:4001";
    QTest::newRow("scheme in capitals")
        << "TCP://gw.example:1502" << unix << "" << Kind::Network << 0 << "tcp://gw.example:1502"
        << "tcp://gw.example:1502";
    QTest::newRow("bad endpoint") << "tcp://" << unix << "" << Kind::BadNetwork << 0 << "tcp://"
                                  << "";
    QTest::newRow("unknown scheme")
        << "udp://h:502" << unix << "" << Kind::BadNetwork << 0 << "udp://h:502"
        << "";
    QTest::newRow("scheme begins with a letter")
        << "3://h" << unix << "" << Kind::Number << 3 << "3"
        << "/dev/ttyS2";
}

void TestPortResolve::resolvePort()
{
    QFETCH(QString, text);
    QFETCH(PortPlatform, platform);
    QFETCH(QString, environment);
    QFETCH(Kind, kind);
    QFETCH(int, number);
    QFETCH(QString, label);
    QFETCH(QString, device);

    const ResolvedPort port = ResolvePort(text.toStdString(), EnvironmentOf(environment), platform);
    QCOMPARE(port.kind, kind);
    QCOMPARE(int(port.number), number);
    QCOMPARE(QString::fromStdString(port.label), label);
    QCOMPARE(QString::fromStdString(port.device), device);
}

void TestPortResolve::portOption_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<PortPlatform>("platform");
    QTest::addColumn<QString>("device"); // empty: refused

    const auto unix = PortPlatform::Unix;
    const auto windows = PortPlatform::Windows;
    QTest::newRow("first port") << "1" << unix << "/dev/ttyS0";
    QTest::newRow("last port") << "32767" << unix << "/dev/ttyS32766";
    QTest::newRow("leading zero") << "012" << unix << "/dev/ttyS11";
    QTest::newRow("variable redirects") << "5" << unix << "/dev/pts/4";
    QTest::newRow("absolute path") << "/dev/ttyUSB0" << unix << "/dev/ttyUSB0";
    QTest::newRow("relative path") << "./ttyB" << unix << "./ttyB";
    QTest::newRow("parent folder") << "../ttyB" << unix << "../ttyB";
    QTest::newRow("folder below") << "links/ttyB" << unix << "./links/ttyB";
    QTest::newRow("windows COMn") << "COM7" << windows << "COM7";
    QTest::newRow("windows number") << "7" << windows << "COM7";
    QTest::newRow("modbus tcp") << "tcp://127.0.0.1:5020" << unix << "tcp://127.0.0.1:5020";
    QTest::newRow("rtu over tcp on windows")
        << "rtu+tcp://[::1]:4001" << windows << "rtu+tcp://[::1]:4001";
    for (const char* typo :
         {"",    "0",   "70000",  "32768",       "-1",       "+1",       "1x",
          "1.5", "2.5", "&H2",    " 1",          "1 ",       "ttyUSB0",  "COM1",
          "1e1", ".",   "tcp://", "rtu+tcp://h", " tcp://h", "tcp://h ", "ssh://h"})
        QTest::addRow("refused '%s'", typo) << typo << unix << "";
    for (const char* typo : {"COM0", "com3", "COM", "/dev/ttyS0", "COM1x"})
        QTest::addRow("refused '%s' on windows", typo) << typo << windows << "";
}

// The label names the port as it was typed, so that every message can quote it.
void TestPortResolve::portOption()
{
    QFETCH(QString, text);
    QFETCH(PortPlatform, platform);
    QFETCH(QString, device);
    const std::optional<ResolvedPort> port =
        ResolvePortOption(text.toStdString(), EnvironmentOf("MORVANE_COM5=/dev/pts/4"), platform);
    QCOMPARE(port.has_value(), !device.isEmpty());
    if (!port)
        return;
    QCOMPARE(QString::fromStdString(port->device), device);
    if (port->kind == Kind::Number)
        QCOMPARE(port->number, std::int16_t(text.mid(text.startsWith("COM") ? 3 : 0).toInt()));
    else
        QCOMPARE(QString::fromStdString(port->label), text);
}

void TestPortResolve::networkEndpoint_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem"); // a part of the reason; empty: an endpoint
    QTest::addColumn<NetworkFraming>("framing");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");

    const auto mbap = NetworkFraming::ModbusTcp;
    const auto rtu = NetworkFraming::RtuOverTcp;
    QTest::newRow("address") << "tcp://10.0.0.7"
                             << "" << mbap << "10.0.0.7" << 502;
    QTest::newRow("name and port") << "tcp://gw-1.plant_a.example:1502"
                                   << "" << mbap << "gw-1.plant_a.example" << 1502;
    QTest::newRow("ipv6") << "rtu+tcp://[::1]:4001"
                          << "" << rtu << "::1" << 4001;
    QTest::newRow("highest port") << "Rtu+TCP://h:65535"
                                  << "" << rtu << "h" << 65535;
    const auto refused = [&](const char* name, const char* text, const char* problem) {
        QTest::newRow(name) << text << problem << mbap << "" << 0;
    };
    refused("no host", "tcp://", "the host is missing");
    refused("port without host", "tcp://:502", "the host is missing");
    refused("rtu without port", "rtu+tcp://10.0.0.7", "needs the port");
    refused("port 0", "tcp://h:0", "\"0\" is not a TCP port");
    refused("port above 16 bits", "tcp://h:65536", "\"65536\" is not a TCP port");
    refused("empty port", "tcp://h:", "\"\" is not a TCP port");
    refused("path after the port", "tcp://h:502/", "\"502/\" is not a TCP port");
    refused("ipv6 without brackets", "tcp://::1", "goes in brackets");
    refused("bracket not closed", "tcp://[::1:502", "not closed");
    refused("ipv4 in brackets", "tcp://[10.0.0.7]", "[10.0.0.7] is not an IPv6 address");
    refused("text after the brackets", "tcp://[::1]x", "only a port may follow");
    refused("user name", "tcp://me@h", "\"me@h\" is not a host name or address");
    refused("other scheme", "modbus://h", "modbus:// is not a way to reach a unit");
    refused("no scheme", "10.0.0.7:502", "begins with tcp://");
}

void TestPortResolve::networkEndpoint()
{
    QFETCH(QString, text);
    QFETCH(QString, problem);
    QFETCH(NetworkFraming, framing);
    QFETCH(QString, host);
    QFETCH(int, port);
    const EndpointReading reading = ReadNetworkEndpoint(text.toStdString());
    QVERIFY2(QString::fromStdString(reading.problem).contains(problem), reading.problem.c_str());
    QCOMPARE(reading.endpoint.has_value(), problem.isEmpty());
    if (reading.endpoint)
        QCOMPARE(*reading.endpoint, (NetworkEndpoint{framing, host.toStdString(), quint16(port)}));
}

void TestPortResolve::systemEnvironmentReadsTheProcessEnvironment()
{
    qputenv("MORVANE_COM29", "/dev/pts/77");
    QCOMPARE(ResolvePort("29").device, std::string("/dev/pts/77"));
    qunsetenv("MORVANE_COM29");
    QCOMPARE(ResolvePort("29", SystemEnvironment, PortPlatform::Unix).device,
             std::string("/dev/ttyS28"));

    // The port list follows a variable's link to its device and says why a variable leads to
    // no port; it leaves out a variable whose name the port field would not reach ("030").
    QTemporaryDir dir;
    testing::PseudoTerminal pty;
    QVERIFY(pty.valid());
    QFile file(dir.filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(QString::fromStdString(pty.path()), dir.filePath("stable")));
    const std::map<std::string, QString> targets{{"MORVANE_COM29", dir.filePath("stable")},
                                                 {"MORVANE_COM030", file.fileName()},
                                                 {"MORVANE_COM31", dir.filePath("gone")},
                                                 {"MORVANE_COM32", "/dev/null"},
                                                 {"MORVANE_COM33", dir.path()},
                                                 {"MORVANE_COM34", file.fileName()}};
    for (const auto& [name, target] : targets)
        qputenv(name.c_str(), target.toUtf8());
    QStringList found;
    for (const PortVariable& v : HostPortSystem().PortVariables())
        found << QString("%1=%2>%3 %4")
                     .arg(v.number)
                     .arg(v.target.c_str(), v.device.c_str())
                     .arg(int(v.fault));
    for (const auto& [name, target] : targets)
        qunsetenv(name.c_str());
    const auto none = int(PortVariableFault::None);
    const auto notSerial = int(PortVariableFault::NotASerialDevice);
    QCOMPARE(found.filter(QRegularExpression("^(29|3[0-4])=")),
             (QStringList{
                 QString("29=%1>%2 %3").arg(dir.filePath("stable"), pty.path().c_str()).arg(none),
                 QString("31=%1> %2")
                     .arg(dir.filePath("gone"))
                     .arg(int(PortVariableFault::NoSuchDevice)),
                 QString("32=/dev/null>/dev/null %1").arg(notSerial),
                 QString("33=%1>%1 %2").arg(dir.path()).arg(notSerial),
                 QString("34=%1>%1 %2").arg(file.fileName()).arg(notSerial)}));
}

void TestPortResolve::portListChoice_data()
{
    QTest::addColumn<QStringList>("ports"); // "device|stable name"
    // "n=target>device"; no device: missing; "!" after the device: not a serial device
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<PortPlatform>("platform");
    QTest::addColumn<QStringList>("fieldTexts"); // what each entry writes, in list order

    const auto unix = PortPlatform::Unix;
    const QString byId = "/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0";
    QTest::newRow("device") << QStringList{"/dev/ttyS0|"} << QStringList{} << unix
                            << QStringList{"/dev/ttyS0"};
    QTest::newRow("stable name before the device")
        << QStringList{"/dev/ttyS0|", "/dev/ttyUSB0|" + byId} << QStringList{} << unix
        << QStringList{"/dev/ttyS0", byId};
    QTest::newRow("a variable's number before the stable name")
        << QStringList{"/dev/ttyUSB0|" + byId} << QStringList{"3=" + byId + ">/dev/ttyUSB0"} << unix
        << QStringList{"3"};
    QTest::newRow("the lowest of two numbers")
        << QStringList{"/dev/ttyUSB0|" + byId}
        << QStringList{"5=" + byId + ">/dev/ttyUSB0", "2=/dev/ttyUSB0>/dev/ttyUSB0"} << unix
        << QStringList{"2"};
    QTest::newRow("a pseudo-terminal only a variable names")
        << QStringList{"/dev/ttyS0|"} << QStringList{"1=/tmp/morvane>/dev/pts/3"} << unix
        << QStringList{"/dev/ttyS0", "1"};
    QTest::newRow("windows COMn as n")
        << QStringList{"COM3|", "COM12|", "COM0|", "CNCA0|"} << QStringList{}
        << PortPlatform::Windows << QStringList{"3", "12", "COM0", "CNCA0"};
    QTest::newRow("no ports") << QStringList{} << QStringList{} << unix << QStringList{};
    QTest::newRow("variables that lead to no port come last, unchoosable")
        << QStringList{"/dev/ttyS0|"}
        << QStringList{"4=/dev/ttyUSB7>", "2=/dev/null>/dev/null!", "3=/tmp/m>/dev/pts/3"} << unix
        << QStringList{"/dev/ttyS0", "3", "", ""};
}

// Each choice, typed into the port field, names the device of its entry again (on Unix,
// where the field takes any device path).
void TestPortResolve::portListChoice()
{
    QFETCH(QStringList, ports);
    QFETCH(QStringList, variables);
    QFETCH(PortPlatform, platform);
    QFETCH(QStringList, fieldTexts);
    morvane::testing::FakeSystemPorts system;
    for (const QString& port : ports)
        system.details.push_back({port.section('|', 0, 0).toStdString(),
                                  {},
                                  {},
                                  {},
                                  port.section('|', 1).toStdString()});
    QStringList environment;
    for (const QString& v : variables) {
        const QString target = v.section('=', 1).section('>', 0, 0);
        QString device = v.section('>', 1);
        const auto fault = device.isEmpty()       ? PortVariableFault::NoSuchDevice
                           : device.endsWith('!') ? PortVariableFault::NotASerialDevice
                                                  : PortVariableFault::None;
        device.remove('!');
        system.variables.push_back({std::int16_t(v.section('=', 0, 0).toInt()),
                                    target.toStdString(), device.toStdString(), fault});
        environment << "MORVANE_COM" + v.section('=', 0, 0) + "=" + target;
    }

    QStringList chosen;
    for (const PortListEntry& entry : PortListEntries(system)) {
        const std::string text = PortFieldText(entry, platform);
        chosen << QString::fromStdString(text);
        QCOMPARE(entry.choosable, !text.empty());
        if (platform == PortPlatform::Windows || !entry.choosable)
            continue; // a port the field cannot name there ("CNCA0") is chosen as it is called
        const std::string device =
            ResolvePort(text, EnvironmentOf(environment.join(';')), platform).device;
        QVERIFY2(!device.empty() &&
                     (device == entry.port.device || device == entry.port.stableName ||
                      (!entry.variables.empty() && device == entry.variables.front().target)),
                 text.c_str());
    }
    QCOMPARE(chosen, fieldTexts);
}

QTEST_APPLESS_MAIN(TestPortResolve)
#include "tst_portresolve.moc"
