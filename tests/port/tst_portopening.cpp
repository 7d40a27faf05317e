// Opening the port for one command: how the port is set up before it is opened. What a
// failed open tells the technician is tested with the window's report of it (tst_commandreports).

#include "port/portopening.h"

#include "fakeserialport.h"
#include "fakesystemports.h"

#include <QtTest>

using namespace morvane;
using namespace morvane::testing;

namespace
{

const std::string kBaud = "9600";
const std::string kParity = "None";

ResolvedPort Port(const std::string& text)
{
    return ResolvePort(
        text, [](const std::string&) { return std::nullopt; }, PortPlatform::Unix);
}

} // namespace

class TestPortOpening : public QObject
{
    Q_OBJECT
  private slots:
    void init() { m_port = FakeSerialPort(); }

    void correctsDataAndStopBitsInPlace_data();
    void correctsDataAndStopBitsInPlace();
    void configuresThePortBeforeOpening();
    void settingsTakeTheParityLetter_data();
    void settingsTakeTheParityLetter();
    void reopeningClosesFirst();
    void pathNamesTheDeviceDirectly();

  private:
    FakeSerialPort m_port;
    FakeSystemPorts m_system;
};

void TestPortOpening::correctsDataAndStopBitsInPlace_data()
{
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("correctedData");
    QTest::addColumn<int>("correctedStop");
    QTest::newRow("8 and 1 kept") << 8 << 1 << 8 << 1;
    QTest::newRow("7 and 2 kept") << 7 << 2 << 7 << 2;
    QTest::newRow("9 and 0 corrected") << 9 << 0 << 8 << 1;
    QTest::newRow("6 and 3 corrected") << 6 << 3 << 8 << 1;
    QTest::newRow("negative corrected") << -8 << -1 << 8 << 1;
}

void TestPortOpening::correctsDataAndStopBitsInPlace()
{
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    QFETCH(int, correctedData);
    QFETCH(int, correctedStop);
    auto data = static_cast<std::int16_t>(dataBits);
    auto stop = static_cast<std::int16_t>(stopBits);
    OpenComPort(m_port, Port("1"), "9600", data, "None", stop, m_system);
    QCOMPARE(int(data), correctedData);
    QCOMPARE(int(stop), correctedStop);
    QCOMPARE(QString::fromStdString(m_port.settings),
             QString("9600,N,%1,%2").arg(correctedData).arg(correctedStop));
}

void TestPortOpening::configuresThePortBeforeOpening()
{
    std::int16_t data = 8, stop = 1;
    const auto failure = OpenComPort(m_port, Port("3"), kBaud, data, kParity, stop, m_system);
    QVERIFY(!failure);
    QVERIFY(m_port.PortOpen());
    QCOMPARE(m_port.commPort, std::int16_t(3));
    QCOMPARE(m_port.devicePath, std::string("/dev/ttyS2"));
    QCOMPARE(m_port.settings, std::string("9600,N,8,1"));
    QCOMPARE(m_port.inputMode, 1);
    QCOMPARE(m_port.inputLen, 1);
    QVERIFY(m_port.rtsEnable);
}

void TestPortOpening::settingsTakeTheParityLetter_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("settings");
    QTest::newRow("even") << "19200"
                          << "Even"
                          << "19200,E,8,1";
    QTest::newRow("lower case kept") << "9600"
                                     << "odd"
                                     << "9600,o,8,1";
    QTest::newRow("empty parity and baud") << ""
                                           << ""
                                           << ",,8,1";
}

void TestPortOpening::settingsTakeTheParityLetter()
{
    QFETCH(QString, baud);
    QFETCH(QString, parity);
    QFETCH(QString, settings);
    std::int16_t data = 8, stop = 1;
    OpenComPort(m_port, Port("1"), baud.toStdString(), data, parity.toStdString(), stop, m_system);
    QCOMPARE(QString::fromStdString(m_port.settings), settings);
}

void TestPortOpening::reopeningClosesFirst()
{
    std::int16_t data = 8, stop = 1;
    OpenComPort(m_port, Port("1"), "9600", data, "None", stop, m_system);
    OpenComPort(m_port, Port("2"), "19200", data, "Even", stop, m_system);
    QCOMPARE(m_port.opens, 2);
    QCOMPARE(m_port.closes, 1);
    QVERIFY(m_port.PortOpen());
    QCOMPARE(m_port.commPort, std::int16_t(2));
    QCOMPARE(m_port.settings, std::string("19200,E,8,1"));
}

void TestPortOpening::pathNamesTheDeviceDirectly()
{
    std::int16_t data = 8, stop = 1;
    OpenComPort(m_port, Port("  /dev/pts/4"), "9600", data, "None", stop, m_system);
    QVERIFY(m_port.PortOpen());
    QCOMPARE(m_port.DeviceName(), std::string("/dev/pts/4"));
}

QTEST_APPLESS_MAIN(TestPortOpening)
#include "tst_portopening.moc"
