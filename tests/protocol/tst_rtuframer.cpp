// The reply framer on its own: each row of its state table, whole frames byte by byte, and
// what a complete valid frame means for the last request.

#include "replyfixture.h"

#include "protocol/crc16.h"
#include "protocol/modbus.h"
#include "protocol/replydecode.h"
#include "protocol/rtuframer.h"

#include <QTest>

using namespace morvane;
using namespace morvane::testing;

Q_DECLARE_METATYPE(morvane::FrameStep)
Q_DECLARE_METATYPE(morvane::ReplyKind)

namespace
{

constexpr std::int16_t kSlave = 1;

struct Fed {
    std::vector<FrameStep> steps;
    FrameStep last() const { return steps.empty() ? FrameStep::Dropped : steps.back(); }
};

Fed Feed(LinkState& state, const std::vector<std::uint8_t>& bytes)
{
    Fed fed;
    for (std::uint8_t b : bytes)
        fed.steps.push_back(ModbusReceiveByte(state, kSlave, b));
    return fed;
}

} // namespace

class TestReceiver : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        state = LinkState();
        ModbusCrcInit(state);
        state.LastRequest = {1, 3, 3, 9};
    }

    // One byte in a given state: what the framer does with it.
    void stateTable_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("requestFunction");
        QTest::addColumn<int>("byte");
        QTest::addColumn<FrameStep>("step");
        QTest::addColumn<int>("countAfter");
        QTest::addColumn<int>("functionAfter");
        QTest::addColumn<int>("lengthAfter"); // expectedLength; starts at 99
        using S = FrameStep;
        QTest::newRow("0: the slave's address") << 0 << 3 << 3 << 1 << S::Accepted << 1 << 0 << 99;
        QTest::newRow("0: another address") << 0 << 3 << 3 << 2 << S::Dropped << 0 << 0 << 99;
        for (int fn : {1, 2, 3, 4, 5, 6, 15, 16})
            QTest::addRow("1: function %d", fn)
                << 1 << 0 << 3 << fn << S::Accepted << 2 << fn << 99;
        for (int fn : {0, 7, 8, 14, 17, 0x7F, 0x80, 0x81, 0x90, 0xFF})
            QTest::addRow("1: function %d", fn) << 1 << 0 << 3 << fn << S::Dropped << 0 << 0 << 99;
        QTest::newRow("1: exception to a read")
            << 1 << 0 << 3 << 0x83 << S::Accepted << 2 << 0x83 << 5;
        QTest::newRow("1: exception to a write")
            << 1 << 0 << 16 << 0x90 << S::Accepted << 2 << 0x90 << 5;
        QTest::newRow("1: read's exception after a write")
            << 1 << 0 << 16 << 0x83 << S::Dropped << 0 << 0 << 99;
        QTest::newRow("1: exception with no request")
            << 1 << 0 << 0 << 0x80 << S::Dropped << 0 << 0 << 99;
        QTest::newRow("2: byte count 18") << 2 << 3 << 3 << 18 << S::Accepted << 3 << 3 << 23;
        QTest::newRow("2: byte count 0") << 2 << 1 << 3 << 0 << S::Accepted << 3 << 1 << 5;
        QTest::newRow("2: byte count 255") << 2 << 4 << 3 << 255 << S::Accepted << 3 << 4 << 260;
        for (int fn : {5, 6, 15, 16})
            QTest::addRow("2: fixed length, function %d", fn)
                << 2 << fn << 3 << 0x40 << S::Accepted << 3 << fn << 8;
        QTest::newRow("2: exception code") << 2 << 0x83 << 3 << 2 << S::Accepted << 3 << 0x83 << 99;
        QTest::newRow("3 and on: data") << 7 << 3 << 3 << 0xAB << S::Accepted << 8 << 3 << 99;
    }

    void stateTable()
    {
        QFETCH(int, count);
        QFETCH(int, function);
        QFETCH(int, requestFunction);
        QFETCH(int, byte);
        QFETCH(FrameStep, step);
        QFETCH(int, countAfter);
        QFETCH(int, functionAfter);
        QFETCH(int, lengthAfter);
        state.LastRequest.function = qint16(requestFunction);
        state.RxState = {qint16(count), qint16(function), 99, 0};
        state.RxBuf.fill(-1);
        QCOMPARE(ModbusReceiveByte(state, kSlave, std::uint8_t(byte)), step);
        QCOMPARE(state.RxState.count, countAfter);
        QCOMPARE(state.RxState.function, functionAfter);
        QCOMPARE(state.RxState.expectedLength, lengthAfter);
        QCOMPARE(state.RxBuf[count], step == FrameStep::Accepted ? byte : -1);
    }

    void wholeFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<FrameStep>("last");
        QTest::newRow("read reply, 23 bytes") << QByteArray(kReadReply) << FrameStep::Valid;
        QTest::newRow("odd byte count, 24 bytes")
            << QByteArray(kReadReplyOdd19) << FrameStep::Valid;
        QTest::newRow("write reply, 8 bytes") << QByteArray(kWriteReply) << FrameStep::Valid;
        QTest::newRow("exception, 5 bytes") << QByteArray("018302c0f1") << FrameStep::Valid;
        QTest::newRow("byte count 0, 5 bytes") << QByteArray("01030020f0") << FrameStep::Valid;
        QTest::newRow("CRC bytes swapped")
            << QByteArray("010312000200010000006401f400140001000300001387") << FrameStep::Invalid;
        QTest::newRow("exception, bad CRC") << QByteArray("018302f1c0") << FrameStep::Invalid;
    }

    void wholeFrames()
    {
        QFETCH(QByteArray, frame);
        QFETCH(FrameStep, last);
        const auto bytes = Bytes(QByteArray::fromHex(frame));
        const Fed fed = Feed(state, bytes);
        QCOMPARE(fed.last(), last);
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
            QCOMPARE(fed.steps[i], FrameStep::Accepted);
        QCOMPARE(state.RxState.count, 0);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            QCOMPARE(state.RxBuf[i], bytes[i]);
    }

    void longestFrame()
    {
        QByteArray frame = QByteArray::fromHex("0103ff") + QByteArray(255, '\x5a');
        state.RxBuf.fill(0);
        std::copy(frame.begin(), frame.end(), state.RxBuf.begin());
        ModbusCrc16(state, qint16(frame.size()), 0);
        frame += char(state.CrcHi);
        frame += char(state.CrcLo);
        const Fed fed = Feed(state, Bytes(frame));
        QCOMPARE(fed.steps.size(), std::size_t(260));
        QCOMPARE(fed.last(), FrameStep::Valid);
    }

    void huntsAgainAfterABadFrame()
    {
        Feed(state, Hex("010312000200010000006401f400140001000300001387"));
        QCOMPARE(Feed(state, Hex(kReadReply)).last(), FrameStep::Valid);
    }

    void strayRecordNeverReachesOutsideTheBuffer_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("expectedLength");
        QTest::newRow("count beyond the buffer") << 401 << 500;
        QTest::newRow("negative count") << -3 << 8;
        QTest::newRow("length below the count") << 9 << 4;
        QTest::newRow("length of one") << 0 << 1;
        QTest::newRow("length beyond the buffer") << 3 << 32767;
    }

    void strayRecordNeverReachesOutsideTheBuffer()
    {
        QFETCH(int, count);
        QFETCH(int, expectedLength);
        state.RxState = {qint16(count), 3, qint16(expectedLength), 0};
        std::vector<std::uint8_t> stray(600, 0x00); // never an address: the framer ends hunting
        stray[0] = kSlave;
        Feed(state, stray);
        QVERIFY(state.RxState.count >= 0 && state.RxState.count < kLinkBufferSize);
        QCOMPARE(Feed(state, Hex(kReadReply)).last(), FrameStep::Valid);
    }

    void classify_data()
    {
        QTest::addColumn<int>("requestFunction");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<ReplyKind>("kind");
        using K = ReplyKind;
        QTest::newRow("read answered") << 3 << QByteArray(kReadReply) << K::Answer;
        QTest::newRow("read, odd count 19") << 3 << QByteArray(kReadReplyOdd19) << K::Answer;
        QTest::newRow("read, eight registers") << 3 << QByteArray(kReadReplyEight) << K::Unrelated;
        QTest::newRow("read, function 4") << 3 << QByteArray(kReadInputReply) << K::Unrelated;
        QTest::newRow("read, write's reply") << 3 << QByteArray(kWriteReply) << K::Unrelated;
        QTest::newRow("read refused") << 3 << QByteArray("018302c0f1") << K::Refusal;
        QTest::newRow("write answered") << 16 << QByteArray(kWriteReply) << K::Answer;
        QTest::newRow("write, other address")
            << 16 << QByteArray(kWriteReplyOtherAddress) << K::Unrelated;
        QTest::newRow("write, other count")
            << 16 << QByteArray(kWriteReplyOtherCount) << K::Unrelated;
        QTest::newRow("write, read's reply") << 16 << QByteArray(kReadReply) << K::Unrelated;
        QTest::newRow("write refused") << 16 << QByteArray("019002cdc1") << K::Refusal;
    }

    void classify()
    {
        QFETCH(int, requestFunction);
        QFETCH(QByteArray, frame);
        QFETCH(ReplyKind, kind);
        state.LastRequest = {1, qint16(requestFunction), 3, 9};
        QCOMPARE(Feed(state, Bytes(QByteArray::fromHex(frame))).last(), FrameStep::Valid);
        QCOMPARE(ModbusClassifyReply(state), kind);
    }

    void otherSlaveIsDroppedAtItsAddress()
    {
        const Fed fed = Feed(state, Hex(kReadReplyOtherSlave));
        QVERIFY(std::find(fed.steps.begin(), fed.steps.end(), FrameStep::Valid) == fed.steps.end());
        // Framed for slave 2 it is valid, yet it does not answer a request to slave 1.
        state.RxState = {};
        for (std::uint8_t b : Hex(kReadReplyOtherSlave))
            ModbusReceiveByte(state, 2, b);
        QCOMPARE(ModbusClassifyReply(state), ReplyKind::Unrelated);
    }

    void exceptionNames()
    {
        QCOMPARE(modbus::ExceptionName(1), std::string_view("illegal function"));
        QCOMPARE(modbus::ExceptionName(2), std::string_view("illegal data address"));
        QCOMPARE(modbus::ExceptionName(3), std::string_view("illegal data value"));
        QCOMPARE(modbus::ExceptionName(4), std::string_view("slave device failure"));
        QCOMPARE(modbus::ExceptionName(0), std::string_view());
        QCOMPARE(modbus::ExceptionName(11), std::string_view());
    }

  private:
    LinkState state;
};

QTEST_APPLESS_MAIN(TestReceiver)
#include "tst_rtuframer.moc"
