#pragma once
// The link's host where nobody watches the bytes go by: the command line, whose script waits
// for the exit status, and a scan, whose probes are far shorter than the watchdog's second.
// No echoes, no watchdog; the wait pumps Qt's events, as the port needs.

#include "port/eventpump.h"
#include "protocol/linkhost.h"

namespace morvane
{

class HeadlessHost final : public LinkHost
{
  public:
    void ClearEchoes() override {}
    void AppendTxEcho(std::string_view) override {}
    void AppendRxEcho(std::string_view) override {}
    void StartWatchdog() override {}
    void StopWatchdog() override {}
    bool WatchdogActive() const override { return false; }
    void PumpEvents(int maxWaitMs) override { m_pump.Pump(maxWaitMs); }
    double SecondsSinceMidnight() override { return m_clock.SecondsSinceMidnight(); }

  private:
    QtEventPump m_pump;
    LocalTimeOfDay m_clock;
};

} // namespace morvane
