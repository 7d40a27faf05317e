#include "protocol/replywait.h"

#include "protocol/replydecode.h"
#include "protocol/requests.h"
#include "protocol/rtuframer.h"

namespace morvane
{

namespace
{

// A line that never falls silent must not hold the wait past its limit: after this many
// bytes in one burst the clock is looked at again.
constexpr int kMostBytesPerBurst = 1024;
constexpr float kSecondsPerDay = 86400;

struct ReceiveRun {
    Link& link;
    std::int16_t expectedSlave;
    bool decided = false;
    ReceiveResult result;
};

float TimeOfDay(Link& link)
{
    const double t = link.host.SecondsSinceMidnight();
    return t >= 0 && t <= kSecondsPerDay ? static_cast<float>(t) : 0.0f;
}

void ActOnValidFrame(ReceiveRun& run)
{
    LinkState& state = run.link.state;
    switch (ModbusClassifyReply(state)) {
    case ReplyKind::Answer:
        ModbusDecodeResponse(state);
        run.result = {ReceiveOutcome::Answered, 0, {}, {}};
        run.decided = true;
        break;
    case ReplyKind::Refusal:
        run.result = {ReceiveOutcome::Refused, state.RxBuf[2], {}, {}};
        run.decided = true;
        break;
    case ReplyKind::Unrelated:
        break;
    }
}

// The echo comes after the framer: the last byte decides the read without waiting for it.
void HandleByte(ReceiveRun& run, std::uint8_t b)
{
    run.link.host.StopWatchdog();
    // Bytes that follow the deciding frame in the same burst are still taken and echoed,
    // but only the first decision counts.
    if (ModbusReceiveByte(run.link.state, run.expectedSlave, b) == FrameStep::Valid && !run.decided)
        ActOnValidFrame(run);
    run.link.host.AppendRxEcho(ModbusEchoText(b));
}

// Takes the bytes waiting at the port one at a time. Once those the port holds are taken,
// pending events are dispatched (the window stays live, and bytes that reached the port
// meanwhile are handed over) and the burst goes on while more came. True when the input ran
// dry (or the port closed), false when the burst was cut short.
bool ReadBurst(ReceiveRun& run)
{
    SerialPort& port = run.link.port;
    for (int taken = 0; taken < kMostBytesPerBurst; ++taken) {
        if (!port.PortOpen())
            return true;
        if (port.InBufferCount() <= 0) {
            if (taken == 0 || run.decided)
                return true;
            run.link.host.PumpEvents(0);
            if (!port.PortOpen() || port.InBufferCount() <= 0)
                return true;
        }
        const std::optional<std::uint8_t> b = port.Input();
        if (!b)
            return true;
        HandleByte(run, *b);
    }
    return false;
}

// The idle sleep ends no later than the limit: with a limit of a few character times (a scan's
// probe) a whole idle wait past it would double the probe.
int IdleWaitMs(Link& link)
{
    const float now = TimeOfDay(link);
    float waited = now - link.state.RxState.startTime;
    if (waited < 0)
        waited += kSecondsPerDay;
    const float left = link.ReceiveTimeLimit - waited;
    if (left >= kReceiveIdleWaitMs / 1000.0f)
        return kReceiveIdleWaitMs;
    return left > 0 ? static_cast<int>(left * 1000) + 1 : 1;
}

// The device went away under the wait: the port is closed now, so that a port that keeps
// reporting its loss cannot spin, and the watchdog has nothing left to warn about.
ReceiveResult LoseConnection(Link& link)
{
    ReceiveResult lost{ReceiveOutcome::ConnectionLost, 0, link.port.DeviceName(),
                       link.port.LastFaultText()};
    link.port.SetPortOpen(false);
    link.host.StopWatchdog();
    return lost;
}

} // namespace

std::int16_t TimeoutElapsedAt(float now, float startTime, float limit)
{
    if (startTime > now)
        now += kSecondsPerDay;
    return now - startTime > limit ? 4 : 0;
}

std::int16_t TimeoutElapsed(Link& link, float startTime, float limit)
{
    return TimeoutElapsedAt(TimeOfDay(link), startTime, limit);
}

ReceiveResult ModbusReceive(Link& link, std::int16_t expectedSlave, std::int16_t& startFlag)
{
    LinkState& state = link.state;
    if (startFlag == 0) {
        ModbusResetReceiver(state);
        state.RxState.startTime = TimeOfDay(link);
        startFlag = 1;
    }
    ReceiveRun run{link, expectedSlave, false, {}};
    // A port closed from the start was never opened, and its opener has said why.
    if (!link.port.PortOpen())
        return {ReceiveOutcome::ConnectionLost, 0, {}, {}};
    for (;;) {
        // A limit found here still lets the bytes already waiting be read.
        const bool late = TimeoutElapsed(link, state.RxState.startTime, link.ReceiveTimeLimit) == 4;
        const bool inputDry = ReadBurst(run);
        if (run.decided)
            break;
        if (!link.port.PortOpen())
            return LoseConnection(link);
        if (late)
            return {ReceiveOutcome::TimedOut, 0, {}, {}};
        if (inputDry)
            link.host.PumpEvents(IdleWaitMs(link));
    }
    return run.result;
}

} // namespace morvane
