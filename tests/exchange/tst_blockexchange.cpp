// The block exchange's steps against a port in memory: the frames and port settings of each
// connection (the defaults give exactly the frames of always), an open that fails, after which
// the window's order still ends at once, and the retries after silent attempts.

#include "exchange/blockexchange.h"

#include "fakelinkhost.h"
#include "fakeserialport.h"
#include "fakesystemports.h"

#include <QtTest>

using namespace morvane;
using namespace morvane::testing;

Q_DECLARE_METATYPE(morvane::Connection)
Q_DECLARE_METATYPE(morvane::ReceiveOutcome)

namespace
{

std::vector<std::uint8_t> Hex(const char* hex)
{
    const QByteArray raw = QByteArray::fromHex(hex);
    return {raw.begin(), raw.end()};
}

ResolvedPort Port(const std::string& text)
{
    return ResolvePort(
        text, [](const std::string&) { return std::nullopt; }, PortPlatform::Unix);
}

Connection At(int slave, int baud = 9600, Parity parity = Parity::None, int stopBits = 1)
{
    Connection c;
    c.slave = slave;
    c.baud = baud;
    c.parity = parity;
    c.stopBits = stopBits;
    return c;
}

const Registers kWritten{7, 12, 65535, 1, 2, 3, 4, 5, 40000};
const Registers kDesign{2, 1, 0, 100, 500, 20, 1, 3, 0};
constexpr const char* kValues = "0007000cffff00010002000300040005"
                                "9c40";
constexpr const char* kData = "000200010000006401f40014000100030000";

} // namespace

class TestBlockExchange : public QObject
{
    Q_OBJECT
  private slots:
    void init()
    {
        m_port = FakeSerialPort();
        m_host = FakeLinkHost();
        m_link = std::make_unique<Link>(m_port, m_host);
    }

    // Whatever the address, the block lives in the slots of slave 1 and no slot beyond the
    // image is touched.
    void framesOfEachConnection_data()
    {
        QTest::addColumn<Connection>("connection");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("write");
        QTest::addColumn<QByteArray>("ack");
        QTest::newRow("defaults, the frames of always")
            << Connection{} << "9600,N,8,1" << QByteArray("010300020009240c")
            << QByteArray("010312") + kData + "8713"
            << QByteArray("01100002000912") + kValues + "9f2d" << QByteArray("011000020009a1cf");
        QTest::newRow("slave 5, 19200 8E2")
            << At(5, 19200, Parity::Even, 2) << "19200,E,8,2" << QByteArray("0503000200092588")
            << QByteArray("050312") + kData + "c297"
            << QByteArray("05100002000912") + kValues + "ca08" << QByteArray("051000020009a04b");
        QTest::newRow("slave 247, the highest, 115200 8O1")
            << At(247, 115200, Parity::Odd) << "115200,O,8,1" << QByteArray("f70300020009309a")
            << QByteArray("f70312") + kData + "058a"
            << QByteArray("f7100002000912") + kValues + "677a" << QByteArray("f71000020009b559");
    }

    void framesOfEachConnection()
    {
        QFETCH(Connection, connection);
        QFETCH(QString, settings);
        QFETCH(QByteArray, read);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, write);
        QFETCH(QByteArray, ack);
        QVERIFY(!OpenBlockPort(*m_link, Port("/dev/ttyUSB0"), m_system, connection));
        QCOMPARE(QString::fromStdString(m_port.settings), settings);
        SendBlockWrite(*m_link, connection, kWritten);
        QCOMPARE(m_port.sent, Hex(write));
        m_port.QueueInput(Hex(ack));
        QVERIFY(AwaitBlockReply(*m_link, connection).Answered());

        m_port.sent.clear();
        SendBlockRead(*m_link, connection);
        QCOMPARE(m_port.sent, Hex(read));
        m_port.QueueInput(Hex(reply));
        QVERIFY(AwaitBlockReply(*m_link, connection).Answered());
        CloseBlockPort(*m_link);
        QVERIFY(!m_port.PortOpen());
        QCOMPARE(BlockValues(*m_link), kDesign);
        // Seven of the nine values are not 0, and nothing else was stored anywhere.
        const auto& image = m_link->state.RegImage;
        QCOMPARE(std::count(image.begin(), image.end(), 0), kLinkBufferSize - 7);
        QCOMPARE(image[std::size_t(RegisterSlot(1, 6))], 100);
    }

    // The window sends and waits after a failed open, as it always has: nothing goes out and
    // the wait ends at once, naming no device.
    void openFailed()
    {
        m_port.FailNextOpen(PortFault::InUse, "busy");
        const std::optional<OpenFailure> failure =
            OpenBlockPort(*m_link, Port("2"), m_system, Connection{});
        QVERIFY(failure);
        QCOMPARE(failure->fault, PortFault::InUse);
        QCOMPARE(failure->device, std::string("/dev/ttyS1"));
        SendBlockRead(*m_link, Connection{});
        const ReceiveResult reply = AwaitBlockReply(*m_link, Connection{});
        QCOMPARE(reply.outcome, ReceiveOutcome::ConnectionLost);
        QVERIFY(reply.device.empty());
        QVERIFY(m_port.sent.empty());
        QCOMPARE(m_host.pumps, 0);
    }

    // Each attempt is one request; "silent" attempts end at the connection's time limit on the
    // host's clock, and only they are made again.
    void retries_data()
    {
        QTest::addColumn<int>("retries");
        QTest::addColumn<QStringList>("answers"); // per attempt: "", "garbled", "refused", "ok"
        QTest::addColumn<ReceiveOutcome>("outcome");
        QTest::addColumn<int>("requests");
        QTest::newRow("no retries, silent") << 0 << QStringList{} << ReceiveOutcome::TimedOut << 1;
        QTest::newRow("answered after a garbled reply")
            << 1 << QStringList{"garbled", "ok"} << ReceiveOutcome::Answered << 2;
        QTest::newRow("answered after two silent attempts")
            << 2 << QStringList{"", "", "ok"} << ReceiveOutcome::Answered << 3;
        QTest::newRow("all attempts silent") << 5 << QStringList{} << ReceiveOutcome::TimedOut << 6;
        QTest::newRow("a refusal is not asked again")
            << 3 << QStringList{"refused"} << ReceiveOutcome::Refused << 1;
        QTest::newRow("a lost connection is not asked again")
            << 3 << QStringList{"lost"} << ReceiveOutcome::ConnectionLost << 1;
    }

    void retries()
    {
        QFETCH(int, retries);
        QFETCH(QStringList, answers);
        QFETCH(ReceiveOutcome, outcome);
        QFETCH(int, requests);
        Connection connection = At(5);
        connection.timeLimitMs = 500;
        connection.retries = retries;
        m_host.pumpStepSeconds = 0.05;
        QVERIFY(!OpenBlockPort(*m_link, Port("1"), m_system, connection));
        int sent = 0;
        std::vector<int> again;
        const auto send = [&] {
            SendBlockRead(*m_link, connection);
            const QString answer = answers.value(sent++);
            if (answer == "garbled")
                m_port.QueueInput(Hex("050312"
                                      "0000"
                                      "ffff"));
            else if (answer == "ok")
                m_port.QueueInput(Hex(QByteArray("050312") + kData + "c297"));
            else if (answer == "refused")
                m_port.QueueInput(Hex("0583028130"));
            else if (answer == "lost")
                m_port.LoseConnection();
        };
        const double start = m_host.now;
        const ReceiveResult reply =
            RequestBlock(*m_link, connection, send, [&](int attempt) { again.push_back(attempt); });
        QCOMPARE(reply.outcome, outcome);
        QCOMPARE(sent, requests);
        QCOMPARE(int(again.size()), requests - 1);
        if (outcome == ReceiveOutcome::TimedOut)
            QVERIFY(m_host.now - start > 0.5 * requests && m_host.now - start < 0.6 * requests);
    }

  private:
    FakeSerialPort m_port;
    FakeLinkHost m_host;
    FakeSystemPorts m_system;
    std::unique_ptr<Link> m_link;
};

QTEST_APPLESS_MAIN(TestBlockExchange)
#include "tst_blockexchange.moc"
