// The read's 20-second limit on the wall clock, once, through the real window: every other
// test of the limit runs on a fast clock.

#include "commandfixture.h"

#include <QtTest>

using namespace morvane;
using namespace morvane::testing;

class TestRealTime : public QObject
{
    Q_OBJECT
  private slots:
    void silentReadEndsAtTheRealTimeLimit();
};

void TestRealTime::silentReadEndsAtTheRealTimeLimit()
{
    CommandFixture f;
    QVERIFY2(f.StartSim({"--silent"}), qPrintable(f.sim.ErrorText()));
    QElapsedTimer clock;
    clock.start();
    f.window.Command1()->click();
    QVERIFY2(clock.elapsed() >= 20000 && clock.elapsed() < 22000,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(f.Status(), QString("ERROR"));
    QVERIFY(f.messages.isEmpty());
}

QTEST_MAIN(TestRealTime)
#include "tst_realtime.moc"
