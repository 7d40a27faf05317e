// The receive from the request's side: which replies end the wait and how, what reaches
// RegImage and the echo, and that a damaged or foreign frame never counts.

#include "replyfixture.h"

#include <QTest>

#include <numeric>

using namespace morvane;
using namespace morvane::testing;

Q_DECLARE_METATYPE(std::vector<int>)

namespace
{

// The 23-byte read reply, byte by byte as it lands in txtRX.
const std::string kReadReplyEcho =
    "  1  3  18  0  2  0  1  0  0  0  100  1  244  0  20  0  1  0  3  0"
    "  0  135  19";

QByteArray WithBitFlipped(const char* hex, int bit)
{
    QByteArray frame = QByteArray::fromHex(hex);
    frame[bit / 8] = char(frame[bit / 8] ^ (1 << (bit % 8)));
    return frame;
}

} // namespace

class TestReceive : public QObject
{
    Q_OBJECT

  private slots:
    void init() { h = std::make_unique<ReceiveHarness>(); }

    void readAnswered()
    {
        h->Read();
        h->host.StartWatchdog();
        h->Queue(kReadReply);
        const ReceiveResult result = h->Receive();
        QCOMPARE(result.outcome, ReceiveOutcome::Answered);
        QCOMPARE(result.Code(), 1);
        QCOMPARE(h->Registers(3, 9), kDesignValues);
        QCOMPARE(h->link.state.RegImage[2], ReceiveHarness::kUntouched);
        QCOMPARE(h->link.state.RegImage[12], ReceiveHarness::kUntouched);
        QCOMPARE(h->host.rxEcho, kReadReplyEcho);
        QVERIFY(!h->host.WatchdogActive());
    }

    void registersAreUnsigned()
    {
        h->Read();
        h->Queue(kReadReplyEdges);
        QVERIFY(h->Receive().Answered());
        QCOMPARE(h->Registers(3, 4), (std::vector<int>{65535, 256, 32767, 32768}));
    }

    void writeAnsweredChangesNoSlot()
    {
        h->Write();
        h->Queue(kWriteReply);
        QVERIFY(h->Receive().Answered());
        QVERIFY(h->ImageUntouched());
    }

    void splitAtEveryPoint_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<std::vector<int>>("cuts"); // chunk boundaries
        for (int cut = 1; cut < 23; ++cut)
            QTest::addRow("read reply, cut after %d", cut) << false << std::vector<int>{cut};
        for (int cut = 1; cut < 8; ++cut)
            QTest::addRow("write reply, cut after %d", cut) << true << std::vector<int>{cut};
        std::vector<int> everyByte(22);
        std::iota(everyByte.begin(), everyByte.end(), 1);
        QTest::newRow("read reply, byte by byte") << false << everyByte;
        QTest::newRow("write reply, three pieces") << true << std::vector<int>{2, 5};
    }

    void splitAtEveryPoint()
    {
        QFETCH(bool, write);
        QFETCH(std::vector<int>, cuts);
        write ? h->Write() : h->Read();
        const auto frame = Hex(write ? kWriteReply : kReadReply);
        int from = 0;
        cuts.push_back(int(frame.size()));
        for (int cut : cuts) {
            h->chunks.emplace_back(frame.begin() + from, frame.begin() + cut);
            from = cut;
        }
        QVERIFY(h->Receive().Answered());
        QVERIFY(h->chunks.empty());
        if (write)
            QVERIFY(h->ImageUntouched());
        else
            QCOMPARE(h->Registers(3, 9), kDesignValues);
    }

    void everySingleBitFlipIsRejected_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<QByteArray>("frame");
        for (int bit = 0; bit < 23 * 8; ++bit)
            QTest::addRow("read reply, bit %d", bit) << false << WithBitFlipped(kReadReply, bit);
        for (int bit = 0; bit < 8 * 8; ++bit)
            QTest::addRow("write reply, bit %d", bit) << true << WithBitFlipped(kWriteReply, bit);
    }

    void everySingleBitFlipIsRejected()
    {
        QFETCH(bool, write);
        QFETCH(QByteArray, frame);
        write ? h->Write() : h->Read();
        h->chunks.push_back(Bytes(frame));
        QCOMPARE(h->Receive().outcome, ReceiveOutcome::TimedOut);
        QVERIFY(h->ImageUntouched());
    }

    // Frames and bytes that precede the answer are passed over; the answer still counts.
    void passedOverBeforeTheAnswer_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("noise") << QByteArray("ff000217805a");
        QTest::newRow("CRC bytes swapped")
            << QByteArray("010312000200010000006401f400140001000300001387");
        QTest::newRow("eight registers") << QByteArray(kReadReplyEight);
        QTest::newRow("function 4") << QByteArray(kReadInputReply);
        QTest::newRow("a write's reply") << QByteArray(kWriteReply);
        QTest::newRow("another slave") << QByteArray(kReadReplyOtherSlave);
        QTest::newRow("a write's exception") << QByteArray("019002cdc1");
    }

    void passedOverBeforeTheAnswer()
    {
        QFETCH(QByteArray, before);
        h->Read();
        h->chunks.push_back(Bytes(QByteArray::fromHex(before)));
        const std::size_t echoOfBefore = h->chunks.back().size();
        h->Queue(kReadReply);
        QVERIFY(h->Receive().Answered());
        QCOMPARE(h->Registers(3, 9), kDesignValues);
        QVERIFY(h->Elapsed() > 0.05); // it waited for the second burst
        QVERIFY(h->host.rxEcho.size() > kReadReplyEcho.size() + 2 * echoOfBefore);
        QVERIFY(h->host.rxEcho.ends_with(kReadReplyEcho));
    }

    void notAnsweredTimesOutUntouched_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("read: another slave") << false << QByteArray(kReadReplyOtherSlave);
        QTest::newRow("read: eight registers") << false << QByteArray(kReadReplyEight);
        QTest::newRow("read: a write's reply") << false << QByteArray(kWriteReply);
        QTest::newRow("write: other address") << true << QByteArray(kWriteReplyOtherAddress);
        QTest::newRow("write: other count") << true << QByteArray(kWriteReplyOtherCount);
        QTest::newRow("write: a read's reply") << true << QByteArray(kReadReply);
        QTest::newRow("read: exception from another slave") << false << QByteArray("02830230f1");
        QTest::newRow("read: a write's exception") << false << QByteArray("019002cdc1");
        QTest::newRow("read: exception, bad CRC") << false << QByteArray("018302f1c0");
        QTest::newRow("write: a read's exception") << true << QByteArray("018302c0f1");
    }

    void notAnsweredTimesOutUntouched()
    {
        QFETCH(bool, write);
        QFETCH(QByteArray, frame);
        write ? h->Write() : h->Read();
        h->chunks.push_back(Bytes(QByteArray::fromHex(frame)));
        const ReceiveResult result = h->Receive();
        QCOMPARE(result.outcome, ReceiveOutcome::TimedOut);
        QCOMPARE(result.Code(), -1);
        QVERIFY(h->ImageUntouched());
    }

    void oddByteCount()
    {
        h->Read();
        h->Queue(kReadReplyOdd19);
        QVERIFY(h->Receive().Answered());
        QCOMPARE(h->Registers(3, 9), kDesignValues);
        QCOMPARE(h->link.state.RegImage[12], ReceiveHarness::kUntouched);
    }

    // The words of each refusal are the exchange's: see RefusalText.
    void refusal_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("code");
        QTest::newRow("1") << false << QByteArray("01830180f0") << 1;
        QTest::newRow("2") << false << QByteArray("018302c0f1") << 2;
        QTest::newRow("3") << false << QByteArray("0183030131") << 3;
        QTest::newRow("4") << false << QByteArray("01830440f3") << 4;
        QTest::newRow("7") << false << QByteArray("01830700f2") << 7;
        QTest::newRow("0") << false << QByteArray("0183004130") << 0;
        QTest::newRow("write, 2") << true << QByteArray("019002cdc1") << 2;
    }

    void refusal()
    {
        QFETCH(bool, write);
        QFETCH(QByteArray, frame);
        QFETCH(int, code);
        write ? h->Write() : h->Read();
        h->chunks.push_back(Bytes(QByteArray::fromHex(frame)));
        const ReceiveResult result = h->Receive();
        QCOMPARE(result.outcome, ReceiveOutcome::Refused);
        QCOMPARE(result.exceptionCode, code);
        QVERIFY(result.Code() != 1 && result.Code() != -1);
        QVERIFY(h->Elapsed() < 0.2); // at once, not after the time limit
        QVERIFY(h->ImageUntouched());
    }

    // Bytes already waiting behind the deciding frame are still taken and echoed, but a
    // second answer among them does not overwrite the first.
    void firstDecisionStands()
    {
        h->Read();
        auto burst = Hex(kReadReply);
        const auto second = Hex(kReadReplyEdges);
        burst.insert(burst.end(), second.begin(), second.end());
        h->chunks.push_back(burst);
        QVERIFY(h->Receive().Answered());
        QCOMPARE(h->Registers(3, 9), kDesignValues);
        QCOMPARE(h->port.InBufferCount(), 0);
        QVERIFY(h->host.rxEcho.starts_with(kReadReplyEcho));
        QVERIFY(h->host.rxEcho.ends_with("  5  129  91"));
    }

  private:
    std::unique_ptr<ReceiveHarness> h;
};

QTEST_APPLESS_MAIN(TestReceive)
#include "tst_replies.moc"
