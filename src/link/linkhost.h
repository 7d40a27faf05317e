#pragma once
// What the link needs of the window it serves: the status line, the two byte echoes, the
// watchdog, message boxes, the event pump and the time of day. The window implements it;
// tests implement it with a fake clock and a scripted pump.

#include <string>
#include <string_view>

namespace morvane
{

class LinkHost
{
  public:
    virtual ~LinkHost() = default;

    virtual void SetStatus(const std::string& text) = 0; // the status line Text2

    virtual void ClearEchoes() = 0;                       // txtTX and txtRX
    virtual void AppendTxEcho(std::string_view text) = 0; // txtTX
    virtual void AppendRxEcho(std::string_view text) = 0; // txtRX

    virtual void StartWatchdog() = 0; // Timer1
    virtual void StopWatchdog() = 0;
    virtual bool WatchdogActive() const = 0;

    // A message box with one OK button and no icon; returns when the user dismisses it.
    virtual void ShowMessage(const std::string& title, const std::string& text) = 0;

    // Dispatches every pending window event. With maxWaitMs > 0 and nothing pending, sleeps
    // until the next event (bytes arriving at the port among them) or until maxWaitMs pass.
    virtual void PumpEvents(int maxWaitMs) = 0;

    // Seconds since midnight, with a fractional part.
    virtual double SecondsSinceMidnight() = 0;
};

} // namespace morvane
