#include "link/eventpump.h"

#include <QCoreApplication>
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

} // namespace morvane
