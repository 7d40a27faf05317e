// The virtual controller checked from outside, with peers that share nothing with it or
// with the utility: libmodbus's master, mbpoll and a bare byte client.

#include "rawline.h"
#include "simprocess.h"
#include "wireframes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <modbus.h>
#include <optional>
#include <unistd.h>

using namespace morvane::testing;

using Registers = QList<quint16>;

namespace
{

const Registers DesignValues = {2, 1, 0, 100, 500, 20, 1, 3, 0};

// libmodbus's own master on the device, closed and freed however the test ends.
class Master
{
  public:
    explicit Master(const QString& device)
        : m_context(modbus_new_rtu(device.toLocal8Bit().constData(), 9600, 'N', 8, 1))
    {
        m_connected = m_context && modbus_set_slave(m_context, 1) == 0 &&
                      modbus_set_response_timeout(m_context, 2, 0) == 0 &&
                      modbus_connect(m_context) == 0;
    }
    ~Master()
    {
        if (m_connected)
            modbus_close(m_context);
        if (m_context)
            modbus_free(m_context);
    }
    bool Connected() const { return m_connected; }
    std::optional<Registers> Read(int address, int count)
    {
        Registers values(count);
        if (modbus_read_registers(m_context, address, count, values.data()) != count)
            return std::nullopt;
        return values;
    }
    bool Write(int address, const Registers& values)
    {
        int count = static_cast<int>(values.size());
        return modbus_write_registers(m_context, address, count, values.data()) == count;
    }
    modbus_t* Context() { return m_context; }

  private:
    modbus_t* m_context;
    bool m_connected = false;
};

long CpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    QByteArray text = stat.readAll();
    // Fields after the command name, which may itself hold blanks: state is field 3,
    // utime 14 and stime 15.
    QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLong() + fields[12].toLong() : -1;
}

} // namespace

class TestSim : public QObject
{
    Q_OBJECT

  private slots:
    void libmodbusReadsDesignValues();
    void libmodbusWritesAreKept();
    void registersSwitchSetsStartValues_data();
    void registersSwitchSetsStartValues();
    void addressesOutsideTheBlockAreRefused_data();
    void addressesOutsideTheBlockAreRefused();
    void mbpollReadsDesignValues_data();
    void mbpollReadsDesignValues();
    void othersRequestsAndBrokenFramesGetNoReply();
    void reopeningWorksAndIdleCostsNothing();
    void badSwitchesAreRefused_data();
    void badSwitchesAreRefused();
    void harnessFailsLoudly_data();
    void harnessFailsLoudly();
};

void TestSim::libmodbusReadsDesignValues()
{
    SimProcess sim;
    QString device = sim.Start();
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    Master master(device);
    QVERIFY2(master.Connected(), modbus_strerror(errno));
    QCOMPARE(master.Read(2, 9), DesignValues);
    QCOMPARE(sim.Requests(), QStringList{ReadLine});
}

void TestSim::libmodbusWritesAreKept()
{
    SimProcess sim;
    QString device = sim.Start();
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    Master master(device);
    QVERIFY(master.Connected());
    const Registers written = {7, 12, 65535, 1, 2, 3, 4, 5, 40000};
    QVERIFY2(master.Write(2, written), modbus_strerror(errno));
    QCOMPARE(master.Read(2, 9), written);
    QCOMPARE(modbus_write_register(master.Context(), 3, 11), 1);
    QCOMPARE(master.Read(3, 1), Registers{11});
    QCOMPARE(
        sim.Requests(),
        QStringList({"request fn=16 addr=2 count=9 values=7,12,65535,1,2,3,4,5,40000", ReadLine,
                     "request fn=6 addr=3 value=11", "request fn=3 addr=3 count=1"}));
}

void TestSim::registersSwitchSetsStartValues_data()
{
    QTest::addColumn<QString>("values");
    QTest::addColumn<Registers>("expected");
    QTest::newRow("mode 12") << "2,12" << Registers{2, 12, 0, 100, 500, 20, 1, 3, 0};
    QTest::newRow("mode 0") << "2,0" << Registers{2, 0, 0, 100, 500, 20, 1, 3, 0};
    QTest::newRow("negatives as complements")
        << "-1,-32768" << Registers{65535, 32768, 0, 100, 500, 20, 1, 3, 0};
    QTest::newRow("all nine") << "9,8,7,6,5,4,3,2,65535"
                              << Registers{9, 8, 7, 6, 5, 4, 3, 2, 65535};
}

void TestSim::registersSwitchSetsStartValues()
{
    QFETCH(QString, values);
    QFETCH(Registers, expected);
    SimProcess sim;
    QString device = sim.Start({"--registers", values});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    Master master(device);
    QVERIFY(master.Connected());
    QCOMPARE(master.Read(2, 9), expected);
}

void TestSim::addressesOutsideTheBlockAreRefused_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("held");
    QTest::newRow("the block") << 2 << 9 << true;
    QTest::newRow("last register alone") << 10 << 1 << true;
    QTest::newRow("register 1") << 0 << 1 << false;
    QTest::newRow("one below the block") << 1 << 9 << false;
    QTest::newRow("one past the end") << 10 << 2 << false;
    QTest::newRow("register 12") << 11 << 1 << false;
}

void TestSim::addressesOutsideTheBlockAreRefused()
{
    QFETCH(int, address);
    QFETCH(int, count);
    QFETCH(bool, held);
    SimProcess sim;
    QString device = sim.Start();
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    Master master(device);
    QVERIFY(master.Connected());
    std::optional<Registers> values = master.Read(address, count);
    QCOMPARE(values.has_value(), held);
    if (!held)
        QCOMPARE(errno, EMBXILADD);
}

void TestSim::mbpollReadsDesignValues_data()
{
    QTest::addColumn<bool>("tcp");
    QTest::newRow("rtu on the pseudo-terminal") << false;
    QTest::newRow("modbus tcp") << true;
}

void TestSim::mbpollReadsDesignValues()
{
    QFETCH(bool, tcp);
    QString mbpoll = QStandardPaths::findExecutable(QStringLiteral("mbpoll"));
    QVERIFY2(!mbpoll.isEmpty(), "mbpoll is missing: run scripts/install-deps.sh");
    SimProcess sim;
    QString device = sim.Start(tcp ? QStringList{"--tcp", "0"} : QStringList{});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    QStringList arguments{"-a", "1", "-r", "3", "-c", "9", "-t", "4", "-1"};
    if (tcp)
        arguments << "-m"
                  << "tcp"
                  << "-p" << device.section(':', -1) << "127.0.0.1";
    else
        arguments << "-m"
                  << "rtu"
                  << "-b"
                  << "9600"
                  << "-P"
                  << "none" << device;
    QProcess poll;
    poll.start(mbpoll, arguments);
    QVERIFY(poll.waitForFinished(15000));
    QString output = QString::fromLocal8Bit(poll.readAllStandardOutput());
    QCOMPARE(poll.exitCode(), 0);
    QRegularExpression valueLine(QStringLiteral("^\\[(\\d+)\\]:\\s+(-?\\d+)\\s*$"),
                                 QRegularExpression::MultilineOption);
    Registers values;
    for (const QRegularExpressionMatch& match : valueLine.globalMatch(output)) {
        QCOMPARE(match.captured(1).toInt(), 3 + values.size());
        values.append(static_cast<quint16>(match.captured(2).toInt()));
    }
    QCOMPARE(values, DesignValues);
}

void TestSim::othersRequestsAndBrokenFramesGetNoReply()
{
    SimProcess sim;
    QString device = sim.Start();
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    RawLine line;
    QVERIFY(line.Open(device));
    QVERIFY(line.Write(QByteArray::fromHex("020300020009243f"))); // slave 2
    QCOMPARE(line.Receive(1, 300).bytes.toHex(), QByteArray());
    QVERIFY(line.Write(QByteArray::fromHex("010300020009240d"))); // wrong CRC
    QCOMPARE(line.Receive(1, 300).bytes.toHex(), QByteArray());
    QCOMPARE(sim.RequestCount(), 0);
    QVERIFY(line.Write(ReadRequest));
    QCOMPARE(line.Receive(static_cast<int>(DesignReply.size()), 3000).bytes.toHex(),
             DesignReply.toHex());
    QCOMPARE(sim.Requests(), QStringList{ReadLine});
}

void TestSim::reopeningWorksAndIdleCostsNothing()
{
    SimProcess sim;
    QString device = sim.Start();
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    // The utility opens and closes its port around every command, through QSerialPort.
    for (int command = 0; command < 3; ++command) {
        QSerialPort port(device);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        QVERIFY(port.setBaudRate(9600));
        QCOMPARE(port.write(ReadRequest), ReadRequest.size());
        QByteArray reply;
        while (reply.size() < DesignReply.size() && port.waitForReadyRead(3000))
            reply += port.readAll();
        QCOMPARE(reply.toHex(), DesignReply.toHex());
    }
    // With nobody on the line a controller that mistook the closed port for data would
    // spin: a whole second of CPU. Idle, it uses none.
    long before = CpuTicks(sim.ProcessId());
    QThread::msleep(1000);
    long used = CpuTicks(sim.ProcessId()) - before;
    QVERIFY(before >= 0);
    QVERIFY2(used <= sysconf(_SC_CLK_TCK) / 10, qPrintable(QString::number(used)));
    QCOMPARE(sim.RequestCount(), 3);
}

void TestSim::badSwitchesAreRefused_data()
{
    QTest::addColumn<QStringList>("switches");
    QTest::newRow("unknown") << QStringList{"--bogus"};
    QTest::newRow("missing value") << QStringList{"--delay"};
    QTest::newRow("not a number") << QStringList{"--delay=abc"};
    QTest::newRow("trailing letters") << QStringList{"--noise", "5x"};
    QTest::newRow("exception 0") << QStringList{"--exception", "0"};
    QTest::newRow("exception 256") << QStringList{"--exception", "256"};
    QTest::newRow("no pieces") << QStringList{"--pieces", "0"};
    QTest::newRow("negative hang-up") << QStringList{"--hangup-after", "-1"};
    QTest::newRow("ten registers") << QStringList{"--registers", "1,2,3,4,5,6,7,8,9,10"};
    QTest::newRow("register too big") << QStringList{"--registers", "70000"};
    QTest::newRow("empty register") << QStringList{"--registers", "1,,2"};
    QTest::newRow("empty link") << QStringList{"--link="};
    QTest::newRow("disagree on register 12") << QStringList{"--disagree", "12=1"};
    QTest::newRow("disagree on register 2") << QStringList{"--disagree", "2=1"};
    QTest::newRow("disagree too big") << QStringList{"--disagree", "5=70000"};
    QTest::newRow("disagree without value") << QStringList{"--disagree", "5"};
    QTest::newRow("disagree without register") << QStringList{"--disagree==7"};
    QTest::newRow("negative pace") << QStringList{"--pace", "-9600"};
    QTest::newRow("tcp port beyond 16 bits") << QStringList{"--tcp", "65536"};
    QTest::newRow("two transports") << QStringList{"--tcp", "0", "--rtu-tcp", "0"};
    QTest::newRow("link on tcp") << QStringList{"--rtu-tcp", "0", "--link", "/tmp/x"};
    QTest::newRow("slave 0") << QStringList{"--slave", "0"};
    QTest::newRow("slave 248") << QStringList{"--slave", "248"};
    QTest::newRow("baud 0") << QStringList{"--baud", "0"};
    QTest::newRow("mark parity") << QStringList{"--parity", "mark"};
}

void TestSim::badSwitchesAreRefused()
{
    QFETCH(QStringList, switches);
    QProcess sim;
    sim.start(SimProcess::DefaultBinaryPath(), switches);
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 2);
    QCOMPARE(sim.readAllStandardOutput(), QByteArray());
    QVERIFY(sim.readAllStandardError().contains("usage: morvane-sim"));
}

void TestSim::harnessFailsLoudly_data()
{
    QTest::addColumn<QString>("binary");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "/nonexistent/morvane-sim" << QStringList{} << "not found";
    QTest::newRow("exits at once")
        << QStandardPaths::findExecutable("true") << QStringList{} << "exited";
    QTest::newRow("never names a device")
        << QStandardPaths::findExecutable("sleep") << QStringList{"30"} << "named no device";
    QTest::newRow("prints something else")
        << QStandardPaths::findExecutable("echo") << QStringList{"hello"} << "instead of";
}

void TestSim::harnessFailsLoudly()
{
    QFETCH(QString, binary);
    QFETCH(QStringList, arguments);
    QFETCH(QString, reason);
    SimProcess sim(binary);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(reason)));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(sim.Start(arguments, 500), QString());
    QVERIFY2(sim.ErrorText().contains(reason), qPrintable(sim.ErrorText()));
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(!sim.IsRunning());
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
