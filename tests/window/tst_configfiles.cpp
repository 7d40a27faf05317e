// Configuration files through the window: a bad file is refused by name and the window keeps
// everything it showed; a save that cannot be made leaves no file and no half file; the
// recent files remember what was opened and saved.

#include "window/configcommands.h"
#include "window/configfiles.h"
#include "window/frmmain.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace morvane;

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
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("intoMissingFolder");
    QTest::addColumn<QString>("problem");
    QTest::newRow("a value the write refuses")
        << 5 << "70000" << false << "Param5 (Disp Delay): \"70000\" would be sent as 70000";
    QTest::newRow("below -32768") << 3 << "-40000" << false << "is below -32768";
    QTest::newRow("fractional Digits")
        << 0 << "5.5" << false << "Digits: \"5.5\" is not a whole number from 1 to 10.";
    QTest::newRow("folder missing") << 5 << "500" << true << "Unable to save the configuration to";
}

void TestConfigFiles::saveThatCannotBeMadeLeavesNoFile()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(bool, intoMissingFolder);
    QFETCH(QString, problem);
    const QByteArray earlier = "an earlier configuration";
    const QString path =
        intoMissingFolder ? m_dir->filePath("absent/site.morvane") : Write("site.morvane", earlier);
    m_window->Text1(field)->setText(text);

    QVERIFY(!m_window->Files().SaveFile(path));

    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].title, QString("Error"));
    QVERIFY2(m_shown[0].text.contains(problem), qPrintable(m_shown[0].text));
    QCOMPARE(m_window->Text2()->text(), QString("ERROR"));
    QFile file(path);
    if (intoMissingFolder) {
        QVERIFY(!file.exists());
    } else {
        QVERIFY(m_shown[0].text.startsWith("The configuration was not saved.\r\n"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), earlier);
    }
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(),
             intoMissingFolder ? 0 : 1); // no temporary file left beside it
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
    FrmMain later; // kept between runs, and shown in the File menu once it opens
    QMenu* fileMenu = later.menuBar()->actions().constFirst()->menu();
    fileMenu->popup(QPoint());
    auto* first = later.findChild<QAction*>("actionRecent_0");
    QVERIFY(first && first->isVisible());
    QCOMPARE(first->data().toString(), saved[0]);
    QVERIFY(!later.findChild<QAction*>("actionRecent_7")->text().isEmpty());
    fileMenu->close();
}

QTEST_MAIN(TestConfigFiles)
#include "tst_configfiles.moc"
