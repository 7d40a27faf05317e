#pragma once
// The event pump of a Qt LinkHost: dispatches what is pending and, when asked to wait,
// sleeps in the event loop until something happens (bytes arriving at a serial port, a
// timer, user input) or a wake-up timer fires. Never spins.

#include <QTimer>

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

} // namespace morvane
