// Configuration files through the window: a bad file is refused by name and the window keeps
// everything it showed; a save that cannot be made, by Save or by the line traffic window's
// Save As, leaves the earlier file or node as it was and no half file; the recent files
// remember what was opened and saved.

#include "window/configcommands.h"
#include "window/configfiles.h"
#include "window/frmmain.h"
#include "window/trafficwindow.h"

#include "support/fulldisk.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace morvane;
using namespace morvane::testing;

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

} // namespace

class TestConfigFiles : public QObject
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

  private:
    QString Write(const QString& name, const QByteArray& content);

    std::unique_ptr<FrmMain> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
    QList<Shown> m_shown;
};

void TestConfigFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_window = std::make_unique<FrmMain>();
    m_shown.clear();
    m_window->Commands().host().SetMessagePresenter(
        [this](const std::string& title, const std::string& text) {
            m_shown.push_back({QString::fromStdString(title), QString::fromStdString(text)});
        });
}

void TestConfigFiles::cleanup()
{
    m_window.reset();
}

QString TestConfigFiles::Write(const QString& name, const QByteArray& content)
{
    QFile file(m_dir->filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return {};
    return file.fileName();
}

void TestConfigFiles::badFileIsRefusedByName_data()
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

void TestConfigFiles::badFileIsRefusedByName()
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

void TestConfigFiles::saveThatCannotBeMadeLeavesNoFile_data()
{
    QTest::addColumn<QString>("through"); // "Save", or "line traffic" for its Save As
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
}

void TestConfigFiles::saveThatCannotBeMadeLeavesNoFile()
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

    QVERIFY(through == "Save" ? !m_window->Files().SaveFile(path)
                              : !m_window->ShowLineTraffic()->SaveFile(path));

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

void TestConfigFiles::recentFilesKeepTheLatestEight()
{
    QStringList saved;
    for (int i = 0; i < 10; ++i) {
        saved.prepend(m_dir->filePath(QString("unit%1.morvane").arg(i)));
        QVERIFY(m_window->Files().SaveFile(saved.first()));
    }
    QVERIFY(m_window->Files().OpenFile(saved[3])); // opened again: first in the list
    saved.move(3, 0);
    QCOMPARE(m_window->Files().RecentFiles(), saved.mid(0, 8));
    FrmMain later; // kept between runs, and shown in the File menu
    auto* first = later.findChild<QAction*>("actionRecent_0");
    QVERIFY(first && first->isVisible());
    QCOMPARE(first->data().toString(), saved[0]);
    QVERIFY(!later.findChild<QAction*>("actionRecent_7")->text().isEmpty());
}

QTEST_MAIN(TestConfigFiles)
#include "tst_configfiles.moc"
