// The block exchange's steps against a port in memory: a read answered, a write acknowledged,
// and an open that fails, after which the window's order still ends at once.

#include "exchange/blockexchange.h"

#include "fakelinkhost.h"
#include "fakeserialport.h"
#include "fakesystemports.h"

#include <QtTest>

using namespace morvane;
using namespace morvane::testing;

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

    void readAnswered()
    {
        QVERIFY(!OpenBlockPort(*m_link, Port("/dev/ttyUSB0"), m_system));
        QCOMPARE(m_port.settings, std::string("9600,N,8,1"));
        SendBlockRead(*m_link);
        QCOMPARE(m_port.sent, Hex("010300020009240c"));
        m_port.QueueInput(Hex("010312000200010000006401f400140001000300008713"));
        QVERIFY(AwaitBlockReply(*m_link).Answered());
        CloseBlockPort(*m_link);
        QVERIFY(!m_port.PortOpen());
        QCOMPARE(BlockValues(*m_link), (Registers{2, 1, 0, 100, 500, 20, 1, 3, 0}));
    }

    void writeAcknowledged()
    {
        QVERIFY(!OpenBlockPort(*m_link, Port("1"), m_system));
        SendBlockWrite(*m_link, Registers{7, 12, 65535, 1, 2, 3, 4, 5, 40000});
        QCOMPARE(m_port.sent, Hex("01100002000912"
                                  "0007000cffff00010002000300040005"
                                  "9c40"
                                  "9f2d"));
        m_port.QueueInput(Hex("011000020009a1cf"));
        QVERIFY(AwaitBlockReply(*m_link).Answered());
        QCOMPARE(BlockRegister(*m_link, 5), 65535);
        QCOMPARE(BlockRegister(*m_link, 11), 40000);
    }

    // The window sends and waits after a failed open, as it always has: nothing goes out and
    // the wait ends at once, naming no device.
    void openFailed()
    {
        m_port.FailNextOpen(PortFault::InUse, "busy");
        const std::optional<OpenFailure> failure = OpenBlockPort(*m_link, Port("2"), m_system);
        QVERIFY(failure);
        QCOMPARE(failure->fault, PortFault::InUse);
        QCOMPARE(failure->device, std::string("/dev/ttyS1"));
        SendBlockRead(*m_link);
        const ReceiveResult reply = AwaitBlockReply(*m_link);
        QCOMPARE(reply.outcome, ReceiveOutcome::ConnectionLost);
        QVERIFY(reply.device.empty());
        QVERIFY(m_port.sent.empty());
        QCOMPARE(m_host.pumps, 0);
    }

  private:
    FakeSerialPort m_port;
    FakeLinkHost m_host;
    FakeSystemPorts m_system;
    std::unique_ptr<Link> m_link;
};

QTEST_APPLESS_MAIN(TestBlockExchange)
#include "tst_blockexchange.moc"
