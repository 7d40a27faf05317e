// The stop signals as the event loop sees them: noted at once, told once from the loop, and
// given back as they were; a signal that was ignored (a run under nohup) stays ignored.

#include "port/stopsignals.h"

#include <QSignalSpy>
#include <QtTest>

#include <csignal>
#include <unistd.h>
#include <vector>

using namespace morvane;

class TestStopSignals : public QObject
{
    Q_OBJECT
  private slots:
    void caughtOnceFromTheEventLoop_data();
    void caughtOnceFromTheEventLoop();
};

void TestStopSignals::caughtOnceFromTheEventLoop_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("ignoredBefore");
    QTest::newRow("Ctrl-C") << SIGINT << false;
    QTest::newRow("a kill") << SIGTERM << false;
    QTest::newRow("a hang-up") << SIGHUP << false;
    QTest::newRow("a hang-up under nohup") << SIGHUP << true;
}

void TestStopSignals::caughtOnceFromTheEventLoop()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, ignoredBefore);
    std::signal(signalNumber, ignoredBefore ? SIG_IGN : SIG_DFL);
    const std::vector<int> stopSignals = CommandLineStopSignals();
    std::vector<struct sigaction> before(stopSignals.size());
    for (std::size_t i = 0; i < stopSignals.size(); ++i)
        QCOMPARE(::sigaction(stopSignals[i], nullptr, &before[i]), 0);
    const int expected = ignoredBefore ? 0 : signalNumber;
    {
        StopSignals stops(CommandLineStopSignals());
        QSignalSpy told(&stops, &StopSignals::caught);
        QCOMPARE(::kill(::getpid(), signalNumber), 0);
        QCOMPARE(stops.Caught(), expected);
        QCOMPARE(told.count(), 0); // nothing runs inside the handler
        // A second signal changes nothing: the first one is the stop.
        const int other = signalNumber == SIGTERM ? SIGINT : SIGTERM;
        QCOMPARE(::kill(::getpid(), other), 0);
        QTest::qWait(50);
        QCOMPARE(stops.Caught(), ignoredBefore ? other : signalNumber);
        QCOMPARE(told.count(), 1);
        QCOMPARE(told.at(0).at(0).toInt(), stops.Caught());
    }
    for (std::size_t i = 0; i < stopSignals.size(); ++i) {
        struct sigaction after {
        };
        QCOMPARE(::sigaction(stopSignals[i], nullptr, &after), 0);
        QVERIFY(after.sa_handler == before[i].sa_handler);
    }
    std::signal(signalNumber, SIG_DFL);
}

QTEST_GUILESS_MAIN(TestStopSignals)
#include "tst_stopsignals.moc"
