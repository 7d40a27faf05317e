// Configuration files through the window: a bad file is refused by name and the window keeps
// everything it showed; a save that cannot be made, by Save, by the line traffic window's
// Save As or by Export PDF, leaves the earlier file or node as it was and no half file; the
// recent files remember what was opened and saved; an opened file holds and sends what
// ConfigurationAsShown says it means; the printed and the exported page record what the window
// holds.

#include "controller/shownconfig.h"
#include "report/pagedrawing.h"
#include "window/configcommands.h"
#include "window/connectionmenu.h"
#include "window/filemenu.h"
#include "window/frmmain.h"
#include "window/printmenu.h"
#include "window/trafficwindow.h"

#include "support/fulldisk.h"
#include "support/pdftext.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <random>
#include <sys/stat.h>

using namespace morvane;
using namespace morvane::testing;

Q_DECLARE_METATYPE(morvane::Registers)

namespace
{

struct Shown {
    QString title;
    QString text;
};

// Everything a bad file must leave as it was.
QStringList WindowState(const FrmMain& w)
{
    QStringList state{w.Text2()->text(), w.Files().CurrentFile()};
    for (int i = 0; i <= 10; ++i)
        state << w.Text1(i)->text() << w.Label5(i)->text();
    for (int t = 0; t < 3; ++t)
        state << QString::number(w.Option1(t)->isChecked());
    for (int m = 1; m <= 11; ++m)
        state << QString::number(w.Option2(m)->isChecked());
    return state;
}

QByteArray ValidFile(const QByteArray& registers, const QByteArray& digits = "5")
{
    return "{\"format\": \"morvane-config\", \"version\": 1, \"digits\": " + digits +
           ", \"registers\": {" + registers + "}}";
}

const QByteArray kNine = "\"3\": 2, \"4\": 9, \"5\": 40000, \"6\": 100, \"7\": 500, \"8\": 20, "
                         "\"9\": 1, \"10\": 3, \"11\": 0";

QByteArray FileOf(int digits, const Registers& registers)
{
    QByteArray nine;
    for (int k = 0; k < 9; ++k)
        nine += (k ? ", \"" : "\"") + QByteArray::number(3 + k) +
                "\": " + QByteArray::number(registers[std::size_t(k)]);
    return ValidFile(nine, QByteArray::number(digits));
}

QStringList Texts(const std::array<std::string, field::kCount>& texts)
{
    QStringList list;
    for (const std::string& text : texts)
        list << QString::fromStdString(text);
    return list;
}

QStringList WindowTexts(const FrmMain& w)
{
    QStringList list;
    for (int i = 0; i < field::kCount; ++i)
        list << w.Text1(i)->text();
    return list;
}

QString Joined(const Registers& registers)
{
    QStringList values;
    for (std::uint16_t value : registers)
        values << QString::number(value);
    return values.join(',');
}

// What "Write To Controller" would send from the window now.
QString WouldSend(FrmMain& w)
{
    const auto values = w.Commands().FieldRegisterValues("");
    return Joined(values.value_or(Registers{}));
}

// Register values near the places where the window corrects or reads differently.
class RandomFiles
{
  public:
    explicit RandomFiles(unsigned seed) : m_rng(seed) {}
    int Digits() { return int(1 + m_rng() % 10); }
    Registers Values()
    {
        Registers registers{};
        for (std::uint16_t& value : registers)
            value = Value();
        return registers;
    }

  private:
    std::uint16_t Value()
    {
        const auto near = [this](int base) { return std::uint16_t(base + int(m_rng() % 13)); };
        switch (m_rng() % 4) {
        case 0:
            return near(0); // the modes, Dec Place, small values
        case 1:
            return near(65523); // -13 to -1
        case 2:
            return near(32762); // the turn of the signed reading
        default:
            return std::uint16_t(m_rng());
        }
    }
    std::mt19937 m_rng;
};

} // namespace

class TestFileMenu : public QObject
{
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void badFileIsRefusedByName_data();
    void badFileIsRefusedByName();
    void saveThatCannotBeMadeLeavesNoFile_data();
    void saveThatCannotBeMadeLeavesNoFile();
    void recentFilesKeepTheLatestEight();
    void openedFileMeansWhatTheRuleSays_data();
    void openedFileMeansWhatTheRuleSays();
    void filesOpenedInTurnSendWhatTheRuleSays();
    void pageRecordsWhatTheWindowHolds();

  private:
    QString Write(const QString& name, const QByteArray& content);

    std::unique_ptr<FrmMain> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
    QList<Shown> m_shown;
};

void TestFileMenu::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_window = std::make_unique<FrmMain>();
    m_shown.clear();
    m_window->Commands().host().SetMessagePresenter(
        [this](const std::string& title, const std::string& text) {
            m_shown.push_back({QString::fromStdString(title), QString::fromStdString(text)});
        });
}

void TestFileMenu::cleanup()
{
    m_window.reset();
}

QString TestFileMenu::Write(const QString& name, const QByteArray& content)
{
    QFile file(m_dir->filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return {};
    return file.fileName();
}

void TestFileMenu::badFileIsRefusedByName_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<QString>("problem");
    QTest::newRow("missing") << QByteArray() << "cannot be read";
    QTest::newRow("larger than 64 KiB") << QByteArray(64 * 1024 + 1, ' ') << "64 KiB";
    QTest::newRow("not JSON") << QByteArray("registers: 3") << "not valid JSON";
    QTest::newRow("another format")
        << QByteArray(ValidFile(kNine).replace("morvane-config", "other")) << "format";
    QTest::newRow("newer version")
        << QByteArray(ValidFile(kNine).replace("\"version\": 1", "\"version\": 2"))
        << "newer version";
    QTest::newRow("missing register")
        << ValidFile(QByteArray(kNine).replace("\"7\": 500, ", "")) << "\"7\"";
    QTest::newRow("extra register") << ValidFile(kNine + ", \"12\": 0") << "\"12\"";
    QTest::newRow("repeated register") << ValidFile(kNine + ", \"3\": 2") << "\"3\"";
    QTest::newRow("value beyond 16 bits")
        << ValidFile(QByteArray(kNine).replace("40000", "65536")) << "65536";
    QTest::newRow("digits 11") << ValidFile(kNine, "11") << "digits";
}

void TestFileMenu::badFileIsRefusedByName()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, problem);
    // A window that has been worked on, so that any change would show.
    QVERIFY(m_window->Files().OpenFile(Write("good.morvane", ValidFile(kNine, "7"))));
    m_window->Text1(5)->setText("250");
    const QStringList before = WindowState(*m_window);
    const QString path =
        content.isEmpty() ? m_dir->filePath("absent.morvane") : Write("bad.morvane", content);

    QVERIFY(!m_window->Files().OpenFile(path));

    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].title, QString("Error"));
    const QStringList lines = m_shown[0].text.split("\r\n");
    QCOMPARE(lines[0], "Unable to open the configuration file " + QDir::toNativeSeparators(path));
    QVERIFY2(lines.value(1).contains(problem, Qt::CaseInsensitive), qPrintable(m_shown[0].text));
    QCOMPARE(WindowState(*m_window), before);
}

void TestFileMenu::saveThatCannotBeMadeLeavesNoFile_data()
{
    QTest::addColumn<QString>("through"); // "Save", "line traffic" for its Save As, "PDF"
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>(
        "target"); // "earlier file", "missing folder", "named pipe", "full disk"
    QTest::addColumn<QString>("problem"); // PATH: the file's path
    const QString unchanged = "\r\nAny file that was there before is unchanged.";
    QTest::newRow("a value the write refuses")
        << "Save" << 5 << "70000"
        << "earlier file"
        << "Param5 (Disp Delay): \"70000\" would be sent as 70000";
    QTest::newRow("below -32768") << "Save" << 3 << "-40000"
                                  << "earlier file"
                                  << "is below -32768";
    QTest::newRow("not a number") << "Save" << 5 << "5OO"
                                  << "earlier file"
                                  << "Param5 (Disp Delay): \"5OO\" is not a number.";
    QTest::newRow("Digits not a number") << "Save" << 0 << "5x"
                                         << "earlier file"
                                         << "Digits: \"5x\" is not a whole number from 1 to 10.";
    QTest::newRow("fractional Digits") << "Save" << 0 << "5.5"
                                       << "earlier file"
                                       << "Digits: \"5.5\" is not a whole number from 1 to 10.";
    QTest::newRow("folder missing") << "Save" << 5 << "500"
                                    << "missing folder"
                                    << "Unable to save the configuration to PATH\r\n";
    QTest::newRow("named pipe") << "Save" << 5 << "500"
                                << "named pipe"
                                << "Unable to save the configuration to PATH\r\nThis is a named "
                                   "pipe (FIFO), not a regular file." +
                                       unchanged;
    QTest::newRow("full disk") << "Save" << 5 << "500"
                               << "full disk"
                               << "Unable to save the configuration to PATH\r\nNo space left on "
                                  "device." +
                                      unchanged;
    QTest::newRow("line traffic onto a named pipe")
        << "line traffic" << 5 << "500"
        << "named pipe"
        << "Unable to save the line traffic to PATH\r\nThis is a named pipe (FIFO), not a "
           "regular file." +
               unchanged;
    QTest::newRow("PDF onto a named pipe")
        << "PDF" << 5 << "70000"
        << "named pipe"
        << "Unable to save the PDF to PATH\r\nThis is a named pipe (FIFO), not a regular file." +
               unchanged;
    QTest::newRow("PDF onto a full disk")
        << "PDF" << 5 << "500"
        << "full disk"
        << "Unable to save the PDF to PATH\r\nNo space left on device." + unchanged;
}

void TestFileMenu::saveThatCannotBeMadeLeavesNoFile()
{
    QFETCH(QString, through);
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, target);
    QFETCH(QString, problem);
    const QByteArray earlier = "an earlier configuration";
    QString path = m_dir->filePath("site.morvane");
    std::unique_ptr<FullDisk> disk;
    if (target == "missing folder") {
        path = m_dir->filePath("absent/site.morvane");
    } else if (target == "named pipe") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    } else if (target == "full disk") {
        disk = std::make_unique<FullDisk>(m_dir->filePath("disk"));
        if (!disk->Mounted())
            QSKIP(qPrintable("a full disk needs root to mount a small tmpfs (" + disk->Problem() +
                             "); tst_wholefile holds it through the save's writer"));
        path = disk->FilePath("site.morvane");
        QVERIFY(Write("disk/site.morvane", earlier) == path && disk->Fill());
    } else {
        QCOMPARE(Write("site.morvane", earlier), path);
    }
    const QDir beside = QFileInfo(path).dir();
    const qsizetype entries = beside.entryList(QDir::AllEntries | QDir::Hidden).size();
    m_window->Text1(field)->setText(text);

    QVERIFY(through == "Save"           ? !m_window->Files().SaveFile(path)
            : through == "line traffic" ? !m_window->ShowLineTraffic()->SaveFile(path)
                                        : !m_window->Printing().ExportPdfTo(path));

    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].title, QString("Error"));
    problem.replace("PATH", QDir::toNativeSeparators(path));
    QVERIFY2(m_shown[0].text.contains(problem), qPrintable(m_shown[0].text));
    QCOMPARE(m_window->Text2()->text(), QString("ERROR"));
    QFile file(path);
    if (target == "missing folder") {
        QVERIFY(!file.exists());
    } else if (target == "named pipe") {
        struct stat info = {};
        QVERIFY(::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode));
    } else {
        if (target == "earlier file")
            QVERIFY(m_shown[0].text.startsWith("The configuration was not saved.\r\n"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), earlier);
    }
    QCOMPARE(beside.entryList(QDir::AllEntries | QDir::Hidden).size(), entries); // none left
}

void TestFileMenu::recentFilesKeepTheLatestEight()
{
    QStringList saved;
    for (int i = 0; i < 10; ++i) {
        saved.prepend(m_dir->filePath(QString("unit%1.morvane").arg(i)));
        QVERIFY(m_window->Files().SaveFile(saved.first()));
    }
    QVERIFY(m_window->Files().OpenFile(saved[3])); // opened again: first in the list
    saved.move(3, 0);
    QCOMPARE(m_window->Files().RecentFiles(), saved.mid(0, 8));
    FrmMain later; // kept between runs, and shown in the File menu once it opens
    QMenu* fileMenu = later.menuBar()->actions().constFirst()->menu();
    fileMenu->popup(QPoint());
    auto* first = later.findChild<QAction*>("actionRecent_0");
    QVERIFY(first && first->isVisible());
    QCOMPARE(first->data().toString(), saved[0]);
    QVERIFY(!later.findChild<QAction*>("actionRecent_7")->text().isEmpty());
    fileMenu->close();
}

void TestFileMenu::openedFileMeansWhatTheRuleSays_data()
{
    QTest::addColumn<int>("digits");
    QTest::addColumn<Registers>("registers");
    const auto row = [](const char* name, int digits, Registers registers) {
        QTest::newRow(name) << digits << registers;
    };
    row("mode 0, Dec Place 9", 5, {9, 0, 0, 100, 500, 20, 1, 3, 0});
    row("mode 12", 5, {2, 12, 40000, 100, 500, 20, 1, 3, 0});
    row("mode 65535", 7, {2, 65535, 3, 65535, 500, 20, 1, 3, 0});
    row("Dec Place 9 with Digits 5", 5, {9, 1, 0, 100, 500, 20, 1, 3, 0});
    row("Dec Place -1", 5, {65535, 1, 0, 100, 500, 20, 1, 3, 0});
    row("Dec Place 10 with Digits 10", 10, {10, 1, 0, 100, 500, 20, 1, 3, 0});
    row("Digits 1, Dec Place 1", 1, {1, 2, 0, 100, 500, 20, 1, 3, 0});
    row("4 mA value with a fraction", 5, {2, 2, 1, 2, 500, 20, 1, 3, 0});
    row("0 mA value rounds back", 5, {2, 2, 3, 65535, 500, 20, 1, 3, 0});
    row("0 mA value below the 20 mA value", 5, {2, 2, 65535, 32768, 500, 20, 1, 3, 0});
    row("timer duration at the top", 5, {2, 9, 65535, 32767, 500, 20, 1, 3, 0});
    row("timer duration read signed in another mode", 5, {2, 8, 40000, 1, 500, 20, 1, 3, 0});
    RandomFiles random(20261209);
    for (int n = 1; n <= 100; ++n)
        QTest::newRow(qPrintable(QString("random %1").arg(n)))
            << random.Digits() << random.Values();
}

// A new window that opens the file, and one that shows the same values as a read does, hold
// the texts of the rule and would send its registers; the rule changes nothing it has made.
void TestFileMenu::openedFileMeansWhatTheRuleSays()
{
    QFETCH(int, digits);
    QFETCH(Registers, registers);
    const ShownConfiguration rule = ConfigurationAsShown(digits, registers);

    QVERIFY(m_window->Files().OpenFile(Write("unit.morvane", FileOf(digits, registers))));
    QCOMPARE(WindowTexts(*m_window), Texts(rule.texts));
    QCOMPARE(WouldSend(*m_window), Joined(rule.registers));

    FrmMain read;
    read.Text1(field::kDigits)->setText(QString::number(digits));
    read.Commands().ShowRegisterValues(registers);
    QCOMPARE(WindowTexts(read), Texts(rule.texts));
    QCOMPARE(WouldSend(read), Joined(rule.registers));
    QVERIFY(m_shown.isEmpty());

    const ShownConfiguration again = ConfigurationAsShown(digits, rule.registers);
    QCOMPARE(Texts(again.texts), Texts(rule.texts));
    QCOMPARE(Joined(again.registers), Joined(rule.registers));
}

// One window opening file after file, now and then after a 20 mA value typed far beyond any
// register or one whose pair chases in the last digit: what it held before makes no difference
// to what it sends.
void TestFileMenu::filesOpenedInTurnSendWhatTheRuleSays()
{
    const QStringList typed{"1e16", "-1e300", "5.57489013671875"};
    RandomFiles random(7);
    for (int n = 0; n < 300; ++n) {
        if (n % 10 == 0)
            m_window->Text1(field::kTwentyMa)->setText(typed[n / 10 % typed.size()]);
        const int digits = random.Digits();
        const Registers registers = random.Values();
        QVERIFY(m_window->Files().OpenFile(Write("unit.morvane", FileOf(digits, registers))));
        QCOMPARE(WouldSend(*m_window), Joined(ConfigurationAsShown(digits, registers).registers));
    }
    QVERIFY(m_shown.isEmpty());
}

// Export PDF proposes the configuration's name and records a value the write would refuse as
// typed and marked; the printer draws the same page.
void TestFileMenu::pageRecordsWhatTheWindowHolds()
{
    const QString config = Write("site.morvane", ValidFile(kNine));
    QVERIFY(m_window->Files().OpenFile(config));
    m_window->Text1(field::kDispDelay)->setText("70000");
    m_window->txtCom(0)->setText("/dev/ttyUSB0");
    QString suggested;
    m_window->Printing().SetFileChooser([&](const QString& suggestion) {
        suggested = suggestion;
        return m_dir->filePath("record");
    });
    m_window->findChild<QAction*>("actionExportPdf")->trigger();

    QCOMPARE(suggested, m_dir->filePath("site.pdf"));
    QCOMPARE(m_window->Text2()->text(), QString("Saved record.pdf"));
    const PdfReading exported = ReadPdf(m_dir->filePath("record.pdf"));
    QVERIFY2(exported.problem.isEmpty(), qPrintable(exported.problem));
    QCOMPARE(exported.pages, 1);
    QCOMPARE(LineWith(exported.text, "Disp Delay"),
             QString("Param5 Disp Delay 70000 7 not sent out of range"));
    QCOMPARE(LineWith(exported.text, "Seconds"), QString("Param3 Seconds 40000 5 40000"));
    QCOMPARE(LineWith(exported.text, "4mA Value"), QString("4mA Value 32020 not used"));
    QCOMPARE(LineWith(exported.text, "File"), "File " + QDir::toNativeSeparators(config));
    QCOMPARE(LineWith(exported.text, "Connection"),
             QString("Connection /dev/ttyUSB0, slave 1, 9600 8N1"));
    QVERIFY(m_shown.isEmpty());
    Connection unit5;
    unit5.slave = 5;
    unit5.baud = 19200;
    unit5.parity = Parity::Even;
    m_window->Connections().Use(unit5);
    QCOMPARE(m_window->Printing().PageNow().connection, "/dev/ttyUSB0, slave 5, 19200 8E1");
    m_window->Connections().RestoreDefaults();

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_dir->filePath("printed.pdf"));
    printer.setPageLayout(report::PaperLayout(PrintMenu::DefaultPaper()));
    PrintMenu::PrintOn(printer, m_window->Printing().PageNow());
    const PdfReading printed = ReadPdf(m_dir->filePath("printed.pdf"));
    const auto withoutTime = [](QString text) {
        return text.remove(QRegularExpression("Date and time[^\n]*"));
    };
    QCOMPARE(withoutTime(printed.text), withoutTime(exported.text));

    // Print... shows the preview, from which the system's print dialog prints.
    bool previewed = false;
    QTimer::singleShot(0, this, [&previewed] {
        if (auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
            previewed = true;
            preview->reject();
        }
    });
    m_window->findChild<QAction*>("actionPrint")->trigger();
    QVERIFY(previewed);
}

QTEST_MAIN(TestFileMenu)
#include "tst_filemenu.moc"
