// What the command line leaves for whoever checks its runs: the production log's rows as RFC
// 4180 has them, the file they go to, which several stations append to at once without a half
// row or a second header, and the JSON document of the units a scan finds.

#include "cli/productionlog.h"
#include "cli/results.h"
#include "files/recordlog.h"

#include "support/fulldisk.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <sys/stat.h>
#include <thread>

using namespace morvane;
using namespace morvane::cli;
using namespace morvane::testing;

namespace
{

constexpr int kRowsEach = 200;

// A row long enough that a write torn in two would show, with fields that must be quoted.
QByteArray AppenderRow(const QString& station, int n)
{
    LogRow row;
    row.time = QDateTime(QDate(2026, 12, 9), QTime(10, 15), QTimeZone(3600));
    row.port = "/dev/serial/by-id/usb-FTDI_\"station\",  " + station.toStdString();
    row.endpoint = "/dev/ttyUSB0";
    row.slave = 1;
    row.file = "line-b.morvane";
    row.sha256 = std::string(64, 'a');
    row.verdict = "differs";
    row.exitStatus = n;
    for (int reg = 3; reg <= 11; ++reg)
        row.differences.push_back({reg, 65535, std::uint16_t(n)});
    return LogRowText(row);
}

// The child's part: waits for the moment given, so that both open a new log together.
int AppendRows(const QString& path, const QString& station, qint64 startAtMs)
{
    while (QDateTime::currentMSecsSinceEpoch() < startAtMs)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    RecordLog log;
    if (log.Open(path, LogHeaderText()))
        return 1;
    for (int n = 0; n < kRowsEach; ++n)
        if (log.Append(AppenderRow(station, n)))
            return 2;
    return 0;
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(absent)");
}

} // namespace

class TestResults : public QObject
{
    Q_OBJECT
  private slots:
    void csvField_data();
    void csvField();
    void rowHoldsEveryColumn();
    void headerOnlyInANewFile();
    void logThatCannotBeOpened_data();
    void logThatCannotBeOpened();
    void rowTheDiskCannotTakeIsTakenBack();
    void concurrentStationsLeaveWholeRows();
    void unitsFoundDocument();
};

void TestResults::csvField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << "written"
                           << "written";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("comma") << "a,b"
                           << "\"a,b\"";
    QTest::newRow("quotes doubled") << "say \"hi\""
                                    << "\"say \"\"hi\"\"\"";
    QTest::newRow("line break") << "a\r\nb"
                                << "\"a\r\nb\"";
    QTest::newRow("bare line feed") << "a\nb"
                                    << "\"a\nb\"";
    QTest::newRow("leading blank kept") << " a"
                                        << "\" a\"";
    QTest::newRow("trailing blank kept") << "a "
                                         << "\"a \"";
}

void TestResults::csvField()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(QString::fromStdString(CsvField(text.toStdString())), field);
}

void TestResults::rowHoldsEveryColumn()
{
    LogRow row;
    row.time = QDateTime(QDate(2026, 12, 9), QTime(10, 15, 0, 250), QTimeZone(-5 * 3600));
    row.port = "1";
    row.endpoint = "/tmp/ttyB";
    row.adapterSerial = "FT4X,1";
    row.slave = 1;
    row.file = "line b.morvane";
    row.sha256 = "ab01";
    row.verdict = "differs";
    row.exitStatus = 7;
    row.differences = {{7, 500, 999}, {10, 3, 65535}};
    QCOMPARE(LogRowText(row), QByteArray("2026-12-09T10:15:00.250-05:00,1,/tmp/ttyB,\"FT4X,1\",1,"
                                         "line b.morvane,ab01,differs,7,7: 500 -> 999; 10: 3 -> "
                                         "65535\r\n"));
    QCOMPARE(LogHeaderText(), QByteArray("time,port,endpoint,adapter serial number,slave,file,"
                                         "sha256,verdict,exit status,differing registers\r\n"));
}

void TestResults::headerOnlyInANewFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("log.csv");
    for (int run = 0; run < 2; ++run) {
        RecordLog log;
        QCOMPARE(log.Open(path, "h\r\n"), std::nullopt);
        QCOMPARE(log.Append("r\r\n"), std::nullopt);
    }
    QCOMPARE(Contents(path), QByteArray("h\r\nr\r\nr\r\n"));
    // A file left empty (made by hand, or by a station that stopped at once) gets it too.
    const QString empty = dir.filePath("empty.csv");
    QFile(empty).open(QIODevice::WriteOnly);
    RecordLog log;
    QCOMPARE(log.Open(empty, "h\r\n"), std::nullopt);
    QCOMPARE(Contents(empty), QByteArray("h\r\n"));
}

void TestResults::logThatCannotBeOpened_data()
{
    QTest::addColumn<QString>("name"); // in a fresh folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing folder") << "missing/log.csv"
                                    << "No such file or directory";
    QTest::newRow("folder") << "folder"
                            << "Is a directory";
    QTest::newRow("named pipe") << "pipe"
                                << "This is a device, pipe, socket or folder, not a file";
}

void TestResults::logThatCannotBeOpened()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0644), 0);
    RecordLog log;
    QCOMPARE(log.Open(dir.filePath(name), "h\r\n"),
             std::optional<std::string>(reason.toStdString()));
    QVERIFY(!log.IsOpen());
    QVERIFY(!QFile::exists(dir.filePath("missing")));
}

// A row larger than what is left of the disk is written in part: the part is taken back.
void TestResults::rowTheDiskCannotTakeIsTakenBack()
{
    QTemporaryDir dir;
    FullDisk disk(dir.filePath("disk"));
    if (!disk.Mounted())
        QSKIP(qPrintable("a full disk needs root to mount a small tmpfs: " + disk.Problem()));
    const QString path = disk.FilePath("log.csv");
    RecordLog log;
    QCOMPARE(log.Open(path, "h\r\n"), std::nullopt);
    QVERIFY(disk.Fill());
    const std::optional<std::string> failure = log.Append(QByteArray(20000, 'x') + "\r\n");
    QCOMPARE(failure, std::optional<std::string>("No space left on device"));
    QCOMPARE(Contents(path), QByteArray("h\r\n"));
}

// Two stations open one new log at the same moment and append 200 rows each.
void TestResults::concurrentStationsLeaveWholeRows()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("production.csv");
    const QString startAt = QString::number(QDateTime::currentMSecsSinceEpoch() + 500);
    QProcess first, second;
    for (auto [station, name] : {std::pair{&first, "A"}, std::pair{&second, "B"}})
        station->start(QCoreApplication::applicationFilePath(),
                       {"--append", path, QString(name), startAt});
    QVERIFY(first.waitForFinished(30000) && second.waitForFinished(30000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);

    QList<QByteArray> rows = Contents(path).split('\n');
    QCOMPARE(rows.takeLast(), QByteArray()); // the file ends with a whole row
    QCOMPARE(rows.size(), 1 + 2 * kRowsEach);
    QCOMPARE(rows.takeFirst() + '\n', LogHeaderText());
    QMap<QByteArray, int> expected;
    for (const char* station : {"A", "B"})
        for (int n = 0; n < kRowsEach; ++n)
            ++expected[AppenderRow(station, n)];
    for (const QByteArray& row : rows)
        QVERIFY2(--expected[row + '\n'] >= 0, row.constData());
}

void TestResults::unitsFoundDocument()
{
    const QJsonObject none =
        QJsonDocument::fromJson(UnitsFoundJson("1", "/dev/ttyS0", {})).object();
    QCOMPARE(none,
             (QJsonObject{{"port", "1"}, {"endpoint", "/dev/ttyS0"}, {"units", QJsonArray{}}}));

    FoundUnit counter{Connection{}, Registers{2, 4, 0, 100, 500, 20, 17, 4, 0}, 0};
    counter.connection.slave = 17;
    counter.connection.baud = 19200;
    counter.connection.parity = Parity::Even;
    FoundUnit refusing{Connection{}, std::nullopt, 2};
    refusing.connection.slave = 9;
    FoundUnit noMode{Connection{}, Registers{2, 99, 0, 0, 0, 0, 0, 0, 0}, 0};
    const QJsonArray units =
        QJsonDocument::fromJson(UnitsFoundJson("tcp://127.0.0.1:1502", "tcp://127.0.0.1:1502",
                                               {counter, refusing, noMode}))
            .object()["units"]
            .toArray();
    QCOMPARE(units.size(), 3);
    QCOMPARE(units[0].toObject(),
             (QJsonObject{{"slave", 17},
                          {"baud", 19200},
                          {"parity", "even"},
                          {"stopBits", 1},
                          {"registers", QJsonArray{2, 4, 0, 100, 500, 20, 17, 4, 0}},
                          {"mode", "Up/Down Counter"}}));
    QCOMPARE(
        units[1].toObject(),
        (QJsonObject{
            {"slave", 9}, {"baud", 9600}, {"parity", "none"}, {"stopBits", 1}, {"exception", 2}}));
    QVERIFY(!units[2].toObject().contains("mode"));
}

// With --append PATH STATION START_MS it is a station appending rows, not the test.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 5 && arguments[1] == "--append")
        return AppendRows(arguments[2], arguments[3], arguments[4].toLongLong());
    TestResults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_results.moc"
