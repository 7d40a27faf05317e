// The serial port's failures as a technician meets them: a device that is not there, one
// that another program holds, one the user may not use, and one that goes away while open.

#include "ptyfixture.h"

#include "fakewindowhost.h"
#include "idlecpu.h"
#include "port/portopening.h"
#include "port/qtserialport.h"

#include <QSerialPortInfo>
#include <QtTest>

#include <pwd.h>
#include <sys/stat.h>

using namespace morvane;
using namespace morvane::testing;

Q_DECLARE_METATYPE(morvane::PortFault)

namespace
{

// When the node at a path last changed; a terminal made since has a later time.
timespec NodeChanged(const std::string& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ctim : timespec{};
}

// A node at the path that is not the one there before: none there at all is not one.
bool NodeBornAfter(const std::string& path, const timespec& earlier)
{
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    const timespec now = info.st_ctim;
    return now.tv_sec != earlier.tv_sec || now.tv_nsec != earlier.tv_nsec;
}

// Waits, as a receive does, until the port reports its connection lost; the far end hangs up
// shortly after the wait begins. False when the wait had to give up.
bool WaitThroughHangUp(QtSerialPort& port, PseudoTerminal& pty)
{
    QEventLoop wait;
    bool gaveUp = false;
    QObject::connect(&port, &QtSerialPort::connectionLost, &wait, &QEventLoop::quit);
    QTimer::singleShot(5000, &wait, [&] {
        gaveUp = true;
        wait.quit();
    });
    QTimer::singleShot(20, &wait, [&] { pty.HangUp(); });
    wait.exec();
    return !gaveUp;
}

} // namespace

class TestQtSerialPortFaults : public QObject
{
    Q_OBJECT
  private slots:
    void missingDeviceIsNamedWithThePortsThereAre();
    void secondOpenFindsThePortInUse_data();
    void secondOpenFindsThePortInUse();
    void permissionDeniedNamesTheGroup_data();
    void permissionDeniedNamesTheGroup();
    void pathTheSystemCannotTakeIsToldInItsWords_data();
    void pathTheSystemCannotTakeIsToldInItsWords();
    void hangUpClosesThePortOnceAndStaysIdle();
    void hangUpGivesOneMessage();
};

void TestQtSerialPortFaults::missingDeviceIsNamedWithThePortsThereAre()
{
    const std::string missing = "/dev/morvane-no-such-port";
    QtSerialPort port;
    FakeWindowHost host;
    const auto env = [&](const std::string& name) -> std::optional<std::string> {
        return name == "MORVANE_COM7" ? std::optional(missing) : std::nullopt;
    };
    OpenAsCommand(port, ResolvePort("7", env), host, HostPortSystem());

    QVERIFY(!port.PortOpen());
    QCOMPARE(port.LastFault(), PortFault::NoSuchDevice);
    QCOMPARE(host.messages.size(), std::size_t(1));
    QCOMPARE(host.messages[0].title, std::string("Error"));
    const QStringList lines = QString::fromStdString(host.messages[0].text).split("\r\n");
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QString("Unable to open Com Port 7 at 9600 Baud"));
    QVERIFY2(lines[1].startsWith(QString::fromStdString("There is no device " + missing)),
             qPrintable(lines[1]));
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        QVERIFY2(lines[2].contains(info.systemLocation()), qPrintable(lines[2]));
    if (QSerialPortInfo::availablePorts().isEmpty())
        QCOMPARE(lines[2], QString("No serial ports were found on this computer."));
    QVERIFY(lines[3].contains("MORVANE_COM7"));
    QCOMPARE(host.status, std::string("ERROR"));
}

void TestQtSerialPortFaults::secondOpenFindsThePortInUse_data()
{
    QTest::addColumn<bool>("firstByLink");
    QTest::addColumn<bool>("secondByLink");
    QTest::newRow("same name") << false << false;
    QTest::newRow("a link, then its device") << true << false;
    QTest::newRow("the device, then a link") << false << true;
}

// Two names of one device are one port: the second open is refused, and named as it was given.
void TestQtSerialPortFaults::secondOpenFindsThePortInUse()
{
    QFETCH(bool, firstByLink);
    QFETCH(bool, secondByLink);
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QTemporaryDir dir;
    const std::string link = dir.filePath("ttyLink").toStdString();
    QVERIFY(QFile::link(QString::fromStdString(pty.path()), QString::fromStdString(link)));
    QtSerialPort first;
    OpenOn(first, firstByLink ? link : pty.path(), "9600,N,8,1");
    QVERIFY(first.PortOpen());

    const std::string name = secondByLink ? link : pty.path();
    QtSerialPort second;
    FakeWindowHost host;
    OpenAsCommand(second, ResolvePort(name), host, HostPortSystem());
    QVERIFY(!second.PortOpen());
    QCOMPARE(second.LastFault(), PortFault::InUse);
    QCOMPARE(host.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(host.messages[0].text),
             QString::fromStdString("Unable to open Com Port " + name + " at 9600 Baud\r\n" + name +
                                    " is in use: another program holds it.\r\n"
                                    "Close that program and try again."));
    QVERIFY(first.PortOpen()); // the holder is not disturbed
}

void TestQtSerialPortFaults::permissionDeniedNamesTheGroup_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("groupGivesAccess");
    QTest::newRow("group may use it") << 0060 << true;
    QTest::newRow("nobody may use it") << 0000 << false;
}

void TestQtSerialPortFaults::permissionDeniedNamesTheGroup()
{
    QFETCH(int, mode);
    QFETCH(bool, groupGivesAccess);
    // Root may open any device, so the opening runs as an unprivileged user. Neither the owner
    // nor others may use the device; its group may or may not.
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QCOMPARE(::chmod(pty.path().c_str(), mode_t(mode)), 0);
    QStringList command;
    QTemporaryDir reachable;
    QString openerPath = MORVANE_PORT_OPENER;
    if (::geteuid() == 0) {
        const QString runuser =
            QStandardPaths::findExecutable("runuser", {"/usr/sbin", "/sbin", "/usr/bin", "/bin"});
        QVERIFY2(!runuser.isEmpty(), "runuser (util-linux) is needed to drop privileges");
        QVERIFY2(::getpwnam("nobody") != nullptr, "the unprivileged user nobody is needed");
        // The build tree may lie where nobody cannot enter (/root, a closed home directory).
        QVERIFY(reachable.isValid());
        QVERIFY(QFile::setPermissions(reachable.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ExeOwner | QFile::ReadOther |
                                                            QFile::ExeOther));
        const QString copy = reachable.filePath("port_opener");
        QVERIFY(QFile::copy(openerPath, copy));
        QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                                QFile::ExeOther));
        openerPath = copy;
        command << runuser << "-u"
                << "nobody"
                << "--";
    }
    command << openerPath << QString::fromStdString(pty.path());
    QProcess opener;
    opener.start(command.takeFirst(), command);
    QVERIFY(opener.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(opener.readAllStandardOutput());
    QCOMPARE(opener.exitCode(), 1);

    QVERIFY2(out.contains(QString("fault %1\n").arg(int(PortFault::PermissionDenied))),
             qPrintable(out));
    const QString device = QString::fromStdString(pty.path());
    QVERIFY2(out.contains("title Error\ntext Unable to open Com Port " + device +
                          " at 9600 Baud\r\nYou have no permission to use " + device + " ("),
             qPrintable(out));
    const std::string group = HostPortSystem().AccessGroup(pty.path());
    QCOMPARE(!group.empty(), groupGivesAccess);
    const std::string remedy =
        groupGivesAccess
            ? "It belongs to the group " + group + ". Join the group with \"sudo usermod -aG " +
                  group + " $USER\", then log out and in again.\n"
            : std::string("Ask the administrator of this computer for access to it.\n");
    QVERIFY2(out.contains(QString::fromStdString(remedy)), qPrintable(out));
}

void TestQtSerialPortFaults::hangUpClosesThePortOnceAndStaysIdle()
{
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QtSerialPort port;
    OpenOn(port, pty.path(), "9600,N,8,1");
    QVERIFY(port.PortOpen());
    const timespec openedAt = NodeChanged(pty.path());
    QSignalSpy lost(&port, &QtSerialPort::connectionLost);
    bool closedWhenReported = false;
    connect(&port, &QtSerialPort::connectionLost, this,
            [&] { closedWhenReported = !port.PortOpen(); });

    QVERIFY2(WaitThroughHangUp(port, pty), "the hang-up did not end the wait");
    QVERIFY(closedWhenReported);
    QCOMPARE(port.LastFault(), PortFault::ConnectionLost);
    // An idle window afterwards: no further faults, and no core spinning on them.
    const double cpu = CpuWhileIdle(500);
    QVERIFY2(cpu < 0.2, qPrintable(QString("%1 s of CPU in 0.5 s").arg(cpu)));
    QCOMPARE(lost.count(), 1);
    QVERIFY(!port.Output(0x01));
    QCOMPARE(port.InBufferCount(), 0);

    // The device is gone for good: opening it again says so. Terminal numbers are handed out
    // again at once, so on a busy machine another program's new terminal may have taken the
    // name by now (and may hold it, so that the open finds it in use); only the terminal that
    // was hung up is checked.
    port.SetPortOpen(true);
    if (NodeBornAfter(pty.path(), openedAt)) {
        qInfo("%s now names another program's terminal; its reopening was not checked",
              pty.path().c_str());
        return;
    }
    QVERIFY(!port.PortOpen());
    QCOMPARE(port.LastFault(), PortFault::NoSuchDevice);
}

void TestQtSerialPortFaults::hangUpGivesOneMessage()
{
    PseudoTerminal pty;
    QVERIFY(pty.valid());
    QtSerialPort port;
    FakeWindowHost host;
    QVERIFY(OpenAsCommand(port, ResolvePort(pty.path()), host, HostPortSystem()));
    host.StartWatchdog();
    connect(&port, &QtSerialPort::connectionLost, this, [&] { ReportLostPort(port, host); });

    QVERIFY2(WaitThroughHangUp(port, pty), "the hang-up did not end the wait");
    CpuWhileIdle(200);
    QCOMPARE(host.messages.size(), std::size_t(1));
    QCOMPARE(host.messages[0].title, std::string("Communication Error"));
    QVERIFY(QString::fromStdString(host.messages[0].text)
                .startsWith(QString::fromStdString("The connection to " + pty.path() +
                                                   " was lost (the device could not be read).")));
    QCOMPARE(host.status, std::string("ERROR"));
    QVERIFY(!host.WatchdogActive());
}

void TestQtSerialPortFaults::pathTheSystemCannotTakeIsToldInItsWords_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("reason");
    QTest::newRow("100,000 characters") << "/dev/" + QString(100000, 'a') << "File name too long";
    QTest::newRow("a name of 300 characters")
        << "/dev/" + QString(300, 'a') << "File name too long";
}

// Not "no permission", which would send the technician to the administrator for nothing.
void TestQtSerialPortFaults::pathTheSystemCannotTakeIsToldInItsWords()
{
    QFETCH(QString, device);
    QFETCH(QString, reason);
    QtSerialPort port;
    FakeWindowHost host;
    OpenAsCommand(port, ResolvePort(device.toStdString()), host, HostPortSystem());

    QVERIFY(!port.PortOpen());
    QCOMPARE(port.LastFault(), PortFault::Other);
    QCOMPARE(host.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(host.messages[0].text),
             "Unable to open Com Port " + device + " at 9600 Baud\r\n" + device +
                 " could not be opened (" + reason + ").");
}

QTEST_GUILESS_MAIN(TestQtSerialPortFaults)
#include "tst_qtserialport_faults.moc"
