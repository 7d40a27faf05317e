// The virtual controller's fault switches and its life cycle, watched byte by byte from a
// bare client on the pseudo-terminal.

#include "rawline.h"
#include "simprocess.h"
#include "wireframes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace morvane::testing;

namespace
{

const QByteArray WriteRequest =
    QByteArray::fromHex("011000020009120007000cffff000100020003000400059c409f2d");
const QString WriteLine =
    QStringLiteral("request fn=16 addr=2 count=9 values=7,12,65535,1,2,3,4,5,40000");

QByteArray WithCrcInverted(QByteArray frame)
{
    frame[frame.size() - 2] = static_cast<char>(frame[frame.size() - 2] ^ 0xFF);
    frame[frame.size() - 1] = static_cast<char>(frame[frame.size() - 1] ^ 0xFF);
    return frame;
}

} // namespace

class TestSimFaults : public QObject
{
    Q_OBJECT

  private slots:
    void repliesFollowTheSwitches_data();
    void repliesFollowTheSwitches();
    void disagreeingControllerHoldsItsValue_data();
    void disagreeingControllerHoldsItsValue();
    void silentControllerSendsNothing();
    void delayedReplyComesLate();
    void replyTakesItsTime_data();
    void replyTakesItsTime();
    void staleReplyDoesNotReachTheNextCommand_data();
    void staleReplyDoesNotReachTheNextCommand();
    void hangUpEndsTheLine_data();
    void hangUpEndsTheLine();
    void stopSignalRemovesLink_data();
    void stopSignalRemovesLink();
    void existingPathIsOnlyReplacedWhenALink();
};

void TestSimFaults::repliesFollowTheSwitches_data()
{
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("requestLine");

    const QByteArray otherSlave =
        QByteArray::fromHex("050312000200010000006401f40014000100030000c297");

    QTest::newRow("read") << QStringList{} << ReadRequest << DesignReply << ReadLine;
    QTest::newRow("write") << QStringList{} << WriteRequest << WriteReply << WriteLine;
    QTest::newRow("register 4 alone")
        << QStringList{"--registers", "7,12"} << QByteArray::fromHex("010300030001740a")
        << QByteArray::fromHex("010302000cb841") << "request fn=3 addr=3 count=1";
    QTest::newRow("exception 2") << QStringList{"--exception", "2"} << ReadRequest
                                 << QByteArray::fromHex("018302c0f1") << ReadLine;
    QTest::newRow("exception 4 on a write") << QStringList{"--exception", "4"} << WriteRequest
                                            << QByteArray::fromHex("0190044dc3") << WriteLine;
    QTest::newRow("bad crc") << QStringList{"--bad-crc"} << ReadRequest
                             << WithCrcInverted(DesignReply) << ReadLine;
    QTest::newRow("noise") << QStringList{"--noise", "5"} << ReadRequest
                           << QByteArray::fromHex("ff00ff00ff") + DesignReply << ReadLine;
    QTest::newRow("other slave") << QStringList{"--slave-answer", "5"} << ReadRequest << otherSlave
                                 << ReadLine;
    QTest::newRow("faults together")
        << QStringList{"--slave-answer", "5", "--bad-crc", "--noise=2"} << ReadRequest
        << QByteArray::fromHex("ff00") + WithCrcInverted(otherSlave) << ReadLine;
    // The line is opened at 9600 baud without parity.
    QTest::newRow("own address 5")
        << QStringList{"--slave", "5"} << QByteArray::fromHex("0503000200092588") << otherSlave
        << ReadLine;
    QTest::newRow("another address than its own")
        << QStringList{"--slave", "5"} << ReadRequest << QByteArray() << QString();
    QTest::newRow("the line's speed") << QStringList{"--baud", "9600", "--parity", "none"}
                                      << ReadRequest << DesignReply << ReadLine;
    QTest::newRow("another speed")
        << QStringList{"--baud", "19200"} << ReadRequest << QByteArray() << QString();
    QTest::newRow("a parity the line does not have")
        << QStringList{"--parity", "even"} << ReadRequest << QByteArray() << QString();
}

void TestSimFaults::repliesFollowTheSwitches()
{
    QFETCH(QStringList, switches);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(QString, requestLine);
    SimProcess sim;
    QString device = sim.Start(switches);
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    RawLine line;
    QVERIFY2(line.Open(device), qPrintable(line.ErrorText()));
    QVERIFY(line.Write(request));
    // One byte more than expected, so a trailing stray byte shows.
    Received received = line.Receive(static_cast<int>(reply.size()) + 1, 400);
    QCOMPARE(received.bytes.toHex(), reply.toHex());
    QCOMPARE(sim.Requests(), requestLine.isEmpty() ? QStringList() : QStringList{requestLine});
}

void TestSimFaults::disagreeingControllerHoldsItsValue_data()
{
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<QByteArray>("write");
    QTest::addColumn<QByteArray>("echo");
    QTest::addColumn<QString>("writeLine");
    QTest::addColumn<QByteArray>("readBack");

    const QByteArray writeRegister5 = QByteArray::fromHex("010600040009080d");
    const QByteArray writeRegister4 = QByteArray::fromHex("01060003000b380d");
    QTest::newRow("nine written") << QStringList{"--disagree", "5=7"} << WriteRequest << WriteReply
                                  << WriteLine
                                  << QByteArray::fromHex(
                                         "0103120007000c0007000100020003000400059c40e05c");
    QTest::newRow("first and last, the extremes")
        << QStringList{"--disagree=3=-32768", "--disagree", "11=0"} << WriteRequest << WriteReply
        << WriteLine << QByteArray::fromHex("0103128000000cffff000100020003000400050000b333");
    QTest::newRow("single write echoed as sent")
        << QStringList{"--disagree", "5=-2"} << writeRegister5 << writeRegister5
        << QStringLiteral("request fn=6 addr=4 value=9")
        << QByteArray::fromHex("01031200020001fffe006401f400140001000300002e93");
    QTest::newRow("start value kept until written")
        << QStringList{"--registers", "2,1,9", "--disagree", "5=7"} << writeRegister4
        << writeRegister4 << QStringLiteral("request fn=6 addr=3 value=11")
        << QByteArray::fromHex("0103120002000b0009006401f4001400010003000010dd");
}

// The write is acknowledged as any other; only the read after it shows the difference.
void TestSimFaults::disagreeingControllerHoldsItsValue()
{
    QFETCH(QStringList, switches);
    QFETCH(QByteArray, write);
    QFETCH(QByteArray, echo);
    QFETCH(QString, writeLine);
    QFETCH(QByteArray, readBack);
    SimProcess sim;
    QString device = sim.Start(switches);
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    RawLine line;
    QVERIFY(line.Open(device));
    QVERIFY(line.Write(write));
    QCOMPARE(line.Receive(static_cast<int>(echo.size()) + 1, 400).bytes.toHex(), echo.toHex());
    QVERIFY(line.Write(ReadRequest));
    QCOMPARE(line.Receive(static_cast<int>(readBack.size()) + 1, 400).bytes.toHex(),
             readBack.toHex());
    QCOMPARE(sim.Requests(), QStringList({writeLine, ReadLine}));
}

void TestSimFaults::silentControllerSendsNothing()
{
    SimProcess sim;
    QString device = sim.Start({"--silent"});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    RawLine line;
    QVERIFY(line.Open(device));
    QVERIFY(line.Write(ReadRequest));
    QVERIFY(sim.WaitForRequests(1));
    Received received = line.Receive(1, 300);
    QCOMPARE(received.bytes.toHex(), QByteArray());
    QVERIFY(!received.hungUp);
    QVERIFY(sim.IsRunning());
}

void TestSimFaults::delayedReplyComesLate()
{
    SimProcess sim;
    QString device = sim.Start({"--delay", "600"});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    RawLine line;
    QVERIFY(line.Open(device));
    QElapsedTimer sinceRequest;
    sinceRequest.start();
    QVERIFY(line.Write(ReadRequest));
    QCOMPARE(line.Receive(1, 300).bytes.toHex(), QByteArray());
    QCOMPARE(line.Receive(static_cast<int>(DesignReply.size()), 5000).bytes.toHex(),
             DesignReply.toHex());
    QVERIFY2(sinceRequest.elapsed() >= 600, qPrintable(QString::number(sinceRequest.elapsed())));
}

void TestSimFaults::replyTakesItsTime_data()
{
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<int>("leastChunks");
    QTest::addColumn<int>("leastMs");
    QTest::addColumn<int>("mostMs");
    QTest::newRow("in pieces with gaps")
        << QStringList{"--pieces", "3", "--gap", "250"} << 3 << 500 << 5500;
    // At 9600 baud the 23 bytes take 24 ms after a silence of 3.6 ms.
    QTest::newRow("paced at 9600 baud") << QStringList{"--pace", "9600"} << 1 << 27 << 500;
}

// The whole reply arrives, no sooner than the switches make it, and not late either.
void TestSimFaults::replyTakesItsTime()
{
    QFETCH(QStringList, switches);
    QFETCH(int, leastChunks);
    QFETCH(int, leastMs);
    QFETCH(int, mostMs);
    SimProcess sim;
    QString device = sim.Start(switches);
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    RawLine line;
    QVERIFY(line.Open(device));
    QElapsedTimer sinceRequest;
    sinceRequest.start();
    QVERIFY(line.Write(ReadRequest));
    Received received = line.Receive(static_cast<int>(DesignReply.size()), 5000);
    const qint64 elapsed = sinceRequest.elapsed();
    QCOMPARE(received.bytes.toHex(), DesignReply.toHex());
    QVERIFY2(received.chunkSizes.size() >= leastChunks,
             qPrintable(QStringLiteral("%1 chunks").arg(received.chunkSizes.size())));
    QVERIFY2(elapsed >= leastMs && elapsed < mostMs, qPrintable(QString::number(elapsed)));
}

void TestSimFaults::staleReplyDoesNotReachTheNextCommand_data()
{
    QTest::addColumn<QString>("delayMs");
    QTest::addColumn<int>("openAfterRequestMs");
    QTest::newRow("reply sent after the port closed") << "700" << 0;
    QTest::newRow("reply left unread when the port closed") << "0" << 300;
}

// A real port that is closed receives nothing: the next command must not find the reply
// to an earlier one waiting for it.
void TestSimFaults::staleReplyDoesNotReachTheNextCommand()
{
    QFETCH(QString, delayMs);
    QFETCH(int, openAfterRequestMs);
    SimProcess sim;
    QString device = sim.Start({"--delay", delayMs});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    RawLine line;
    QVERIFY(line.Open(device));
    QVERIFY(line.Write(ReadRequest));
    QVERIFY(sim.WaitForRequests(1));
    QTest::qWait(openAfterRequestMs);
    line.Close();
    QTest::qWait(1000);
    QVERIFY(line.Open(device));
    QVERIFY(line.Write(ReadRequest));
    Received received = line.Receive(2 * static_cast<int>(DesignReply.size()), 2500);
    QCOMPARE(received.bytes.toHex(), DesignReply.toHex());
}

void TestSimFaults::hangUpEndsTheLine_data()
{
    QTest::addColumn<int>("answered");
    QTest::newRow("at the first request") << 0;
    QTest::newRow("after two answers") << 2;
}

void TestSimFaults::hangUpEndsTheLine()
{
    QFETCH(int, answered);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("com1"));
    SimProcess sim;
    QString device = sim.Start({"--hangup-after", QString::number(answered), "--link", link});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    RawLine line;
    QVERIFY(line.Open(link));
    for (int i = 0; i < answered; ++i) {
        QVERIFY(line.Write(ReadRequest));
        QCOMPARE(line.Receive(static_cast<int>(DesignReply.size()), 3000).bytes.toHex(),
                 DesignReply.toHex());
    }
    QVERIFY(line.Write(ReadRequest));
    Received received = line.Receive(1, 3000);
    QVERIFY(received.hungUp);
    QCOMPARE(received.bytes.toHex(), QByteArray());
    QVERIFY(sim.WaitForExit());
    QCOMPARE(sim.ExitCode(), 0);
    QCOMPARE(sim.RequestCount(), answered + 1);
    QCOMPARE(sim.OutputLines().last(), QStringLiteral("hangup"));
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSimFaults::stopSignalRemovesLink_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("midReply");
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    QTest::newRow("SIGTERM during a long delay") << int(SIGTERM) << true;
}

void TestSimFaults::stopSignalRemovesLink()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, midReply);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyMorvane"));
    SimProcess sim;
    QString device = sim.Start({"--link", link, "--delay", midReply ? "30000" : "0"});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    QCOMPARE(QFileInfo(link).symLinkTarget(), device);
    RawLine line;
    QVERIFY(line.Open(link));
    if (midReply) {
        QVERIFY(line.Write(ReadRequest));
        QVERIFY(sim.WaitForRequests(1));
    }
    QElapsedTimer sinceSignal;
    sinceSignal.start();
    QCOMPARE(::kill(static_cast<pid_t>(sim.ProcessId()), signalNumber), 0);
    QVERIFY(sim.WaitForExit(10000));
    QVERIFY2(sinceSignal.elapsed() < 5000, "the stop waited for the reply's delay");
    QCOMPARE(sim.ExitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    QVERIFY(line.Receive(1, 1000).hungUp);
}

void TestSimFaults::existingPathIsOnlyReplacedWhenALink()
{
    QTemporaryDir dir;
    const QString staleLink = dir.filePath(QStringLiteral("stale"));
    QVERIFY(QFile::link(QStringLiteral("/dev/pts/gone"), staleLink));
    SimProcess sim;
    QString device = sim.Start({"--link", staleLink});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    QCOMPARE(QFileInfo(staleLink).symLinkTarget(), device);
    QCOMPARE(sim.Stop(), 0);

    const QString someonesFile = dir.filePath(QStringLiteral("file"));
    QFile file(someonesFile);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep") == 4);
    file.close();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("exited \\(code 1\\)")));
    QVERIFY(sim.Start({"--link", someonesFile}, 3000).isEmpty());
    QCOMPARE(sim.ExitCode(), 1);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep"));
}

QTEST_GUILESS_MAIN(TestSimFaults)
#include "tst_simfaults.moc"
