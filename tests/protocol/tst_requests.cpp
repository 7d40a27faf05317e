// The two request frames byte for byte, the wire address rule, the echo in txtTX, and what
// transmission does with a closed port, a refused byte and requests that do not fit.

#include "fakelinkhost.h"
#include "fakeserialport.h"
#include "replyfixture.h"

#include "protocol/crc16.h"
#include "protocol/requests.h"

#include <QTest>

using namespace morvane;
using namespace morvane::testing;

class TestRequests : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        link = std::make_unique<Link>(port, host);
        port = FakeSerialPort();
        host = FakeLinkHost();
        ModbusCrcInit(link->state);
        port.SetPortOpen(true);
    }

    void readFrame_data()
    {
        QTest::addColumn<int>("slave");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("read command") << 1 << 3 << 9 << QByteArray("010300020009240c");
        QTest::newRow("documented example") << 0x11 << 0x6C << 3 << QByteArray("1103006b00037687");
        QTest::newRow("register 299") << 1 << 299 << 1 << QByteArray("0103012a0001a43e");
        QTest::newRow("register 300") << 1 << 300 << 1 << QByteArray("0103270500019ebf");
        QTest::newRow("register 301") << 1 << 301 << 1 << QByteArray("0103270600016ebf");
        QTest::newRow("highest start") << 1 << 23078 << 1 << QByteArray("01037fff0001adee");
    }

    void readFrame()
    {
        QFETCH(int, slave);
        QFETCH(int, start);
        QFETCH(int, count);
        QFETCH(QByteArray, frame);
        QVERIFY(ModbusReadRequest(*link, qint16(slave), qint16(start), qint16(count)));
        QCOMPARE(ToHex(port.sent), frame);
        const LastRequestRecord& last = link->state.LastRequest;
        QCOMPARE(last.slave, slave);
        QCOMPARE(last.function, 3);
        QCOMPARE(last.start, start);
        QCOMPARE(last.count, count);
    }

    void frameLeavesInOnePiece()
    {
        ModbusReadRequest(*link, 1, 3, 9);
        QCOMPARE(port.flushedAt, std::vector<std::size_t>{8});
        port.SetPortOpen(false);
        ModbusReadRequest(*link, 1, 3, 9);
        QCOMPARE(port.flushedAt.size(), std::size_t(1));
    }

    void readRequestEcho()
    {
        host.txEcho = "stale";
        host.rxEcho = " 9";
        ModbusReadRequest(*link, 1, 3, 9);
        QCOMPARE(host.txEcho, std::string("  1  3  0  2  0  9  36  12"));
        QCOMPARE(host.txEcho.size(), std::size_t(26));
        QCOMPARE(host.rxEcho, std::string());
    }

    void writeFrame_data()
    {
        QTest::addColumn<std::vector<int>>("values");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("nine zeros") << std::vector<int>(9, 0)
                                    << QByteArray("01100002000912" + QByteArray(36, '0') + "2db5");
        std::vector<int> edges(9, 0);
        edges[0] = 65535;
        edges[1] = 256;
        QTest::newRow("65535 and 256")
            << edges << QByteArray("01100002000912ffff0100" + QByteArray(28, '0') + "9dc1");
    }

    void writeFrame()
    {
        QFETCH(std::vector<int>, values);
        QFETCH(QByteArray, frame);
        link->state.RegImage[2] = 77; // slots outside 3..11 are not sent
        link->state.RegImage[12] = 77;
        for (int k = 0; k < 9; ++k)
            link->state.RegImage[3 + k] = values[k];
        QVERIFY(ModbusWriteRequest(*link, 1, 3, 9));
        QCOMPARE(ToHex(port.sent), frame);
        QCOMPARE(port.sent.size(), std::size_t(27));
        QCOMPARE(link->state.LastRequest.function, 16);
        QCOMPARE(link->state.LastRequest.count, 9);
        QCOMPARE(host.txEcho.substr(0, 23), std::string("  1  16  0  2  0  9  18"));
    }

    void writeTakesTheSlotsOfItsSlave()
    {
        link->state.RegImage[20 + 5] = 0x1234; // slave 2, register 5
        QVERIFY(ModbusWriteRequest(*link, 2, 5, 1));
        QCOMPARE(ToHex(port.sent).left(18), QByteArray("021000040001021234"));
        // An address without slots of its own sends the slots its caller names.
        port.sent.clear();
        link->state.RegImage[3] = 0x0102;
        QVERIFY(ModbusWriteRequestFromSlot(*link, 247, 3, 1, 3));
        QCOMPARE(ToHex(port.sent).left(18), QByteArray("f71000020001020102"));
    }

    void closedPortBuildsButSendsNothing()
    {
        port.SetPortOpen(false);
        host.txEcho = "old";
        host.rxEcho = "old";
        QVERIFY(ModbusReadRequest(*link, 1, 3, 9));
        QVERIFY(port.sent.empty());
        QCOMPARE(host.txEcho, std::string());
        QCOMPARE(host.rxEcho, std::string());
        QCOMPARE(link->state.LastRequest.function, 3);
        QCOMPARE(link->state.TxBuf[6], 0x24);
        QCOMPARE(link->state.TxBuf[7], 0x0C);
    }

    void refusedOutputIsSkippedButEchoed()
    {
        port.refuseOutput = true;
        ModbusReadRequest(*link, 1, 3, 9);
        QVERIFY(port.sent.empty());
        QCOMPARE(host.txEcho, std::string("  1  3  0  2  0  9  36  12"));
    }

    void elementThatIsNoByte_data()
    {
        QTest::addColumn<int>("element");
        QTest::addColumn<QByteArray>("echoOfIt");
        QTest::newRow("256") << 256 << QByteArray("  256");
        QTest::newRow("-1") << -1 << QByteArray(" -1");
        QTest::newRow("most negative") << -32768 << QByteArray(" -32768");
    }

    void elementThatIsNoByte()
    {
        QFETCH(int, element);
        QFETCH(QByteArray, echoOfIt);
        const auto frame = Hex("010300020009240c");
        std::copy(frame.begin(), frame.end(), link->state.TxBuf.begin());
        link->state.TxBuf[3] = qint16(element);
        ModbusTransmit(*link, 7);
        QCOMPARE(ToHex(port.sent), QByteArray("01030000 09240c").replace(' ', ""));
        QCOMPARE(QByteArray::fromStdString(host.txEcho), "  1  3  0" + echoOfIt + "  0  9  36  12");
    }

    void transmitSendsUpToTheLastIndex_data()
    {
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("sent");
        QTest::newRow("7 sends eight") << 7 << 8;
        QTest::newRow("0 sends one") << 0 << 1;
        QTest::newRow("-1 sends none") << -1 << 0;
        QTest::newRow("beyond the buffer") << 30000 << kLinkBufferSize;
    }

    void transmitSendsUpToTheLastIndex()
    {
        QFETCH(int, last);
        QFETCH(int, sent);
        ModbusTransmit(*link, qint16(last));
        QCOMPARE(int(port.sent.size()), sent);
    }

    void requestThatDoesNotFit_data()
    {
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("slave");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::newRow("read from register 0") << 3 << 1 << 0 << 9;
        QTest::newRow("read beyond the address range") << 3 << 1 << 23079 << 1;
        QTest::newRow("read from the most negative") << 3 << 1 << -32768 << 1;
        QTest::newRow("write of 197 registers") << 16 << 1 << 1 << 197;
        QTest::newRow("write of a negative count") << 16 << 1 << 3 << -1;
        QTest::newRow("write past the last slot") << 16 << 21 << 3 << 9;
        QTest::newRow("write from slave 0") << 16 << 0 << 3 << 9;
        QTest::newRow("write from a huge slave") << 16 << 32767 << 3 << 1;
    }

    void requestThatDoesNotFit()
    {
        QFETCH(int, function);
        QFETCH(int, slave);
        QFETCH(int, start);
        QFETCH(int, count);
        ModbusReadRequest(*link, 1, 3, 9);
        port.sent.clear();
        const bool built =
            function == 3 ? ModbusReadRequest(*link, qint16(slave), qint16(start), qint16(count))
                          : ModbusWriteRequest(*link, qint16(slave), qint16(start), qint16(count));
        QVERIFY(!built);
        QVERIFY(port.sent.empty());
        QCOMPARE(host.txEcho, std::string());
        QCOMPARE(link->state.LastRequest.function, 0); // no reply can answer it
        QCOMPARE(link->state.TxBuf[7], 0x0C);          // the last frame stays as it was
    }

    void largestFittingWrite()
    {
        QVERIFY(ModbusWriteRequest(*link, 1, 1, 196));
        QCOMPARE(int(port.sent.size()), kLinkBufferSize - 1); // the byte count 392 is no byte
        QVERIFY(ModbusWriteRequest(*link, 20, 1, 20));        // slots 381 to 400
        QVERIFY(ModbusWriteRequestFromSlot(*link, 247, 3, 9, 392));
        QVERIFY(!ModbusWriteRequestFromSlot(*link, 247, 3, 9, 393));
        QVERIFY(!ModbusWriteRequestFromSlot(*link, 247, 3, 9, -1));
    }

    void wireAddresses_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("address");
        QTest::newRow("1") << 1 << 0;
        QTest::newRow("3") << 3 << 2;
        QTest::newRow("299") << 299 << 298;
        QTest::newRow("300") << 300 << 9989;
        QTest::newRow("301") << 301 << 9990;
        QTest::newRow("32767 without overflow") << 32767 << 42456;
    }

    void wireAddresses()
    {
        QFETCH(int, start);
        QFETCH(int, address);
        QCOMPARE(ModbusWireAddress(qint16(start)), address);
        QCOMPARE(ModbusRegisterOfWireAddress(address), start);
    }

  private:
    FakeSerialPort port;
    FakeLinkHost host;
    std::unique_ptr<Link> link;
};

QTEST_APPLESS_MAIN(TestRequests)
#include "tst_requests.moc"
