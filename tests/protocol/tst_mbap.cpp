// Modbus TCP framing: requests made from the link's RTU frames, replies cut out of a stream
// and checked against the request.

#include "protocol/mbap.h"
#include "replyfixture.h"

#include <QtTest>

using namespace morvane;
using namespace morvane::testing;

namespace
{

constexpr std::uint16_t kTransaction = 7;
constexpr std::uint8_t kUnit = 1;

// Each step other than Pending, in order: "reply <RTU frame in hex>", "rejected <why>" or
// "unframeable". An unframeable stream stays so; it is said once.
QStringList StepsOf(const QByteArray& stream)
{
    MbapReplyReader reader;
    reader.Expect(kTransaction, kUnit);
    QStringList steps;
    for (const char c : stream) {
        switch (reader.Feed(static_cast<std::uint8_t>(c))) {
        case MbapStep::Pending:
            break;
        case MbapStep::Reply:
            steps << "reply " + ToHex(reader.RtuFrame());
            break;
        case MbapStep::Rejected:
            steps << "rejected " + QString::fromUtf8(MbapRejectionName(reader.Rejection()));
            break;
        case MbapStep::Unframeable:
            return steps << "unframeable";
        }
    }
    return steps;
}

} // namespace

class TestMbap : public QObject
{
    Q_OBJECT
  private slots:
    void requests_data();
    void requests();
    void replies_data();
    void replies();
};

void TestMbap::requests_data()
{
    QTest::addColumn<QByteArray>("rtu");
    QTest::addColumn<int>("transaction");
    QTest::addColumn<QByteArray>("expected"); // empty: nothing is sent
    QTest::newRow("read") << QByteArray("010300020009240c") << 7
                          << QByteArray("000700000006010300020009");
    QTest::newRow("last transaction")
        << QByteArray("010300020009240c") << 65535 << QByteArray("ffff00000006010300020009");
    QTest::newRow("bad crc") << QByteArray("010300020009240d") << 7 << QByteArray();
    QTest::newRow("too short for a frame") << QByteArray("01c1e0") << 7 << QByteArray();
}

void TestMbap::requests()
{
    QFETCH(QByteArray, rtu);
    QFETCH(int, transaction);
    QFETCH(QByteArray, expected);
    const auto request =
        MbapRequestOfRtuFrame(Bytes(QByteArray::fromHex(rtu)), std::uint16_t(transaction));
    QCOMPARE(request ? ToHex(*request) : QByteArray(), expected);
}

void TestMbap::replies_data()
{
    QTest::addColumn<QByteArray>("stream"); // hex; blanks between fields are skipped
    QTest::addColumn<QStringList>("steps");
    const QByteArray data = "0002 0001 0000 0064 01f4 0014 0001 0003 0000";
    const QByteArray read = "0007 0000 0015 01 03 12 " + data;
    const QString readReply = "reply " + QString(kReadReply);
    QTest::newRow("read answered") << read << QStringList{readReply};
    QTest::newRow("write acknowledged") << QByteArray("0007 0000 0006 01 10 0002 0009")
                                        << QStringList{"reply " + QString(kWriteReply)};
    QTest::newRow("refused") << QByteArray("0007 0000 0003 01 83 02")
                             << QStringList{"reply 018302c0f1"};
    QTest::newRow("wrong transaction")
        << "0008 0000 0015 01 03 12 " + data << QStringList{"rejected wrong transaction"};
    QTest::newRow("wrong unit") << "0007 0000 0015 02 03 12 " + data
                                << QStringList{"rejected wrong unit"};
    QTest::newRow("wrong protocol")
        << "0007 0001 0015 01 03 12 " + data << QStringList{"rejected wrong protocol"};
    QTest::newRow("length one short of the byte count")
        << "0007 0000 0014 01 03 12 " + data.chopped(2) << QStringList{"rejected length"};
    QTest::newRow("unit and function alone")
        << QByteArray("0007 0000 0002 01 83") << QStringList{"rejected length"};
    QTest::newRow("longest frame") << "0007 0000 00fe 01 03 fb " + QByteArray(502, 'a')
                                   << QStringList{"reply 0103fb" + QString(502, 'a') + "7209"};
    QTest::newRow("length 255") << QByteArray("0007 0000 00ff 01 03") << QStringList{"unframeable"};
    QTest::newRow("length 261") << QByteArray("0007 0000 0105 01 03") << QStringList{"unframeable"};
    QTest::newRow("length 1") << "0007 0000 0001 01 " + read << QStringList{"unframeable"};
    QTest::newRow("two replies in one read")
        << "0006 0000 0015 01 03 12 " + data + read
        << QStringList{"rejected wrong transaction", readReply};
    QTest::newRow("reply, then an impossible length")
        << read + "ff00 ff00 ff00 ff00 " + read << QStringList{readReply, "unframeable"};
}

void TestMbap::replies()
{
    QFETCH(QByteArray, stream);
    QFETCH(QStringList, steps);
    QCOMPARE(StepsOf(QByteArray::fromHex(stream)), steps);
}

QTEST_APPLESS_MAIN(TestMbap)
#include "tst_mbap.moc"
