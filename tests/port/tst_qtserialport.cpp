// The serial port over QSerialPort on a pseudo-terminal: settings, raw bytes both ways, the
// wake-up of a waiting event loop, and the same behaviour as the test fake.

#include "ptyfixture.h"

#include "fakeserialport.h"
#include "port/qtserialport.h"

#include <QtTest>

using namespace morvane;
using namespace morvane::testing;

Q_DECLARE_METATYPE(morvane::PortFault)
Q_DECLARE_METATYPE(QSerialPort::Parity)
Q_DECLARE_METATYPE(QSerialPort::DataBits)
Q_DECLARE_METATYPE(QSerialPort::StopBits)

class TestQtSerialPort : public QObject
{
    Q_OBJECT
  private slots:
    void parsePortSettings_data();
    void parsePortSettings();
    void refusedSettingsFailTheOpen_data();
    void refusedSettingsFailTheOpen();
    void settingsReachTheDevice();

    void sendsRawBytesOnFlush();
    void receivesOneBytePerInput();
    void arrivingBytesWakeTheEventLoop();
    void refusedRequestToSendDoesNotFailTheOpen_data();
    void refusedRequestToSendDoesNotFailTheOpen();
    void closedPortBehavesLikeTheFake();
    void numberedPortFollowsTheResolution();
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

void TestQtSerialPort::sendsRawBytesOnFlush()
{
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QtSerialPort port;
    OpenOn(port, pty.path(), "9600,N,8,1");
    QVERIFY(port.PortOpen());
    for (char c : kAwkwardBytes)
        QVERIFY(port.Output(static_cast<std::uint8_t>(c)));
    port.Flush();
    // No event processing in between: the whole frame must have left when Flush() returned.
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
    port.Flush();
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

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
