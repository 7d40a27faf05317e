#include "fakelinkhost.h"

namespace morvane::testing
{

void FakeLinkHost::StartWatchdog()
{
    watchdogActive = true;
    watchdogStartedAt = now;
}

void FakeLinkHost::PumpEvents(int maxWaitMs)
{
    ++pumps;
    now += pumpStepSeconds;
    if (now >= 86400)
        now -= 86400;
    if (watchdogActive && onWatchdogTick) {
        double elapsed = now - watchdogStartedAt;
        if (elapsed < 0)
            elapsed += 86400;
        if (elapsed >= 1.0)
            onWatchdogTick();
    }
    if (onPump)
        onPump(maxWaitMs);
}

} // namespace morvane::testing
