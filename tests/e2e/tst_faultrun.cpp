// Every fault the virtual controller can play, on a read and on a write: the window ends
// the command with the status that tells the truth, keeps the technician's entries when the
// command failed, and the next command against a healthy controller succeeds.

#include "commandfixture.h"
#include "controller/registermap.h"

#include <QtTest>

#include <cstdio>

using namespace morvane;
using namespace morvane::testing;

namespace
{

// The command's clock runs ten times faster, so the 20-second limit passes in about 2 s; a
// slow controller gets a clock five times faster, so that its late reply lands at 15 of the
// 20 seconds with a full real second to spare on a busy machine.
constexpr double kClockFactor = 10;
constexpr double kSlowClockFactor = 5;

// What the faulty controller holds (mode 8, ASCII), what the technician has typed (in mode 3,
// Counter), and what the healthy controller holds (mode 10, Down Timer): three sets that no
// command can mistake for one another.
const QString kFaultyRegisters = "3,8,1234,-200,700,15,5,4,2";
const QStringList kEntries = {"4", "3", " 11", "-22", "33", "44", "55", "66", "77"};
const QString kEntriesSent = "4,3,11,65514,33,44,55,66,77";
const QString kHealthyRegisters = "4,10,5400,65535,300,25,9,6,1";
constexpr int kEntriesMode = 3;
constexpr int kFaultyMode = 8;
constexpr int kHealthyMode = 10;

enum class Command { Read, Write };

QString WriteLine(const QString& values)
{
    return "request fn=16 addr=2 count=9 values=" + values;
}

// Whether the fields stand for these register values, compared as the controller sees them.
bool FieldsHold(const QStringList& fields, const QString& registers)
{
    const QStringList values = registers.split(',');
    for (int i = 0; i < fields.size(); ++i) {
        const auto value = FieldRegisterValue(fields[i].toStdString());
        const auto expected = FieldRegisterValue(values.value(i).toStdString());
        if (value != expected)
            return false;
    }
    return fields.size() == values.size();
}

QString Titles(const QList<RecordedMessage>& messages)
{
    QStringList titles;
    for (const RecordedMessage& m : messages)
        titles << m.title;
    return titles.join(", ");
}

} // namespace

Q_DECLARE_METATYPE(Command)

class TestFaultRun : public QObject
{
    Q_OBJECT
  private slots:
    void faultThenHealthyController_data();
    void faultThenHealthyController();
};

void TestFaultRun::faultThenHealthyController_data()
{
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<Command>("command");
    QTest::addColumn<double>("clockFactor");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QStringList>("messageTitles");
    const QString comm = "Communication Error";
    struct Fault {
        const char* name;
        QStringList switches;
        double clockFactor;
        bool succeeds;
        QStringList readMessages;
        QStringList writeMessages;
    };
    // A write starts the one-second watchdog: it speaks up when no byte at all has come by
    // then, so a reply 15 s (of the command's clock) late gets its message too.
    const QList<Fault> faults = {
        {"silent", {"--silent"}, kClockFactor, false, {}, {comm}},
        {"slow", {"--delay", "3000"}, kSlowClockFactor, true, {}, {comm}},
        {"exception", {"--exception", "4"}, kClockFactor, false, {comm}, {comm}},
        {"bad-crc", {"--bad-crc"}, kClockFactor, false, {}, {}},
        {"noise", {"--noise", "9"}, kClockFactor, true, {}, {}},
        {"pieces", {"--pieces", "6", "--gap", "120"}, kClockFactor, true, {}, {}},
        {"other-slave", {"--slave-answer", "2"}, kClockFactor, false, {}, {}},
        {"hang-up", {"--hangup-after", "0"}, kClockFactor, false, {comm}, {comm}},
    };
    for (const Fault& f : faults) {
        QTest::addRow("%s read", f.name)
            << f.switches << Command::Read << f.clockFactor << f.succeeds << f.readMessages;
        QTest::addRow("%s write", f.name)
            << f.switches << Command::Write << f.clockFactor << f.succeeds << f.writeMessages;
    }
}

void TestFaultRun::faultThenHealthyController()
{
    QFETCH(QStringList, switches);
    QFETCH(Command, command);
    QFETCH(double, clockFactor);
    QFETCH(bool, succeeds);
    QFETCH(QStringList, messageTitles);
    CommandFixture f;
    f.UseFastClock(clockFactor);
    QVERIFY2(f.StartSim(switches + QStringList{"--registers", kFaultyRegisters}),
             qPrintable(f.sim.ErrorText()));
    f.window.Option1(1)->click();
    f.window.Option2(kEntriesMode)->click();
    f.SetFields(kEntries);
    QCOMPARE(f.Fields(), kEntries);
    const auto click = [&f, command] {
        (command == Command::Read ? f.window.Command1() : f.window.Command2())->click();
    };

    QElapsedTimer clock;
    clock.start();
    click();
    const double seconds = double(clock.elapsed()) / 1000;

    QVERIFY2(f.sim.WaitForRequests(1), "the request must have reached the controller");
    QCOMPARE(f.Status(), succeeds ? QString("Read OK") : QString("ERROR"));
    QCOMPARE(Titles(f.messages), messageTitles.join(", "));
    QVERIFY(!f.window.Comm1()->PortOpen());
    QVERIFY(f.window.Command1()->isEnabled() && f.window.Command2()->isEnabled());
    QString outcome;
    if (succeeds && command == Command::Read) {
        QVERIFY2(FieldsHold(f.Fields(), kFaultyRegisters), qPrintable(f.Fields().join(',')));
        QVERIFY(f.window.Option2(kFaultyMode)->isChecked());
        outcome = "fields filled";
    } else {
        QCOMPARE(f.Fields(), kEntries);
        QVERIFY(f.window.Option2(kEntriesMode)->isChecked());
        if (command == Command::Write)
            QCOMPARE(f.sim.Requests().value(0), WriteLine(kEntriesSent));
        outcome = succeeds ? "values sent" : "entries kept";
    }

    // The technician connects a controller that works and tries again.
    SimProcess healthy;
    const QString path = healthy.Start({"--registers", kHealthyRegisters});
    QVERIFY2(!path.isEmpty(), qPrintable(healthy.ErrorText()));
    f.window.txtCom(0)->setText(path);
    f.messages.clear();
    click();
    QCOMPARE(f.Status(), QString("Read OK"));
    QVERIFY(f.messages.isEmpty());
    QVERIFY(healthy.WaitForRequests(1));
    if (command == Command::Read) {
        QVERIFY2(FieldsHold(f.Fields(), kHealthyRegisters), qPrintable(f.Fields().join(',')));
        QVERIFY(f.window.Option2(kHealthyMode)->isChecked());
    } else {
        QCOMPARE(healthy.Requests().value(0), WriteLine(kEntriesSent));
        QCOMPARE(f.Fields(), kEntries);
    }

    std::printf("fault %-24s %s after %.2f s (%.1f s on the command's clock), %s, %s, "
                "next command %s\n",
                QTest::currentDataTag(), succeeds ? "Read OK" : "ERROR", seconds,
                seconds * clockFactor,
                messageTitles.isEmpty()
                    ? "no message"
                    : qPrintable(QString("message \"%1\"").arg(messageTitles.join("\", \""))),
                qPrintable(outcome), qPrintable(f.Status()));
    std::fflush(stdout);
}

QTEST_MAIN(TestFaultRun)
#include "tst_faultrun.moc"
