// Reaching a unit at another address, over the network and with the connection's limits,
// through the window and the command line against the virtual controller on every transport;
// and finding units that do not answer at the settings in use.

#include "clirun.h"
#include "configfile/configfile.h"
#include "port/tcpport.h"
#include "ptybus.h"
#include "simprocess.h"
#include "window/configcommands.h"
#include "window/connectionmenu.h"
#include "window/findcontroller.h"
#include "window/frmmain.h"
#include "window/trafficwindow.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace morvane;
using namespace morvane::testing;

Q_DECLARE_METATYPE(morvane::Connection)

namespace
{

enum Front { Window, CommandLine };

// The switch that puts the controller on a transport; none: a pseudo-terminal.
const QList<QStringList> kTransports{{}, {"--tcp", "0"}, {"--rtu-tcp", "0"}};

QString TransportName(const QStringList& transport)
{
    return transport.isEmpty() ? "line" : transport.first().mid(2);
}

Connection Limited(int slave, int timeLimitMs, int retries)
{
    Connection c;
    c.slave = slave;
    c.timeLimitMs = timeLimitMs;
    c.retries = retries;
    return c;
}

QStringList ConnectionArguments(const Connection& c)
{
    return {"--slave",   QString::number(c.slave),
            "--baud",    QString::number(c.baud),
            "--parity",  QString::fromLatin1(ParityWord(c.parity).data()),
            "--timeout", QString::fromStdString(SecondsText(c.timeLimitMs)),
            "--retries", QString::number(c.retries)};
}

// How an exchange ended, in the words the technician reads.
struct Ended {
    bool done = false;
    int exitCode = -1;   // the command line's
    QString words;       // its standard error, or the window's messages and last traffic row
    QStringList traffic; // the window's line traffic, meanings only
    qint64 ms = 0;
};

class Reach
{
  public:
    Reach()
    {
        const QString file = m_dir.filePath("design.morvane");
        QFile out(file);
        if (out.open(QIODevice::WriteOnly))
            out.write(ConfigFileText({5, {2, 1, 0, 100, 500, 20, 1, 3, 0}}, {}));
        m_file = file;
    }

    Ended Exchange(Front front, const QString& port, const Connection& c, bool write)
    {
        QElapsedTimer clock;
        clock.start();
        Ended ended;
        if (front == CommandLine) {
            QStringList arguments = write ? QStringList{"write", m_file} : QStringList{"read"};
            const CliRun run =
                RunCli(arguments << "--port" << port << ConnectionArguments(c), 30000);
            return {run.exitCode == 0, run.exitCode, run.err, {}, clock.elapsed()};
        }
        FrmMain window;
        window.Commands().host().SetMessagePresenter(
            [&ended](const std::string& title, const std::string& text) {
                ended.words += QString::fromStdString(title + ": " + text + "\n");
            });
        window.txtCom(0)->setText(port);
        window.Connections().Use(c);
        (write ? window.Command2() : window.Command1())->click();
        ended.ms = clock.elapsed();
        ended.done = window.Text2()->text() == "Read OK";
        for (int r = 0; r < window.Traffic().rowCount(); ++r)
            ended.traffic << window.Traffic().index(r, TrafficModel::kMeaning).data().toString();
        ended.words += ended.traffic.value(ended.traffic.size() - 1);
        window.Connections().RestoreDefaults();
        return ended;
    }

  private:
    QTemporaryDir m_dir;
    QString m_file;
};

} // namespace

class TestReach : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase();
    void readAndWriteAtSlave5_data();
    void readAndWriteAtSlave5();
    void timeLimitEndsASilentRead_data();
    void timeLimitEndsASilentRead();
    void retryAfterAGarbledReply_data();
    void retryAfterAGarbledReply();
    void watchdogOnEveryTransport_data();
    void watchdogOnEveryTransport();
    void networkFailures_data();
    void networkFailures();
    void scanFindsEveryUnitOnTheLine_data();
    void scanFindsEveryUnitOnTheLine();
    void cancelEndsTheScanWithinAProbe();

  private:
    QTemporaryDir m_config;
};

// The kept connection goes to a folder of this test's own.
void TestReach::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    // As the window's library makes its network ports, without loading a library.
    SetNetworkPortMaker(&MakeTcpPort);
}

void TestReach::readAndWriteAtSlave5_data()
{
    QTest::addColumn<int>("front");
    QTest::addColumn<QStringList>("transport");
    for (const QStringList& transport : kTransports) {
        QTest::addRow("window, %s", qPrintable(TransportName(transport)))
            << int(Window) << transport;
        QTest::addRow("command line, %s", qPrintable(TransportName(transport)))
            << int(CommandLine) << transport;
    }
}

void TestReach::readAndWriteAtSlave5()
{
    QFETCH(int, front);
    QFETCH(QStringList, transport);
    SimProcess sim;
    const QString port = sim.Start(transport + QStringList{"--slave", "5", "--baud", "19200"});
    QVERIFY2(!port.isEmpty(), qPrintable(sim.ErrorText()));
    Connection c = Limited(5, 2000, 0);
    c.baud = 19200;
    Reach reach;
    const Ended write = reach.Exchange(Front(front), port, c, true);
    QVERIFY2(write.done, qPrintable(write.words));
    const Ended read = reach.Exchange(Front(front), port, c, false);
    QVERIFY2(read.done, qPrintable(read.words));
    QCOMPARE(sim.Requests(), (QStringList{"request fn=16 addr=2 count=9 values=2,1,0,100,500,20,"
                                          "1,3,0",
                                          "request fn=3 addr=2 count=9"}));
    if (front == CommandLine)
        QVERIFY2(read.words.startsWith("Reading 9 registers from slave 5, 19200 8N1, waiting 2 "
                                       "s, at " +
                                       port + " ... done"),
                 qPrintable(read.words));
}

void TestReach::timeLimitEndsASilentRead_data()
{
    readAndWriteAtSlave5_data();
}

// A technician's shorter limit ends a silent read in about that time, on every transport.
void TestReach::timeLimitEndsASilentRead()
{
    QFETCH(int, front);
    QFETCH(QStringList, transport);
    SimProcess sim;
    const QString port = sim.Start(transport + QStringList{"--silent"});
    QVERIFY2(!port.isEmpty(), qPrintable(sim.ErrorText()));
    const Ended read = Reach().Exchange(Front(front), port, Limited(1, 1000, 0), false);
    QVERIFY(!read.done);
    QVERIFY2(read.ms >= 900 && read.ms < 3000, qPrintable(QString::number(read.ms)));
    if (front == CommandLine)
        QCOMPARE(read.exitCode, 4);
    else
        QCOMPARE(read.words, QString("ERROR: no answer within 1 s"));
}

void TestReach::retryAfterAGarbledReply_data()
{
    readAndWriteAtSlave5_data();
}

void TestReach::retryAfterAGarbledReply()
{
    QFETCH(int, front);
    QFETCH(QStringList, transport);
    SimProcess sim;
    const QString port = sim.Start(transport + QStringList{"--bad-crc-first", "1"});
    QVERIFY2(!port.isEmpty(), qPrintable(sim.ErrorText()));
    const Ended read = Reach().Exchange(Front(front), port, Limited(1, 1000, 1), false);
    QVERIFY2(read.done, qPrintable(read.words));
    QCOMPARE(sim.RequestCount(), 2);
    QVERIFY2(read.ms >= 900, qPrintable(QString::number(read.ms)));
    if (front == Window)
        QCOMPARE(read.traffic.filter("read request").size(), 2);
    if (front == Window)
        QVERIFY(read.traffic.contains("no answer within 1 s, asking again (2 of 2)"));
}

void TestReach::watchdogOnEveryTransport_data()
{
    QTest::addColumn<QStringList>("transport");
    for (const QStringList& transport : kTransports)
        QTest::addRow("%s", qPrintable(TransportName(transport))) << transport;
}

// A write that no byte answers shows the watchdog's message a second after it could first be
// answered, once, and the wait goes on to the time limit.
void TestReach::watchdogOnEveryTransport()
{
    QFETCH(QStringList, transport);
    SimProcess sim;
    const QString port = sim.Start(transport + QStringList{"--silent"});
    QVERIFY2(!port.isEmpty(), qPrintable(sim.ErrorText()));
    FrmMain window;
    QList<qint64> shownAt;
    QElapsedTimer clock;
    window.Commands().host().SetMessagePresenter([&](const std::string& title, const std::string&) {
        if (title == "Communication Error")
            shownAt << clock.elapsed();
    });
    window.txtCom(0)->setText(port);
    window.Connections().Use(Limited(1, 2500, 0));
    clock.start();
    window.Command2()->click();
    window.Connections().RestoreDefaults();
    QCOMPARE(shownAt.size(), 1);
    QVERIFY2(shownAt[0] >= 900 && shownAt[0] < 1800, qPrintable(QString::number(shownAt[0])));
    QVERIFY(clock.elapsed() >= 2400);
}

void TestReach::networkFailures_data()
{
    QTest::addColumn<int>("front");
    QTest::addColumn<bool>("listening"); // a listener that takes connections and never answers
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("words");
    for (int front : {int(Window), int(CommandLine)}) {
        const char* where = front == Window ? "window" : "command line";
        for (const char* scheme : {"tcp", "rtu+tcp"})
            QTest::addRow("%s, %s, refused", where, scheme)
                << front << false << scheme << 3
                << "Unable to connect to %1\n127.0.0.1 refused a connection on port %2";
        QTest::addRow("%s, silent listener", where)
            << front << true << "tcp" << 4
            << (front == Window ? "ERROR: no answer within 1 s" : "No Response From Morvane");
    }
}

void TestReach::networkFailures()
{
    QFETCH(int, front);
    QFETCH(bool, listening);
    QFETCH(QString, scheme);
    QFETCH(int, exitCode);
    QFETCH(QString, words);
    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress::LocalHost));
    const quint16 number = listener.serverPort();
    if (!listening)
        listener.close();
    const QString url = QString("%1://127.0.0.1:%2").arg(scheme).arg(number);
    const Ended ended = Reach().Exchange(Front(front), url, Limited(1, 1000, 0), false);
    QVERIFY(!ended.done);
    QVERIFY2(ended.ms < 3000, qPrintable(QString::number(ended.ms)));
    if (front == CommandLine)
        QCOMPARE(ended.exitCode, exitCode);
    const QString expected = words.contains("%1") ? words.arg(url).arg(number) : words;
    QVERIFY2(QString(ended.words).remove('\r').contains(expected), qPrintable(ended.words));
}

void TestReach::scanFindsEveryUnitOnTheLine_data()
{
    QTest::addColumn<int>("front");
    QTest::newRow("command line") << int(CommandLine);
    QTest::newRow("window") << int(Window);
}

// Three units on one line, each at an address and speed of its own: every one is found, at
// its own speed, and the window takes the one chosen for its next commands.
void TestReach::scanFindsEveryUnitOnTheLine()
{
    QFETCH(int, front);
    SimProcess units[3];
    const QStringList switches[3] = {{"--slave", "3", "--baud", "9600", "--registers", "2,1"},
                                     {"--slave", "17", "--baud", "19200", "--registers", "2,4"},
                                     {"--slave", "200", "--baud", "115200", "--registers", "2,9"}};
    QStringList devices;
    for (int i = 0; i < 3; ++i) {
        devices << units[i].Start(switches[i]);
        QVERIFY2(!devices.last().isEmpty(), qPrintable(units[i].ErrorText()));
    }
    PtyBus bus(devices);
    QVERIFY2(!bus.Path().isEmpty(), qPrintable(bus.ErrorText()));
    const QStringList found{"slave 3, 9600 8N1: 0-5V", "slave 17, 19200 8N1: Up/Down Counter",
                            "slave 200, 115200 8N1: Up Timer"};
    const QString slaves = "1-5,17,200";
    const QString bauds = "9600,19200,115200";
    if (front == CommandLine) {
        const CliRun run = RunCli({"scan", "--port", bus.Path(), "--slaves", slaves, "--bauds",
                                   bauds, "--parity", "none"},
                                  30000);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, found.join('\n') + '\n');
        QVERIFY2(run.err.contains("Scanning addresses 1-5,17,200 at 19200 8N1 on " + bus.Path() +
                                  " ... 1 found in "),
                 qPrintable(run.err));
        return;
    }
    FrmMain window;
    window.txtCom(0)->setText(bus.Path());
    window.findChild<QAction*>("actionFindController")->trigger();
    auto* dialog = window.findChild<FindController*>("FindController");
    QVERIFY(dialog);
    dialog->findChild<QLineEdit*>("slaves")->setText(slaves);
    dialog->findChild<QLineEdit*>("bauds")->setText(bauds);
    dialog->findChild<QLineEdit*>("parities")->setText("none");
    dialog->findChild<QPushButton*>("startScan")->click();
    QStringList shown;
    for (int i = 0; i < 3; ++i) {
        auto* use = dialog->findChild<QPushButton*>(QString("useUnit_%1").arg(i));
        QVERIFY(use);
        shown << use->parentWidget()->findChild<QLabel*>()->text();
    }
    QCOMPARE(shown, found);
    dialog->findChild<QPushButton*>("useUnit_1")->click();
    QCOMPARE(window.Connections().Current().slave, 17);
    QCOMPARE(window.Connections().Current().baud, 19200);
    QCOMPARE(window.windowTitle(), "Morvane Config - slave 17, 19200 8N1, at " + bus.Path());
    window.Command1()->click();
    QCOMPARE(window.Text2()->text(), QString("Read OK"));
    QCOMPARE(window.Text1(2)->text(), QString("4"));
    window.Connections().RestoreDefaults();
}

// Cancel closes the port under the probe that waits: the scan ends at once, not at the end of
// the probe, let alone of the scan.
void TestReach::cancelEndsTheScanWithinAProbe()
{
    SimProcess sim;
    const QString port = sim.Start({"--silent"});
    QVERIFY2(!port.isEmpty(), qPrintable(sim.ErrorText()));
    FrmMain window;
    window.txtCom(0)->setText(port);
    FindController dialog(port, Connection{}, &window);
    dialog.findChild<QLineEdit*>("bauds")->setText("1200");
    dialog.findChild<QLineEdit*>("parities")->setText("none");
    Connection slow;
    slow.baud = 1200;
    const int probeMs = ProbeTimeLimitMs(slow, kDefaultProbeAllowanceMs);
    QElapsedTimer clock;
    qint64 cancelledAt = 0;
    QTimer::singleShot(700, &dialog, [&] {
        cancelledAt = clock.elapsed();
        dialog.findChild<QPushButton*>("cancelScan")->click();
    });
    clock.start();
    dialog.Start();
    QVERIFY(cancelledAt > 0);
    QVERIFY2(clock.elapsed() - cancelledAt < probeMs,
             qPrintable(QString("%1 ms after Cancel").arg(clock.elapsed() - cancelledAt)));
    QVERIFY(dialog.findChild<QProgressBar*>("progress")->value() < 5);
    QVERIFY(dialog.findChild<QLabel*>("trying")->text().startsWith("Cancelled"));
    QVERIFY(!dialog.Scanning());
}

QTEST_MAIN(TestReach)
#include "tst_reach.moc"
