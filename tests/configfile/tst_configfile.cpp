#include "configfile/configfile.h"

#include <QtTest>

#include <sys/stat.h>

using namespace morvane;

namespace
{

const Configuration kSample{5, {2, 1, 0, 100, 500, 20, 1, 3, 0}};

const char* const kRegisters =
    R"({ "3": 2, "4": 1, "5": 0, "6": 100, "7": 500, "8": 20, "9": 1, "10": 3, "11": 0 })";
const QByteArray kSampleText = R"({
  "format": "morvane-config",
  "version": 1,
  "digits": 5,
  "registers": { "3": 2, "4": 1, "5": 0, "6": 100, "7": 500, "8": 20, "9": 1, "10": 3, "11": 0 },
  "fields": {
    "Dec Place": "2",
    "Mode": "1",
    "0V Value": "0",
    "5V Value": "100",
    "Disp Delay": "500",
    "Debounce": "20",
    "Address": "1",
    "Baud": "3",
    "Parity": "0"
  },
  "mode": "0-5V",
  "saved": "2026-12-09T10:15:00Z"
}
)";

QByteArray Sample(const char* from, const QByteArray& to)
{
    QByteArray text = kSampleText;
    Q_ASSERT(text.contains(from));
    return text.replace(from, to);
}

QString Problem(const ConfigFileResult& result)
{
    return QString::fromStdString(result.problem);
}

// What QFile itself says when it cannot open `path`.
QString OpenError(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString() : file.errorString();
}

QByteArray Padded(qsizetype size)
{
    return Sample("\n}\n", "\n}" + QByteArray(size - kSampleText.size(), ' ') + "\n");
}

} // namespace

class TestConfigFile : public QObject
{
    Q_OBJECT
  private slots:
    void writesTheLayout();
    void roundTrip();
    void accepts_data();
    void accepts();
    void refuses_data();
    void refuses();
    void readsFromDisk();
};

void TestConfigFile::writesTheLayout()
{
    ConfigNotes notes;
    notes.fields = {{"Dec Place: ", "2"}, {"Mode", "1"},         {"0V Value", "0"},
                    {"5V Value", "100"},  {"Disp Delay", "500"}, {"Debounce", "20"},
                    {"Address", "1"},     {"Baud", "3"},         {"Parity", "0"}};
    notes.mode = "0-5V   ";
    // Local time an hour ahead, with milliseconds: written in UTC, to the second.
    notes.saved = QDateTime(QDate(2026, 12, 9), QTime(11, 15, 0, 987), Qt::OffsetFromUTC, 3600);
    QCOMPARE(ConfigFileText(kSample, notes), kSampleText);
}

void TestConfigFile::roundTrip()
{
    const Configuration config{10, {0, 65535, 40000, 32768, 1, 65534, 32767, 9, 7}};
    ConfigNotes notes;
    notes.fields = {{"Quote \" and \\ backslash", "tab\tline\ncr\rbell\x07 unit\x1f del\x7f"},
                    {"Température ✓ 𝄞", "\u00b5s"},
                    {"", "\\u0041 is not an escape"}};
    notes.mode = "Ünïcode\x01";
    const QByteArray text = ConfigFileText(config, notes);

    const ConfigFileResult result = ParseConfigFile(text);
    QCOMPARE(Problem(result), QString());
    QVERIFY(result.config == config);

    QVERIFY(text.contains("Température ✓ 𝄞")); // kept as UTF-8, not escaped
    // An independent reader sees the notes exactly as given.
    QJsonParseError error;
    const QJsonObject top = QJsonDocument::fromJson(text, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    for (const auto& [caption, value] : notes.fields)
        QCOMPARE(top["fields"][QString::fromStdString(caption)].toString().toStdString(), value);
    QCOMPARE(top["mode"].toString().toStdString(), notes.mode);
    QVERIFY(top["saved"].isNull());
}

void TestConfigFile::accepts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("fields on one line") << Sample("\n    ", " ").replace("\n  },", " },");
    QTest::newRow("notes of any kind")
        << Sample("\"0-5V\"", "[1, {\"x\": null}]").replace("\"2026-12-09T10:15:00Z\"", "0.5e3");
    QTest::newRow("notes left out")
        << kSampleText.left(kSampleText.indexOf(",\n  \"fields\"")) + "}";
    QTest::newRow("a repeated caption") << Sample("\"Baud\"", "\"Mode\"");
    QTest::newRow("unknown key") << Sample("{\n", "{\n  \"colour\": \"blue\",\n");
    QTest::newRow("byte order mark, CRLF") << "\xEF\xBB\xBF" + Sample("\n", "\r\n");
    QTest::newRow("registers in any order") << Sample("\"3\": 2, \"4\": 1", "\"4\": 1, \"3\": 2");
    QTest::newRow("exactly 64 KiB") << Padded(kConfigFileMaxBytes);
}

void TestConfigFile::accepts()
{
    QFETCH(QByteArray, text);
    const ConfigFileResult result = ParseConfigFile(text);
    QCOMPARE(Problem(result), QString());
    QVERIFY(result.config == kSample);
}

void TestConfigFile::refuses_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("problem");
    QTest::newRow("empty") << QByteArray() << "The file is empty.";
    QTest::newRow("larger than 64 KiB")
        << Padded(kConfigFileMaxBytes + 1) << "larger than 64 KiB (65536 bytes)";
    QTest::newRow("not JSON") << Sample("5,\n", "5\n")
                              << "not valid JSON: at line 5, column 3, expected ',' or '}', "
                                 "found '\"'.";
    QTest::newRow("too deep") << Sample("\"0-5V\"", QByteArray(65, '[') + QByteArray(65, ']'))
                              << "line 17, column 74, expected at most 64 levels of nesting";
    QTest::newRow("unpaired surrogate") << Sample("0-5V", "\\uD83D\\u0041")
                                        << "column 12, expected \\uD800 to \\uDBFF followed by "
                                           "\\uDC00 to \\uDFFF, found \\uD83D alone";
    QTest::newRow("not UTF-8") << Sample("0-5V", "0-5\xB0V")
                               << "not UTF-8 text: the byte 0xB0 at line 17, column 15";
    QTest::newRow("a list") << QByteArray("[]") << "holds a list [...] where";
    QTest::newRow("no format") << Sample("\"format\"", "\"formats\"") << "no key \"format\"";
    QTest::newRow("other format") << Sample("\"morvane-config\"", "\"morvane\"")
                                  << "not a Morvane configuration file: \"format\" is the text "
                                     "\"morvane\", not \"morvane-config\".";
    QTest::newRow("no version") << Sample("\"version\"", "\"v\"") << "\"version\" is missing";
    QTest::newRow("version 2") << Sample("\"version\": 1", "\"version\": 2")
                               << "written by a newer version of Morvane Config (file version 2); "
                                  "this version of Morvane Config reads files of version 1.";
    QTest::newRow("version 0") << Sample("\"version\": 1", "\"version\": 0")
                               << "is 0, but file versions start at 1";
    QTest::newRow("version 1.0") << Sample("\"version\": 1", "\"version\": 1.0")
                                 << "\"version\" must be a whole number; found 1.0";
    QTest::newRow("repeated key") << Sample("\"digits\": 5,", "\"digits\": 5, \"digits\": 6,")
                                  << "The key \"digits\" appears more than once";
    QTest::newRow("no digits") << Sample("\"digits\"", "\"digit\"") << "\"digits\" is missing";
    QTest::newRow("digits 0") << Sample("\"digits\": 5", "\"digits\": 0")
                              << "The key \"digits\" must be a whole number from 1 to 10; found 0.";
    QTest::newRow("digits 11") << Sample("\"digits\": 5", "\"digits\": 11") << "to 10; found 11.";
    QTest::newRow("no registers") << Sample("\"registers\"", "\"register\"")
                                  << "\"registers\" is missing; it must hold registers \"3\" to "
                                     "\"11\".";
    QTest::newRow("registers a list") << Sample(kRegisters, "[2, 1, 0, 100, 500, 20, 1, 3, 0]")
                                      << "must be an object { \"3\": ..., \"11\": ... }; found a "
                                         "list";
    QTest::newRow("register 65536") << Sample("\"6\": 100", "\"6\": 65536")
                                    << "Register \"6\" must be a whole number from 0 to 65535; "
                                       "found 65536.";
    QTest::newRow("register -1") << Sample("\"3\": 2", "\"3\": -1")
                                 << "\"3\" must be a "
                                    "whole number from 0 to "
                                    "65535; found -1.";
    QTest::newRow("register 2.5") << Sample("\"3\": 2", "\"3\": 2.5") << "; found 2.5 (whole";
    QTest::newRow("register 1e2") << Sample("\"6\": 100", "\"6\": 1e2")
                                  << "found 1e2 (whole numbers are written without a decimal "
                                     "point or exponent).";
    QTest::newRow("register \"2\"") << Sample("\"3\": 2", "\"3\": \"2\"")
                                    << "Register \"3\" must be a whole number from 0 to 65535; "
                                       "found the text \"2\".";
    QTest::newRow("missing 7") << Sample("\"7\": 500, ", "")
                               << "Register \"7\" is missing from \"registers\"";
    QTest::newRow("extra 12") << Sample(": 0 }", ": 0, \"12\": 0 }")
                              << "unknown register \"12\"; it may hold only registers \"3\" to "
                                 "\"11\", written without leading zeros.";
    QTest::newRow("03") << Sample("\"3\"", "\"03\"") << "unknown register \"03\";";
    QTest::newRow("repeated 3") << Sample(": 0 }", ": 0, \"3\": 2 }")
                                << "Register \"3\" appears more than once in \"registers\"";
}

void TestConfigFile::refuses()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, problem);
    const ConfigFileResult result = ParseConfigFile(text);
    QVERIFY(!result.config);
    QVERIFY2(Problem(result).contains(problem), result.problem.c_str());
}

void TestConfigFile::readsFromDisk()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("absent.morvane");
    QCOMPARE(Problem(ReadConfigFile(missing)),
             "The file cannot be read: " + OpenError(missing) + ".");
    QCOMPARE(Problem(ReadConfigFile(dir.path())),
             "This is a folder, not a file (" + OpenError(dir.path()) + ").");

    // Opening a pipe for reading would wait for a writer forever.
    const QString pipe = dir.filePath("pipe.morvane");
    QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QCOMPARE(Problem(ReadConfigFile(pipe)), "This is a device, pipe or socket, not a file.");

    QFile file(dir.filePath("sample.morvane"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Padded(kConfigFileMaxBytes + 1));
    file.close();
    QVERIFY(Problem(ReadConfigFile(file.fileName())).contains("64 KiB"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(kSampleText);
    file.close();
    QVERIFY(ReadConfigFile(file.fileName()).config == kSample);
}

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
