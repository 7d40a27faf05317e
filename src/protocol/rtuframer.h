#pragma once
// The reply framer: fed one received byte at a time, it assembles a Modbus RTU reply in
// RxBuf, knows its length from the first three bytes and checks its CRC. No I/O and no clock,
// so every path through it can be tested and fuzzed on its own.

#include "protocol/linkstate.h"

#include <cstdint>

namespace morvane
{

enum class FrameStep {
    Dropped,  // the byte belongs to no frame; the framer hunts for an address byte
    Accepted, // the byte extends the frame being assembled
    Valid,    // the byte completed a frame whose CRC checks; the frame is in RxBuf
    Invalid,  // the byte completed a frame whose CRC does not check; it is dropped whole
};

// Starts hunting for a new frame (count and function cleared; expectedLength is always set
// again before it matters).
void ModbusResetReceiver(LinkState& state);

// Runs one byte through the framer. Reply lengths: functions 1 to 4 carry a byte count
// (length = count + 5), functions 5, 6, 15 and 16 are 8 bytes, and the exception reply to
// the last request (its function + 0x80) is 5 bytes. Any other function byte drops the
// frame at byte 1.
FrameStep ModbusReceiveByte(LinkState& state, std::int16_t expectedSlave, std::uint8_t b);

// Whether a function byte is the exception reply to a request with requestFunction.
bool IsExceptionReplyTo(int function, int requestFunction);

} // namespace morvane
