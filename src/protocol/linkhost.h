#pragma once
// What the link needs from whoever runs it: a place to echo the bytes of each exchange, the
// no-response watchdog, a way to wait without blocking everything else, and the time of day.
// The link decides nothing that a user reads; it reports outcomes and its caller chooses the
// words. The window implements this with its widgets and timer, the tests with a fake clock.

#include <string_view>

namespace morvane
{

class LinkHost
{
  public:
    virtual ~LinkHost() = default;

    // The byte echoes, txtTX and txtRX in the window.
    virtual void ClearEchoes() = 0;
    virtual void AppendTxEcho(std::string_view text) = 0;
    virtual void AppendRxEcho(std::string_view text) = 0;

    // The one-second no-response watchdog, Timer1 in the window.
    virtual void StartWatchdog() = 0;
    virtual void StopWatchdog() = 0;
    virtual bool WatchdogActive() const = 0;

    // Dispatches every pending event. With maxWaitMs > 0 and nothing pending, sleeps until the
    // next event (bytes arriving at the port among them) or until maxWaitMs pass.
    virtual void PumpEvents(int maxWaitMs) = 0;

    // Seconds since midnight, with a fractional part.
    virtual double SecondsSinceMidnight() = 0;
};

} // namespace morvane
