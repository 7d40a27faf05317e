#include "port/eventpump.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>

namespace morvane
{

QtEventPump::QtEventPump()
{
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
}

void QtEventPump::Pump(int maxWaitMs)
{
    if (maxWaitMs <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // The timer's own event is what ends the sleep when nothing else does.
    m_wake.start(maxWaitMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    m_wake.stop();
}

double LocalTimeOfDay::SecondsSinceMidnight()
{
    constexpr qint64 kMsPerDay = 86400000;
    const qint64 utcMs = QDateTime::currentMSecsSinceEpoch();
    // Local time proper reads the time-zone file on every call; the offset from UTC changes
    // twice a year at most, so it is looked up once a minute.
    if (utcMs >= m_offsetValidUntilMs) {
        m_offsetMs = qint64{QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc()} * 1000;
        m_offsetValidUntilMs = utcMs + 60000;
    }
    const qint64 localMs = ((utcMs + m_offsetMs) % kMsPerDay + kMsPerDay) % kMsPerDay;
    return localMs / 1000.0;
}

} // namespace morvane
