// The command line against a controller that never answers: it gives up at the 20-second
// limit on the wall clock with exit status 4, and says what came back instead of an answer:
// the window's no-response words when nothing did.

#include "clirun.h"
#include "simprocess.h"

#include <QElapsedTimer>
#include <QTest>

using namespace morvane::testing;

class TestCliLimit : public QObject
{
    Q_OBJECT
  private slots:
    void unansweredReadEndsAtTheLimit_data();
    void unansweredReadEndsAtTheLimit();
};

void TestCliLimit::unansweredReadEndsAtTheLimit_data()
{
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("told"); // each found in standard error
    const QString cameBack = "No valid answer from Morvane within 20 s, but bytes came back:\n";
    QTest::newRow("silent") << QStringList{"--silent"} << QStringList{}
                            << QStringList{"No Response From Morvane\nCheck Power and Comms "
                                           "Connection\n"};
    QTest::newRow("wrong CRC, traced")
        << QStringList{"--bad-crc"} << QStringList{"--trace"}
        << QStringList{cameBack + "1 reply with a wrong CRC: check the baud rate and the wiring.\n",
                       "\treceived\t01 03 12 00 02 00 01 00 00 00 64 01 F4 00 14 00 01 00 03 00 "
                       "00 78 EC\tCRC wrong\n"};
    QTest::newRow("another slave")
        << QStringList{"--slave-answer", "2"} << QStringList{}
        << QStringList{cameBack + "1 reply from slave 2: check the address, which must be 1.\n"};
}

void TestCliLimit::unansweredReadEndsAtTheLimit()
{
    QFETCH(QStringList, switches);
    QFETCH(QStringList, options);
    QFETCH(QStringList, told);
    SimProcess sim;
    const QString device = sim.Start(switches);
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    QElapsedTimer clock;
    clock.start();
    const CliRun run = RunCli(QStringList{"read", "--port", device} + options, 40000);
    const qint64 elapsed = clock.elapsed();

    QCOMPARE(run.exitCode, 4);
    QVERIFY2(elapsed >= 20000 && elapsed < 23000, qPrintable(QString::number(elapsed)));
    for (const QString& words : told)
        QVERIFY2(run.err.contains(words), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(sim.RequestCount(), 1);
}

QTEST_GUILESS_MAIN(TestCliLimit)
#include "tst_cli_limit.moc"
