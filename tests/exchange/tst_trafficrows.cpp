// The rows of the line traffic window made from the bytes of one exchange: where the framer's
// decisions and the silences cut them, and what each row says; the rows of a network
// connection's events.

#include "exchange/trafficrecorder.h"
#include "exchange/trafficwords.h"
#include "fakeserialport.h"

#include <QtTest>

using namespace morvane;

namespace
{

constexpr double kNoon = 43200;
constexpr const char* kRead = "010300020009240c";
constexpr const char* kWrite = "01100002000912000200010000006401f400140001000300005824";
constexpr const char* kAnswer = "010312000200010000006401f400140001000300008713";
constexpr const char* kAnswerRow = "01 03 12 00 02 00 01 00 00 00 64 01 F4 00 14 00 01 00 03 "
                                   "00 00 87 13: answer, 9 registers";

std::vector<std::uint8_t> Bytes(const QByteArray& hex)
{
    const QByteArray raw = QByteArray::fromHex(hex);
    return {raw.begin(), raw.end()};
}

// Received rows as "HEX: meaning", sent rows as "sent: meaning".
void Take(QStringList& rows, const std::vector<TrafficFrame>& frames)
{
    for (const TrafficFrame& frame : frames) {
        const TrafficRow row = TrafficRowOf(frame);
        rows << QString::fromStdString((frame.sent ? row.direction : row.bytes) + ": " +
                                       row.meaning);
    }
}

// The frames a decoder makes of a request and the bursts after it ("ms after the request:hex").
std::vector<TrafficFrame> Decoded(const QByteArray& request, const QStringList& bursts)
{
    TrafficDecoder decoder(1);
    std::vector<TrafficFrame> frames = decoder.Sent(kNoon, Bytes(request));
    const auto take = [&frames](const std::vector<TrafficFrame>& more) {
        frames.insert(frames.end(), more.begin(), more.end());
    };
    for (const QString& burst : bursts) {
        const double time = kNoon + burst.section(':', 0, 0).toInt() / 1000.0;
        for (std::uint8_t b : Bytes(burst.section(':', 1).toLatin1()))
            take(decoder.Received(time, b));
        take(decoder.Quiet(time));
    }
    take(decoder.Finish());
    return frames;
}

} // namespace

class TestTrafficRows : public QObject
{
    Q_OBJECT
  private slots:
    void rowsOfAnExchange_data();
    void rowsOfAnExchange();
    void whatCameBack_data();
    void whatCameBack();
    void networkEventRows_data();
    void networkEventRows();
    void frameRowsShowWhatTravels_data();
    void frameRowsShowWhatTravels();
    void timeOfDay_data();
    void timeOfDay();
};

void TestTrafficRows::rowsOfAnExchange_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QStringList>("bursts"); // "ms after the request:hex"
    QTest::addColumn<QStringList>("rows");
    const QString read = "sent: read request, registers 3 to 11 of slave 1";
    const QByteArray answer(kAnswer);

    QTest::newRow("read answered")
        << QByteArray(kRead) << QStringList{"0:" + answer} << QStringList{read, kAnswerRow};
    QTest::newRow("write acknowledged")
        << QByteArray(kWrite) << QStringList{"0:011000020009a1cf"}
        << QStringList{"sent: write request, registers 3 to 11 of slave 1",
                       "01 10 00 02 00 09 A1 CF: write acknowledged"};
    QTest::newRow("exception") << QByteArray(kRead) << QStringList{"0:018302c0f1"}
                               << QStringList{read,
                                              "01 83 02 C0 F1: exception 2 (illegal data address)"};
    QTest::newRow("CRC wrong")
        << QByteArray(kRead) << QStringList{"0:" + answer.chopped(4) + "78ec"}
        << QStringList{read, "01 03 12 00 02 00 01 00 00 00 64 01 F4 00 14 00 01 00 03 00 00 78 "
                             "EC: CRC wrong"};
    QTest::newRow("another slave")
        << QByteArray(kRead) << QStringList{"0:020312000200010000006401f40014000100030000b420"}
        << QStringList{read, "02 03 12 00 02 00 01 00 00 00 64 01 F4 00 14 00 01 00 03 00 00 B4 "
                             "20: from slave 2, ignored"};
    QTest::newRow("eight registers for nine")
        << QByteArray(kRead) << QStringList{"0:010310000200010000006401f4001400010003abda"}
        << QStringList{read, "01 03 10 00 02 00 01 00 00 00 64 01 F4 00 14 00 01 00 03 AB DA: "
                             "does not answer the request"};
    // The framer, not the burst, ends the noise: it comes in one piece with the answer.
    QTest::newRow("noise, then the answer at once")
        << QByteArray(kRead) << QStringList{"0:ff00ff00" + answer}
        << QStringList{read, "FF 00 FF 00: no frame", kAnswerRow};
    QTest::newRow("answer in two bursts within the gap")
        << QByteArray(kRead) << QStringList{"0:" + answer.left(20), "2:" + answer.mid(20)}
        << QStringList{read, kAnswerRow};
    QTest::newRow("answer in two bursts with a silence between")
        << QByteArray(kRead) << QStringList{"0:" + answer.left(20), "50:" + answer.mid(20)}
        << QStringList{read, kAnswerRow};
    // 01 starts a frame that its function byte 00 gives up.
    QTest::newRow("garbage") << QByteArray(kRead) << QStringList{"0:f301009a7e"}
                             << QStringList{read, "F3 01 00 9A 7E: no frame"};
    QTest::newRow("loose bytes cut by a silence")
        << QByteArray(kRead) << QStringList{"0:ff00", "3:ff", "10:00"}
        << QStringList{read, "FF 00 FF: no frame", "00: no frame"};
    QTest::newRow("another slave's frame among noise")
        << QByteArray(kRead) << QStringList{"0:ff02830230f100"}
        << QStringList{read, "FF: no frame", "02 83 02 30 F1: from slave 2, ignored",
                       "00: no frame"};
    QTest::newRow("a frame begun and never finished")
        << QByteArray(kRead) << QStringList{"0:010312000200"}
        << QStringList{read, "01 03 12 00 02 00: no frame"};
    // Registers 2, 2, 262: the data's 01 06 starts a false frame of slave 1.
    const QByteArray slave2("020312000200020106006401f40014000100030000fe26");
    const QString slave2Row = "02 03 12 00 02 00 02 01 06 00 64 01 F4 00 14 00 01 00 03 00 00 "
                              "FE 26: from slave 2, ignored";
    QTest::newRow("another slave whose data starts a false frame")
        << QByteArray(kRead) << QStringList{"0:" + slave2} << QStringList{read, slave2Row};
    QTest::newRow("another slave's reply cut by a silence")
        << QByteArray(kRead) << QStringList{"0:" + slave2.left(12), "50:" + slave2.mid(12)}
        << QStringList{read, slave2Row};
    QTest::newRow("echo of a read, then the answer")
        << QByteArray(kRead) << QStringList{"0:" + QByteArray(kRead) + answer}
        << QStringList{read, "01 03 00 02 00 09 24 0C: echo of the request", kAnswerRow};
    QTest::newRow("echo of a write, then the acknowledgement")
        << QByteArray(kWrite) << QStringList{"0:" + QByteArray(kWrite), "30:011000020009a1cf"}
        << QStringList{"sent: write request, registers 3 to 11 of slave 1",
                       "01 10 00 02 00 09 12 00 02 00 01 00 00 00 64 01 F4 00 14 00 01 00 03 "
                       "00 00 58 24: echo of the request",
                       "01 10 00 02 00 09 A1 CF: write acknowledged"};
    QTest::newRow("exception to a read after a write")
        << QByteArray(kWrite) << QStringList{"0:018302c0f1"}
        << QStringList{"sent: write request, registers 3 to 11 of slave 1",
                       "01 83 02 C0 F1: does not answer the request"};
    QTest::newRow("a second answer in the same burst")
        << QByteArray(kRead) << QStringList{"0:" + answer + answer}
        << QStringList{read, kAnswerRow, QString(kAnswerRow) + ", not taken"};
    QTest::newRow("a refusal after the answer")
        << QByteArray(kRead) << QStringList{"0:" + answer + "018302c0f1"}
        << QStringList{read, kAnswerRow,
                       "01 83 02 C0 F1: exception 2 (illegal data address), not taken"};
    // 01 03 05 asks for ten bytes, and the receive's framer takes the answer's first seven.
    QTest::newRow("an answer hidden by a false frame")
        << QByteArray(kRead) << QStringList{"0:010305" + answer}
        << QStringList{read, "01 03 05: no frame", QString(kAnswerRow) + ", not taken"};
}

void TestTrafficRows::rowsOfAnExchange()
{
    QFETCH(QByteArray, request);
    QFETCH(QStringList, bursts);
    QFETCH(QStringList, rows);
    TrafficDecoder decoder(1);
    QStringList made;
    Take(made, decoder.Sent(kNoon, Bytes(request)));
    for (const QString& burst : bursts) {
        const double time = kNoon + burst.section(':', 0, 0).toInt() / 1000.0;
        Take(made, decoder.Quiet(time)); // the line was silent until the burst came
        for (std::uint8_t b : Bytes(burst.section(':', 1).toLatin1()))
            Take(made, decoder.Received(time, b));
        Take(made, decoder.Quiet(time)); // the wait looks at an empty port after each burst
    }
    Take(made, decoder.Finish());
    QCOMPARE(made, rows);
}

void TestTrafficRows::whatCameBack_data()
{
    QTest::addColumn<QStringList>("bursts"); // after a read request
    QTest::addColumn<QStringList>("lines");  // below the first line; none: nothing came back
    QTest::addColumn<int>("timeLimitMs");
    const QByteArray answer(kAnswer);
    const QString badCrc = "0:" + answer.chopped(4) + "78ec";
    const QString slave2 = "020312000200010000006401f40014000100030000b420";
    const QString crcAdvice = " with a wrong CRC: check the baud rate and the wiring.";

    QTest::newRow("nothing") << QStringList{} << QStringList{} << 20000;
    QTest::newRow("three wrong CRCs")
        << QStringList{badCrc, "100" + badCrc.mid(1), "200" + badCrc.mid(1)}
        << QStringList{"3 replies" + crcAdvice} << 20000;
    QTest::newRow("two slaves, each by itself")
        << QStringList{"0:" + slave2, "100:02830230f1", "200:0383026131"}
        << QStringList{"2 replies from slave 2: check the address, which must be 1.",
                       "1 reply from slave 3: check the address, which must be 1."}
        << 20000;
    QTest::newRow("noise counted in bytes, in the order it came")
        << QStringList{"0:ff00ff", "100:" + slave2, "200:00ff"}
        << QStringList{"5 bytes forming no frame (noise): check the wiring, the baud rate and the "
                       "parity.",
                       "1 reply from slave 2: check the address, which must be 1."}
        << 20000;
    QTest::newRow("a frame that answers something else")
        << QStringList{"0:010310000200010000006401f4001400010003abda"}
        << QStringList{"1 reply that does not answer the request: check that slave 1 is a Morvane "
                       "and no other master uses the line."}
        << 20000;
    QTest::newRow("any other frame by its meaning")
        << QStringList{"0:" + answer} << QStringList{"1 frame: answer, 9 registers."} << 20000;
    QTest::newRow("another time limit")
        << QStringList{badCrc} << QStringList{"1 reply" + crcAdvice} << 1500;
}

void TestTrafficRows::whatCameBack()
{
    QFETCH(QStringList, bursts);
    QFETCH(QStringList, lines);
    QFETCH(int, timeLimitMs);
    Connection connection;
    connection.timeLimitMs = timeLimitMs;
    const std::string text = WhatCameBackText(Decoded(kRead, bursts), connection);
    if (!lines.isEmpty())
        lines.prepend(QString("No valid answer from Morvane within %1 s, but bytes came back:")
                          .arg(timeLimitMs / 1000.0));
    QCOMPARE(QString::fromStdString(text), lines.join("\r\n"));
}

void TestTrafficRows::networkEventRows_data()
{
    using Kind = TcpEvent::Kind;
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("rejection");
    QTest::addColumn<bool>("byPeer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("row"); // "direction|bytes|meaning"
    const QString url = "tcp://127.0.0.1:1502";
    const int none = int(MbapRejection::None);
    QTest::newRow("connected") << int(Kind::Connected) << none << false << ""
                               << "||connected to " + url;
    QTest::newRow("closed by us") << int(Kind::Closed) << none << false << ""
                                  << "||disconnected from " + url;
    QTest::newRow("closed by the far end")
        << int(Kind::Closed) << none << true << "the far end closed the connection"
        << "||connection to " + url + " closed: the far end closed the connection";
    QTest::newRow("header sent") << int(Kind::MbapSent) << none << false << ""
                                 << "sent|01 02 00 00 00 06 F7|MBAP header, transaction 258, "
                                    "unit 247";
    QTest::newRow("header received")
        << int(Kind::MbapReceived) << none << false << ""
        << "received|01 02 00 00 00 06 F7|MBAP header, transaction 258, unit 247";
    const QString rejected = "received|01 02 00 00 00 06 F7|MBAP header, transaction 258, unit "
                             "247, rejected: ";
    QTest::newRow("wrong transaction")
        << int(Kind::MbapRejected) << int(MbapRejection::WrongTransaction) << false << ""
        << rejected + "wrong transaction";
    QTest::newRow("wrong unit") << int(Kind::MbapRejected) << int(MbapRejection::WrongUnit) << false
                                << "" << rejected + "wrong unit";
    QTest::newRow("length") << int(Kind::MbapRejected) << int(MbapRejection::LengthMismatch)
                            << false << "" << rejected + "its length does not match the reply";
}

// Each event is a row of its own, in the columns of the frames.
void TestTrafficRows::networkEventRows()
{
    QFETCH(int, kind);
    QFETCH(int, rejection);
    QFETCH(bool, byPeer);
    QFETCH(QString, text);
    QFETCH(QString, row);
    morvane::testing::FakeSerialPort port;
    QStringList rows;
    TrafficRecorder recorder(
        port, 1, [] { return kNoon; },
        [&rows](TrafficRow r) {
            rows << QString::fromStdString(r.direction + "|" + r.bytes + "|" + r.meaning);
        });
    recorder.Tcp({TcpEvent::Kind(kind), "tcp://127.0.0.1:1502", MbapHeader{258, 0, 6, 247},
                  MbapRejection(rejection), byPeer, text.toStdString()});
    QCOMPARE(rows, QStringList{row});
}

void TestTrafficRows::frameRowsShowWhatTravels_data()
{
    QTest::addColumn<QString>("url"); // empty: a serial port
    QTest::addColumn<QString>("bytes");
    QTest::newRow("serial port") << ""
                                 << "01 03 00 02 00 09 24 0C";
    QTest::newRow("device server: the CRC travels") << "rtu+tcp://127.0.0.1:4001"
                                                    << "01 03 00 02 00 09 24 0C";
    QTest::newRow("Modbus TCP: the header instead of the CRC") << "tcp://127.0.0.1:1502"
                                                               << "01 03 00 02 00 09";
}

// A request's row shows the bytes that went out; after the connection closes, a serial port's
// frames are whole again.
void TestTrafficRows::frameRowsShowWhatTravels()
{
    QFETCH(QString, url);
    QFETCH(QString, bytes);
    morvane::testing::FakeSerialPort port;
    QStringList sent;
    TrafficRecorder recorder(
        port, 1, [] { return kNoon; },
        [&sent](TrafficRow r) {
            if (r.direction == "sent")
                sent << QString::fromStdString(r.bytes);
        });
    const std::vector<std::uint8_t> request{0x01, 0x03, 0x00, 0x02, 0x00, 0x09, 0x24, 0x0C};
    const auto send = [&] {
        for (const std::uint8_t byte : request)
            recorder.Output(byte);
        recorder.Flush();
        recorder.Settle();
    };
    recorder.SetPortOpen(true);
    if (!url.isEmpty())
        recorder.Tcp({TcpEvent::Kind::Connected, url.toStdString()});
    send();
    recorder.Tcp({TcpEvent::Kind::Closed, url.toStdString()});
    send();
    QCOMPARE(sent, (QStringList{bytes, "01 03 00 02 00 09 24 0C"}));
}

void TestTrafficRows::timeOfDay_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("midnight") << 0.0 << "00:00:00.000";
    QTest::newRow("milliseconds cut, not rounded") << 45296.7899 << "12:34:56.789";
    QTest::newRow("last millisecond of the day") << 86399.9999 << "23:59:59.999";
}

void TestTrafficRows::timeOfDay()
{
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(TimeOfDayText(seconds)), text);
}

QTEST_APPLESS_MAIN(TestTrafficRows)
#include "tst_trafficrows.moc"
