// The port layer against the virtual controller: a port number that reaches it through
// MORVANE_COM1, raw bytes both ways, another program holding the port, and the controller
// going away in the middle of a request.

#include "simprocess.h"
#include "wireframes.h"

#include "fakewindowhost.h"
#include "idlecpu.h"
#include "port/qtserialport.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace morvane;
using namespace morvane::testing;

namespace
{

// One command's worth of link: the real port, a window without widgets.
struct PortUnderTest {
    QtSerialPort port;
    FakeWindowHost host;

    void Open(const std::string& portText)
    {
        OpenAsCommand(port, ResolvePort(portText), host, HostPortSystem());
    }

    void Send(const QByteArray& frame)
    {
        for (char c : frame)
            port.Output(static_cast<std::uint8_t>(c));
        port.Flush();
    }

    // Collects what arrives until `count` bytes are in or the time is up.
    QByteArray Receive(int count, int timeoutMs)
    {
        QByteArray got;
        QDeadlineTimer deadline(timeoutMs);
        QTimer wake;
        wake.start(50);
        while (got.size() < count && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            while (port.InBufferCount() > 0)
                got.append(char(*port.Input()));
        }
        return got;
    }
};

} // namespace

class TestPortSim : public QObject
{
    Q_OBJECT

  private slots:
    void cleanup() { qunsetenv("MORVANE_COM1"); }
    void portOneReachesTheControllerThroughTheVariable();
    void portHeldByAnotherProgramIsInUse();
    void controllerHangingUpEndsTheWaitWithOneMessage();
};

void TestPortSim::portOneReachesTheControllerThroughTheVariable()
{
    SimProcess sim;
    const QString device = sim.Start();
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    qputenv("MORVANE_COM1", device.toLocal8Bit());

    PortUnderTest t;
    t.Open("1");
    QVERIFY2(t.port.PortOpen(), t.host.messages.empty() ? "" : t.host.messages[0].text.c_str());
    QCOMPARE(QString::fromStdString(t.port.DeviceName()), device);
    t.Send(ReadRequest);
    QCOMPARE(t.Receive(DesignReply.size(), 5000), DesignReply);
    QCOMPARE(sim.Requests(), QStringList{ReadLine});
    QVERIFY(t.host.messages.empty());
}

void TestPortSim::portHeldByAnotherProgramIsInUse()
{
    SimProcess sim;
    const QString device = sim.Start();
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    PortUnderTest holder;
    holder.Open(device.toStdString());
    QVERIFY(holder.port.PortOpen());

    QProcess other;
    other.start(MORVANE_PORT_OPENER, {device});
    QVERIFY(other.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(other.readAllStandardOutput());
    QCOMPARE(other.exitCode(), 1);
    QVERIFY2(out.contains(QString("fault %1\n").arg(int(PortFault::InUse))), qPrintable(out));
    QVERIFY2(out.contains("Unable to open Com Port " + device + " at 9600 Baud\r\n" + device +
                          " is in use: another program holds it."),
             qPrintable(out));

    // The holder still talks to the controller.
    holder.Send(ReadRequest);
    QCOMPARE(holder.Receive(DesignReply.size(), 5000), DesignReply);
}

void TestPortSim::controllerHangingUpEndsTheWaitWithOneMessage()
{
    SimProcess sim;
    const QString device = sim.Start({"--hangup-after", "0"});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    PortUnderTest t;
    t.Open(device.toStdString());
    QVERIFY(t.port.PortOpen());
    QSignalSpy lost(&t.port, &QtSerialPort::connectionLost);
    connect(&t.port, &QtSerialPort::connectionLost, this, [&] { ReportLostPort(t.port, t.host); });
    t.host.StartWatchdog(); // as a write command would have it

    QEventLoop wait;
    bool gaveUp = false;
    connect(&t.port, &QtSerialPort::connectionLost, &wait, &QEventLoop::quit);
    QTimer::singleShot(10000, &wait, [&] {
        gaveUp = true;
        wait.quit();
    });
    t.Send(ReadRequest);
    wait.exec();
    QVERIFY2(!gaveUp, "the controller's hang-up did not end the wait");
    QVERIFY(sim.WaitForExit());
    QVERIFY(sim.OutputLines().contains("hangup"));

    const double cpu = CpuWhileIdle(500);
    QVERIFY2(cpu < 0.2, qPrintable(QString("%1 s of CPU in 0.5 s after the hang-up").arg(cpu)));

    QCOMPARE(lost.count(), 1);
    QVERIFY(!t.port.PortOpen());
    QCOMPARE(t.host.status, std::string("ERROR"));
    QCOMPARE(t.host.messages.size(), std::size_t(1));
    QCOMPARE(t.host.messages[0].title, std::string("Communication Error"));
    QVERIFY(QString::fromStdString(t.host.messages[0].text)
                .startsWith("The connection to " + device + " was lost"));
    QVERIFY(!t.host.WatchdogActive());
}

QTEST_GUILESS_MAIN(TestPortSim)
#include "tst_portsim.moc"
