// The command line against a controller that never answers: it gives up at the 20-second
// limit on the wall clock, with the window's no-response words and exit status 4.

#include "clirun.h"
#include "simprocess.h"

#include <QElapsedTimer>
#include <QTest>

using namespace morvane::testing;

class TestCliLimit : public QObject
{
    Q_OBJECT
  private slots:
    void silentControllerEndsAtTheLimit();
};

void TestCliLimit::silentControllerEndsAtTheLimit()
{
    SimProcess sim;
    const QString device = sim.Start({"--silent"});
    QVERIFY2(!device.isEmpty(), qPrintable(sim.ErrorText()));
    QElapsedTimer clock;
    clock.start();
    const CliRun run = RunCli({"read", "--port", device}, 40000);
    const qint64 elapsed = clock.elapsed();

    QCOMPARE(run.exitCode, 4);
    QVERIFY2(elapsed >= 20000 && elapsed < 23000, qPrintable(QString::number(elapsed)));
    QVERIFY2(run.err.contains("No Response From Morvane\nCheck Power and Comms Connection\n"),
             qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(sim.RequestCount(), 1);
}

QTEST_GUILESS_MAIN(TestCliLimit)
#include "tst_cli_limit.moc"
