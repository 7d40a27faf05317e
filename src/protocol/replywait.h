#pragma once
// Waiting for the reply to the request just sent: the bytes are taken from the port as they
// arrive, run through the framer, and the wait ends when a frame answers the request, the
// controller refuses it, the connection goes, or the link's time limit (20 seconds unless it
// is told otherwise) passes.

#include "protocol/link.h"

#include <cstdint>
#include <string>

namespace morvane
{

// Longest sleep between two looks at the clock while the line is idle; arriving bytes and
// window events wake the wait earlier.
inline constexpr int kReceiveIdleWaitMs = 50;

enum class ReceiveOutcome : std::int16_t {
    Answered = 1,        // a frame answering the last request arrived
    TimedOut = -1,       // the time limit passed without one
    Refused = -2,        // the controller sent an exception reply
    ConnectionLost = -3, // the port closed under the wait, or was not open to begin with
};

struct ReceiveResult {
    ReceiveOutcome outcome = ReceiveOutcome::TimedOut;
    std::int16_t exceptionCode = 0; // the refusal's code; 0 for the other outcomes
    // For a connection lost during the wait: the device that went away and the system's words
    // for it. Both empty when the port was never open.
    std::string device;
    std::string systemText;

    // The receiver's result code: 1 answered, -1 timed out, below -1 for the other failures.
    std::int16_t Code() const { return static_cast<std::int16_t>(outcome); }
    bool Answered() const { return outcome == ReceiveOutcome::Answered; }
};

// 4 when more than limit seconds lie between startTime and now (both seconds since midnight;
// a start after now means midnight has passed), otherwise 0.
std::int16_t TimeoutElapsedAt(float now, float startTime, float limit);
// The same on the host's time of day.
std::int16_t TimeoutElapsed(Link& link, float startTime, float limit);

// Waits for the reply to LastRequest from expectedSlave. With startFlag 0 the receive starts
// afresh (framer reset, clock restarted) and sets it to 1. Keeps the host's events flowing
// and sleeps while the line is idle. Every byte received stops the watchdog; an answer to a
// read is decoded into RegImage. A connection lost during the wait leaves the port closed
// and the watchdog stopped. Telling the user is the caller's part.
ReceiveResult ModbusReceive(Link& link, std::int16_t expectedSlave, std::int16_t& startFlag);

} // namespace morvane
