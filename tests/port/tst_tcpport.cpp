// The TCP stand-in for the serial port, against a peer in this process on 127.0.0.1: what goes
// out, how replies that come in pieces, twice, wrong, endlessly or not at all are taken, what
// the port tells of it, and how a connection that cannot be made is explained.

#include "linkclient.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace morvane;
using namespace morvane::testing;

Q_DECLARE_METATYPE(morvane::PortFault)
Q_DECLARE_METATYPE(morvane::ReceiveOutcome)

namespace
{

const QByteArray kData = QByteArray::fromHex("0002 0001 0000 0064 01f4 0014 0001 0003 0000");
const QByteArray kMbapReply = QByteArray::fromHex("0001 0000 0015 01 0312") + kData;
const QByteArray kRtuReply = QByteArray::fromHex("010312") + kData + QByteArray::fromHex("8713");

// Answers the first request with the chunks given, a few milliseconds apart, closing with the
// last one if told to; or, endless, sends frames of another transaction for as long as it is
// connected.
class Peer : public QObject
{
  public:
    Peer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_socket = m_server.nextPendingConnection();
            connect(m_socket, &QTcpSocket::readyRead, this, [this] { OnRequest(); });
        });
        connect(&m_flood, &QTimer::timeout, this, [this] { Flood(); });
    }
    quint16 Port() const { return m_server.serverPort(); }

    QList<QByteArray> chunks;
    bool closeAfter = false;
    bool endless = false;
    QByteArray received;

  private:
    void OnRequest()
    {
        const bool first = received.isEmpty();
        received += m_socket->readAll();
        if (first && endless)
            m_flood.start(1);
        else if (first)
            Send(0);
    }
    void Send(int i)
    {
        if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        if (i < chunks.size()) {
            m_socket->write(chunks[i]);
            m_socket->flush();
        }
        if (i + 1 < chunks.size())
            QTimer::singleShot(3, this, [this, i] { Send(i + 1); });
        else if (closeAfter)
            m_socket->disconnectFromHost();
    }
    // Held back while the far end does not read, as a socket's own buffers would.
    void Flood()
    {
        if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
            return m_flood.stop();
        if (m_socket->bytesToWrite() < 65536)
            m_socket->write((QByteArray::fromHex("0009 0000 0015 01 0312") + kData).repeated(64));
    }

    QTcpServer m_server;
    QTcpSocket* m_socket = nullptr;
    QTimer m_flood;
};

quint16 ClosedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort(); // closed again when the server goes
}

} // namespace

class TestTcpPort : public QObject
{
    Q_OBJECT
  private slots:
    void replies_data();
    void replies();
    void endlessStreamEndsAtTheTimeLimit();
    void arrivingBytesWakeTheEventLoop();
    void connectFailures_data();
    void connectFailures();
    void withoutANetworkPortNothingOpens_data();
    void withoutANetworkPortNothingOpens();
};

void TestTcpPort::replies_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<bool>("closeAfter");
    QTest::addColumn<ReceiveOutcome>("outcome");
    QTest::addColumn<QStringList>("events"); // in any order

    const QString tcp = "tcp";
    const auto answered = ReceiveOutcome::Answered;
    const QStringList exchange{"connected", "sent 1 unit 1", "received 1", "closed"};
    QTest::newRow("answer") << tcp << QList{kMbapReply} << false << answered << exchange;
    for (qsizetype k = 1; k < kMbapReply.size(); ++k)
        QTest::addRow("split after byte %d", int(k))
            << tcp << QList{kMbapReply.left(k), kMbapReply.mid(k)} << false << answered << exchange;
    QByteArray otherTransaction = kMbapReply;
    otherTransaction[1] = 9;
    QTest::newRow("another transaction, then the answer, in one write")
        << tcp << QList{otherTransaction + kMbapReply} << false << answered
        << QStringList{"connected", "sent 1 unit 1", "rejected wrong transaction", "received 1",
                       "closed"};
    QByteArray otherUnit = kMbapReply;
    otherUnit[6] = 2;
    QTest::newRow("another unit only")
        << tcp << QList{otherUnit} << false << ReceiveOutcome::TimedOut
        << QStringList{"connected", "sent 1 unit 1", "rejected wrong unit", "closed"};
    QTest::newRow("answer, and the far end closes at once")
        << tcp << QList{kMbapReply} << true << answered << exchange;
    QTest::newRow("far end closes without an answer")
        << tcp << QList<QByteArray>{} << true << ReceiveOutcome::ConnectionLost
        << QStringList{"connected", "sent 1 unit 1", "closed by peer"};
    const QByteArray impossible = QByteArray::fromHex("0001 0000 0105 01 03");
    QTest::newRow("impossible length")
        << tcp << QList{impossible} << false << ReceiveOutcome::ConnectionLost
        << QStringList{"connected", "sent 1 unit 1", "rejected length out of range", "closed"};
    QTest::newRow("answer, then an impossible length")
        << tcp << QList{kMbapReply + impossible} << false << answered
        << QStringList{"connected", "sent 1 unit 1", "received 1", "rejected length out of range",
                       "closed"};
    QTest::newRow("rtu over tcp in pieces")
        << "rtu+tcp" << QList{kRtuReply.left(5), kRtuReply.mid(5)} << false << answered
        << QStringList{"connected", "closed"};
    QTest::newRow("rtu over tcp after noise")
        << "rtu+tcp" << QList{QByteArray::fromHex("ff00ff") + kRtuReply} << false << answered
        << QStringList{"connected", "closed"};
}

// Frames the link sends leave whole, in the form the transport carries: with the MBAP header
// and no CRC, or exactly as on the serial line.
void TestTcpPort::replies()
{
    QFETCH(QString, scheme);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(bool, closeAfter);
    QFETCH(ReceiveOutcome, outcome);
    QFETCH(QStringList, events);
    Peer peer;
    peer.chunks = chunks;
    peer.closeAfter = closeAfter;
    LinkClient client;
    const ReceiveResult result =
        client.Exchange(QString("%1://127.0.0.1:%2").arg(scheme).arg(peer.Port()));
    QCOMPARE(result.outcome, outcome);
    if (outcome == ReceiveOutcome::Answered)
        QCOMPARE(client.Registers(), (QList<int>{2, 1, 0, 100, 500, 20, 1, 3, 0}));
    if (outcome == ReceiveOutcome::ConnectionLost)
        QVERIFY(!result.systemText.empty());
    QCOMPARE(peer.received.toHex(), scheme == "tcp" ? QByteArray("000100000006010300020009")
                                                    : QByteArray("010300020009240c"));
    // An answer decides the wait; the close that came with it may or may not be seen first.
    if (closeAfter && outcome == ReceiveOutcome::Answered)
        client.events.replaceInStrings("closed by peer", "closed");
    client.events.sort();
    events.sort();
    QCOMPARE(client.events, events);
}

// Frames that never answer, sent faster than they are read: the wait still ends at its limit.
void TestTcpPort::endlessStreamEndsAtTheTimeLimit()
{
    Peer peer;
    peer.endless = true;
    LinkClient client;
    QElapsedTimer clock;
    clock.start();
    const ReceiveResult result = client.Exchange(QString("tcp://127.0.0.1:%1").arg(peer.Port()));
    QCOMPARE(result.outcome, ReceiveOutcome::TimedOut);
    QVERIFY2(client.events.count("rejected wrong transaction") > 100,
             qPrintable(QString::number(client.events.size())));
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
}

// The wait sleeps in the event loop between bursts; bytes from the network must end the sleep.
void TestTcpPort::arrivingBytesWakeTheEventLoop()
{
    Peer peer;
    peer.chunks = {kMbapReply};
    LinkClient client;
    const QString url = QString("tcp://127.0.0.1:%1").arg(peer.Port());
    QVERIFY(
        OpenAsCommand(client.port, ResolvePort(url.toStdString()), client.host, HostPortSystem()));
    QEventLoop loop;
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    connect(&client.port, &TransportPort::bytesArrived, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    ModbusReadRequest(client.link, ConfigSlaveAddress, ConfigFirstRegister, ConfigRegisterCount);
    loop.exec();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(client.port.InBufferCount() > 0);
}

void TestTcpPort::connectFailures_data()
{
    QTest::addColumn<QString>("url"); // %1: a port closed or full, as the row says
    QTest::addColumn<QString>("port");
    // In a network namespace of its own: no routes, and no name server to ask.
    QTest::addColumn<bool>("isolated");
    QTest::addColumn<PortFault>("fault");
    QTest::addColumn<QString>("words");
    QTest::newRow("refused") << "tcp://127.0.0.1:%1"
                             << "closed" << false << PortFault::ConnectionRefused
                             << "127.0.0.1 refused a connection";
    QTest::newRow("unknown host") << "tcp://nonexistent.invalid"
                                  << "" << false << PortFault::HostNotFound
                                  << "The host nonexistent.invalid could not be found";
    QTest::newRow("no connection within the limit")
        << "rtu+tcp://127.0.0.1:%1"
        << "full" << false << PortFault::ConnectTimeout
        << "127.0.0.1 accepted no connection on port %1 (no connection within 300 ms)";
    QTest::newRow("no route") << "tcp://127.0.0.1"
                              << "" << true << PortFault::NoRoute
                              << "There is no route from this computer to 127.0.0.1";
    QTest::newRow("not an endpoint")
        << "rtu+tcp://127.0.0.1"
        << "" << false << PortFault::None << "rtu+tcp://127.0.0.1 names no unit on the network";
}

// Run as a command would open the port, in a process of its own so that a row can have a
// network namespace to itself: nothing leaves this machine, not even a name lookup.
void TestTcpPort::connectFailures()
{
    QFETCH(QString, url);
    QFETCH(QString, port);
    QFETCH(bool, isolated);
    QFETCH(PortFault, fault);
    QFETCH(QString, words);
    // A listener whose queue of connections is full: the system drops further connection
    // requests, so a connect waits until its limit.
    QTcpServer full;
    full.setListenBacklogSize(0);
    QVERIFY(full.listen(QHostAddress::LocalHost, 0));
    full.pauseAccepting();
    QTcpSocket queued;
    queued.connectToHost(QHostAddress::LocalHost, full.serverPort());
    QVERIFY(queued.waitForConnected(5000));
    const quint16 number = port == "full" ? full.serverPort() : port == "closed" ? ClosedPort() : 0;
    if (number != 0)
        url = url.arg(number);
    if (words.contains("%1"))
        words = words.arg(number);
    QStringList command{MORVANE_PORT_OPENER, url, "300"};
    if (isolated) {
        const QString unshare = QStandardPaths::findExecutable("unshare", {"/usr/bin", "/bin"});
        QVERIFY2(!unshare.isEmpty(), "unshare (util-linux) is needed for a network namespace");
        command.prepend("--net");
        command.prepend(unshare);
    }
    QProcess opener;
    QElapsedTimer clock;
    clock.start();
    opener.start(command.takeFirst(), command);
    QVERIFY(opener.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(opener.readAllStandardOutput());
    QCOMPARE(opener.exitCode(), 1);
    QVERIFY2(out.startsWith(QString("fault %1\n").arg(int(fault))), qPrintable(out));
    const QString label = QString::fromStdString(ResolvePort(url.toStdString()).label);
    QVERIFY2(out.contains("title Error\ntext Unable to connect to " + label + "\r\n" + words),
             qPrintable(out));
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
}

void TestTcpPort::withoutANetworkPortNothingOpens_data()
{
    QTest::addColumn<bool>("maker"); // one that fails, or none at all
    QTest::addColumn<QString>("reason");
    QTest::newRow("no way to make one") << false << "this program reaches no unit on the network";
    QTest::newRow("the library is missing") << true << "the network library cannot be loaded";
}

// A program that cannot make a network port opens nothing for a URL and says why, while its
// serial side stays as it was.
void TestTcpPort::withoutANetworkPortNothingOpens()
{
    QFETCH(bool, maker);
    QFETCH(QString, reason);
    const NetworkPortMaker before = CurrentNetworkPortMaker();
    const NetworkPortMaker failing = [](std::string& problem) -> std::unique_ptr<NetworkPort> {
        problem = "the network library cannot be loaded";
        return nullptr;
    };
    SetNetworkPortMaker(maker ? failing : nullptr);
    TransportPort port;
    port.SetDevicePath("tcp://127.0.0.1:1502");
    port.SetPortOpen(true);
    const bool opened = port.PortOpen();
    const PortFault fault = port.LastFault();
    const std::string text = port.LastFaultText();
    port.SetDevicePath("/dev/morvane-none");
    const std::string serialName = port.DeviceName();
    SetNetworkPortMaker(before);

    QVERIFY(!opened);
    QCOMPARE(fault, PortFault::Other);
    QCOMPARE(QString::fromStdString(text), reason);
    QCOMPARE(serialName, std::string("/dev/morvane-none"));
}

QTEST_GUILESS_MAIN(TestTcpPort)
#include "tst_tcpport.moc"
