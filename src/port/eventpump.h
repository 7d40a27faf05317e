#pragma once
// The event pump of a Qt LinkHost: dispatches what is pending and, when asked to wait,
// sleeps in the event loop until something happens (bytes arriving at a serial port, a
// timer, user input) or a wake-up timer fires. Never spins.

#include <QTimer>
#include <QtGlobal>

namespace morvane
{

class QtEventPump
{
  public:
    QtEventPump();

    // Dispatches every pending event; with maxWaitMs > 0 and nothing pending, first sleeps
    // until the next event or until maxWaitMs pass.
    void Pump(int maxWaitMs);

  private:
    QTimer m_wake;
};

// The local time of day for a Qt LinkHost, cheap enough to read on every pass of the wait.
class LocalTimeOfDay
{
  public:
    // Seconds since local midnight, with milliseconds.
    double SecondsSinceMidnight();

  private:
    qint64 m_offsetMs = 0;
    qint64 m_offsetValidUntilMs = 0;
};

} // namespace morvane
