#pragma once
// A host for the link without widgets: records the echoes and the watchdog, and runs on a
// clock the test moves. Each PumpEvents() call advances the clock by pumpStepSeconds and then
// runs onPump, where a test delivers bytes or faults.

#include "protocol/linkhost.h"

#include <functional>
#include <string>

namespace morvane::testing
{

class FakeLinkHost : public LinkHost
{
  public:
    void ClearEchoes() override { txEcho.clear(), rxEcho.clear(); }
    void AppendTxEcho(std::string_view text) override { txEcho += text; }
    void AppendRxEcho(std::string_view text) override { rxEcho += text; }
    void StartWatchdog() override;
    void StopWatchdog() override { watchdogActive = false; }
    bool WatchdogActive() const override { return watchdogActive; }
    void PumpEvents(int maxWaitMs) override;
    double SecondsSinceMidnight() override { return now; }

    // The watchdog's tick, as the window's timer would deliver it; the test wires it to the
    // tick handler. Called from PumpEvents once 1 s has passed since StartWatchdog().
    std::function<void()> onWatchdogTick;
    std::function<void(int maxWaitMs)> onPump;

    double now = 43200; // noon
    double pumpStepSeconds = 0.001;
    int pumps = 0;
    std::string txEcho;
    std::string rxEcho;
    bool watchdogActive = false;
    double watchdogStartedAt = 0;
};

} // namespace morvane::testing
