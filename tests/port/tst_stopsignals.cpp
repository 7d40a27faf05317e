// The stop signals as the event loop sees them: noted at once, told once from the loop, and
// given back as they were; a signal that was ignored (a run under nohup) stays ignored.

#include "port/stopsignals.h"

#include <QSignalSpy>
#include <QtTest>

#include <csignal>
#include <unistd.h>

using namespace morvane;

class TestStopSignals : public QObject
{
    Q_OBJECT
  private slots:
    void caughtOnceAndGivenBack_data();
    void caughtOnceAndGivenBack();
};

void TestStopSignals::caughtOnceAndGivenBack_data()
{
    QTest::addColumn<bool>("ignoredBefore");
    QTest::newRow("a hang-up") << false;
    QTest::newRow("a hang-up under nohup") << true;
}

void TestStopSignals::caughtOnceAndGivenBack()
{
    QFETCH(bool, ignoredBefore);
    std::signal(SIGHUP, ignoredBefore ? SIG_IGN : SIG_DFL);
    struct sigaction before {
    };
    QCOMPARE(::sigaction(SIGTERM, nullptr, &before), 0);
    {
        StopSignals stops(CommandLineStopSignals());
        QSignalSpy told(&stops, &StopSignals::caught);
        QCOMPARE(::kill(::getpid(), SIGHUP), 0);
        QCOMPARE(stops.Caught(), ignoredBefore ? 0 : SIGHUP); // before the event loop ran
        QCOMPARE(::kill(::getpid(), SIGTERM), 0);
        QTest::qWait(50);
        QCOMPARE(stops.Caught(), ignoredBefore ? SIGTERM : SIGHUP); // the first one counts
        QCOMPARE(told.count(), 1);
        QCOMPARE(told.at(0).at(0).toInt(), stops.Caught());
    }
    struct sigaction after {
    };
    QCOMPARE(::sigaction(SIGHUP, nullptr, &after), 0);
    QVERIFY(after.sa_handler == (ignoredBefore ? SIG_IGN : SIG_DFL));
    QCOMPARE(::sigaction(SIGTERM, nullptr, &after), 0);
    QVERIFY(after.sa_handler == before.sa_handler);
    std::signal(SIGHUP, SIG_DFL);
}

QTEST_GUILESS_MAIN(TestStopSignals)
#include "tst_stopsignals.moc"
