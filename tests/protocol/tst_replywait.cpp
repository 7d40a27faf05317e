// The wait itself: the 20-second limit on the time of day (midnight included), sleeping
// instead of spinning, events dispatched after every byte, a connection lost under the wait,
// and a line that never falls silent.

#include "replyfixture.h"

#include <QTest>

using namespace morvane;
using namespace morvane::testing;

class TestReceiveWait : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        h = std::make_unique<ReceiveHarness>();
        h->Read();
    }

    void timeoutElapsed_data()
    {
        QTest::addColumn<float>("now");
        QTest::addColumn<float>("start");
        QTest::addColumn<int>("result");
        QTest::newRow("no time") << 43200.0f << 43200.0f << 0;
        QTest::newRow("20.00 s is not yet") << 43220.0f << 43200.0f << 0;
        QTest::newRow("20.01 s is") << 43220.01f << 43200.0f << 4;
        QTest::newRow("across midnight, 20.00 s") << 15.0f << 86395.0f << 0;
        QTest::newRow("across midnight, 20.01 s") << 15.01f << 86395.0f << 4;
        QTest::newRow("across midnight, 10 s") << 5.0f << 86395.0f << 0;
        QTest::newRow("from midnight") << 20.5f << 0.0f << 4;
        QTest::newRow("clock stepped back") << 43100.0f << 43200.0f << 4;
    }

    void timeoutElapsed()
    {
        QFETCH(float, now);
        QFETCH(float, start);
        QFETCH(int, result);
        QCOMPARE(TimeoutElapsedAt(now, start, kReceiveTimeLimit), result);
    }

    // The clock jumps to each given second after the start, one idle pump at a time.
    void limitOnTheHostClock_data()
    {
        QTest::addColumn<std::vector<double>>("clock");
        QTest::addColumn<bool>("replyAtLast"); // the reply arrives with the last step
        QTest::addColumn<ReceiveOutcome>("outcome");
        QTest::newRow("20.00 s, then a reply")
            << std::vector<double>{19.99, 20.0} << true << ReceiveOutcome::Answered;
        QTest::newRow("20.01 s, silent")
            << std::vector<double>{19.99, 20.0, 20.01} << false << ReceiveOutcome::TimedOut;
    }

    void limitOnTheHostClock()
    {
        QFETCH(std::vector<double>, clock);
        QFETCH(bool, replyAtLast);
        QFETCH(ReceiveOutcome, outcome);
        const double start = h->host.now;
        std::size_t step = 0;
        h->host.onPump = [&](int maxWaitMs) {
            if (maxWaitMs == 0 || step == clock.size())
                return;
            h->host.now = start + clock[step++];
            if (replyAtLast && step == clock.size())
                h->port.QueueInput(Hex(kReadReply));
        };
        QCOMPARE(h->Receive().outcome, outcome);
        QCOMPARE(step, clock.size());
        QCOMPARE(h->host.now, start + clock.back());
    }

    void startedBeforeMidnight()
    {
        h->host.now = 86395; // 23:59:55
        QCOMPARE(h->Receive().outcome, ReceiveOutcome::TimedOut);
        QVERIFY2(h->host.now > 15.0 && h->host.now < 15.2, std::to_string(h->host.now).c_str());
    }

    // The wait sleeps rather than spins, and its last sleep ends at the limit, however short:
    // a scan's probe waits a few character times.
    void silentWaitSleepsToTheLimit_data()
    {
        QTest::addColumn<float>("limit");
        QTest::newRow("20 s") << kReceiveTimeLimit;
        QTest::newRow("a probe's 82 ms") << 0.082f;
        QTest::newRow("shorter than one idle sleep") << 0.012f;
    }

    void silentWaitSleepsToTheLimit()
    {
        QFETCH(float, limit);
        h->link.ReceiveTimeLimit = limit;
        QCOMPARE(h->Receive().outcome, ReceiveOutcome::TimedOut);
        QVERIFY(!h->waits.empty());
        for (int wait : h->waits)
            QVERIFY(wait >= 1 && wait <= kReceiveIdleWaitMs);
        QVERIFY(h->waits.size() <= std::size_t(limit * 1000 / kReceiveIdleWaitMs) + 3);
        // The time of day is a float of seconds: about 4 ms apart at noon.
        QVERIFY2(h->Elapsed() > limit - 0.004 && h->Elapsed() < limit + 0.01,
                 std::to_string(h->Elapsed()).c_str());
    }

    // Once the bytes the port holds are taken, pending events are dispatched, which also
    // hands over bytes that arrived meanwhile; the burst goes on without an idle sleep.
    void eventsDispatchedBetweenChunks()
    {
        const auto reply = Hex(kReadReply);
        h->chunks.emplace_back(reply.begin(), reply.begin() + 5);
        std::deque<std::vector<std::uint8_t>> later{{reply.begin() + 5, reply.begin() + 15},
                                                    {reply.begin() + 15, reply.end()}};
        h->extraOnPump = [&](int maxWaitMs) {
            if (maxWaitMs == 0 && !later.empty()) {
                h->port.QueueInput(later.front());
                later.pop_front();
            }
        };
        QVERIFY(h->Receive().Answered());
        QCOMPARE(h->waits, (std::vector<int>{kReceiveIdleWaitMs, 0, 0}));
    }

    // The watchdog's tick runs inside the wait, and the wait goes on after its message.
    void watchdogTicksDuringTheWait()
    {
        std::vector<double> ticks;
        h->host.StartWatchdog();
        h->host.onWatchdogTick = [&] {
            ticks.push_back(h->host.now);
            h->host.StopWatchdog();
        };
        h->extraOnPump = [this](int) {
            if (h->Elapsed() > 2.0 && h->port.InBufferCount() == 0 && h->host.rxEcho.empty())
                h->port.QueueInput(Hex(kReadReply));
        };
        QVERIFY(h->Receive().Answered());
        QCOMPARE(ticks.size(), std::size_t(1));
        QVERIFY(ticks[0] - h->startedAt >= 1.0);
    }

    void connectionLostEndsTheWaitAtOnce()
    {
        h->host.StartWatchdog();
        h->chunks.push_back(Hex("0103120002")); // part of a reply, then the device goes
        int pumpsAtLoss = 0;
        h->extraOnPump = [&](int maxWaitMs) {
            if (maxWaitMs > 0 && h->Elapsed() > 3.0 && pumpsAtLoss == 0) {
                h->port.LoseConnection();
                pumpsAtLoss = int(h->waits.size());
            }
        };
        const ReceiveResult result = h->Receive();
        QCOMPARE(result.outcome, ReceiveOutcome::ConnectionLost);
        QCOMPARE(int(h->waits.size()), pumpsAtLoss);
        // What the caller needs to tell the user which device went, and why.
        QCOMPARE(result.device, h->port.DeviceName());
        QVERIFY(!result.device.empty());
        QVERIFY(!h->port.PortOpen());
        QVERIFY(!h->host.WatchdogActive());
        QVERIFY(h->ImageUntouched());
    }

    void portNeverOpenedEndsQuietly()
    {
        h->port.SetPortOpen(false);
        const ReceiveResult result = h->Receive();
        QCOMPARE(result.outcome, ReceiveOutcome::ConnectionLost);
        QVERIFY(h->waits.empty());
        QVERIFY(result.device.empty()); // nothing for the caller to report: the opener did
    }

    // A line that delivers without pause still cannot hold the wait past its limit.
    void endlessNoiseStillTimesOut()
    {
        h->byteStep = 0.05;
        h->extraOnPump = [this](int) {
            if (h->port.InBufferCount() < 10)
                h->port.QueueInput(std::vector<std::uint8_t>(500, 0xFF));
        };
        QCOMPARE(h->Receive().outcome, ReceiveOutcome::TimedOut);
        QVERIFY(h->Elapsed() > kReceiveTimeLimit && h->Elapsed() < kReceiveTimeLimit + 1);
        QVERIFY(h->ImageUntouched());
    }

    void startFlag()
    {
        std::int16_t flag = 0;
        h->Queue(kReadReply);
        QVERIFY(ModbusReceive(h->link, 1, flag).Answered());
        QCOMPARE(flag, 1);
        // A set flag continues the earlier receive, on its clock.
        h->link.state.RxState.startTime = float(h->host.now - 30);
        h->waits.clear();
        QCOMPARE(ModbusReceive(h->link, 1, flag).outcome, ReceiveOutcome::TimedOut);
        QCOMPARE(std::count_if(h->waits.begin(), h->waits.end(), [](int w) { return w > 0; }), 0);
    }

  private:
    std::unique_ptr<ReceiveHarness> h;
};

QTEST_APPLESS_MAIN(TestReceiveWait)
#include "tst_replywait.moc"
