// The link over TCP against peers in other processes: the virtual controller on both TCP
// transports with every fault switch, and libmodbus's own Modbus TCP server.

#include "port/linkclient.h"
#include "simprocess.h"

#include <QProcess>
#include <QtTest>

using namespace morvane;
using namespace morvane::testing;

Q_DECLARE_METATYPE(morvane::ReceiveOutcome)

namespace
{

constexpr std::int16_t kSlave = 5;
const QList<int> kDesignValues{2, 1, 0, 100, 500, 20, 1, 3, 0};
const QList<int> kWritten{7, 12, 65535, 1, 2, 3, 4, 5, 40000};

} // namespace

class TestTcpSim : public QObject
{
    Q_OBJECT
  private slots:
    void switchesOnEveryTransport_data();
    void switchesOnEveryTransport();
    void libmodbusServerAnswersOurRead();
};

void TestTcpSim::switchesOnEveryTransport_data()
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<int>("slave"); // the address asked; the controller is at 5
    QTest::addColumn<bool>("write");
    QTest::addColumn<ReceiveOutcome>("outcome");
    QTest::addColumn<int>("exceptionCode");

    const auto answered = ReceiveOutcome::Answered;
    const auto timedOut = ReceiveOutcome::TimedOut;
    const auto lost = ReceiveOutcome::ConnectionLost;
    for (const QString transport : {"--tcp", "--rtu-tcp"}) {
        const auto row = [&](const char* name, QStringList switches, int slave, bool write,
                             ReceiveOutcome outcome, int code = 0) {
            QTest::addRow("%s %s", qPrintable(transport), name)
                << transport << switches << slave << write << outcome << code;
        };
        const bool mbap = transport == "--tcp";
        row("read", {}, kSlave, false, answered);
        row("write", {}, kSlave, true, answered);
        row("another address asked", {}, 1, false, timedOut);
        row("refused", {"--exception", "2"}, kSlave, false, ReceiveOutcome::Refused, 2);
        row("silent", {"--silent"}, kSlave, false, timedOut);
        row("late", {"--delay", "300"}, kSlave, false, answered);
        row("in pieces", {"--pieces", "4", "--gap", "5"}, kSlave, false, answered);
        row("paced", {"--pace", "9600"}, kSlave, true, answered);
        row("spoiled check", {"--bad-crc"}, kSlave, false, timedOut);
        row("another address answers", {"--slave-answer", "7"}, kSlave, false, timedOut);
        // Noise before a Modbus TCP reply breaks the stream's framing, which ends it.
        row("noise", {"--noise", "5"}, kSlave, false, mbap ? lost : answered);
        row("hangs up", {"--hangup-after", "0"}, kSlave, false, lost);
        row("recorded line settings", {"--baud", "19200", "--parity", "even"}, kSlave, false,
            answered);
    }
}

void TestTcpSim::switchesOnEveryTransport()
{
    QFETCH(QString, transport);
    QFETCH(QStringList, switches);
    QFETCH(int, slave);
    QFETCH(bool, write);
    QFETCH(ReceiveOutcome, outcome);
    QFETCH(int, exceptionCode);
    SimProcess sim;
    const QString url = sim.Start(QStringList{transport, "0", "--slave", "5"} + switches);
    QVERIFY2(!url.isEmpty(), qPrintable(sim.ErrorText()));
    LinkClient client;
    for (int k = 0; k < ConfigRegisterCount; ++k)
        client.link.state.RegImage[std::size_t(RegisterSlot(kSlave, ConfigFirstRegister + k))] =
            kWritten[k];
    const ReceiveResult result = client.Exchange(url, std::int16_t(slave), write);
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(int(result.exceptionCode), exceptionCode);
    if (outcome == ReceiveOutcome::Answered && !write)
        QCOMPARE(client.Registers(kSlave), kDesignValues);
    if (outcome == ReceiveOutcome::Answered && write)
        QCOMPARE(sim.Requests(),
                 QStringList{"request fn=16 addr=2 count=9 values=7,12,65535,1,2,3,4,5,40000"});
}

void TestTcpSim::libmodbusServerAnswersOurRead()
{
    QProcess peer;
    peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    peer.start(MORVANE_TCP_PEER, {});
    QVERIFY2(peer.waitForReadyRead(5000), "the libmodbus peer named no port");
    const int port = peer.readLine().trimmed().toInt();
    QVERIFY(port > 0);
    LinkClient client;
    for (int round = 0; round < 2; ++round) {
        const ReceiveResult result = client.Exchange(QString("tcp://127.0.0.1:%1").arg(port));
        QCOMPARE(result.outcome, ReceiveOutcome::Answered);
        QCOMPARE(client.Registers(), (QList<int>{102, 103, 104, 105, 106, 107, 108, 109, 110}));
    }
    QCOMPARE(client.events, (QStringList{"connected", "sent 1 unit 1", "received 1", "closed",
                                         "connected", "sent 2 unit 1", "received 2", "closed"}));
    peer.terminate();
    QVERIFY(peer.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(TestTcpSim)
#include "tst_tcpsim.moc"
