#include "protocol/rtuframer.h"

#include "protocol/crc16.h"
#include "protocol/modbus.h"

namespace morvane
{

namespace
{

// Stores b as byte `count` of the frame if it belongs there; false drops it.
bool TakeByte(LinkState& state, std::int16_t expectedSlave, std::uint8_t b)
{
    ReceiverRecord& rx = state.RxState;
    switch (rx.count) {
    case 0:
        rx.function = 0;
        break;
    case 1:
        if (IsExceptionReplyTo(b, state.LastRequest.function))
            rx.expectedLength = modbus::kExceptionReplyLength;
        else if (!modbus::HasByteCount(b) && !modbus::HasFixedLength(b)) {
            rx.count = 0; // not re-examined as an address byte
            return false;
        }
        rx.function = b;
        break;
    case 2:
        if (modbus::HasByteCount(rx.function))
            rx.expectedLength = static_cast<std::int16_t>(b + 5);
        else if (modbus::HasFixedLength(rx.function))
            rx.expectedLength = modbus::kFixedReplyLength;
        break;
    default:
        break;
    }
    if (rx.count == 0 && b != expectedSlave)
        return false;
    state.RxBuf[rx.count] = b;
    return true;
}

FrameStep CompleteFrame(LinkState& state)
{
    const int length = state.RxState.expectedLength;
    state.RxState.count = 0;
    ModbusCrc16(state, static_cast<std::int16_t>(length - 2), 0);
    const bool valid =
        state.RxBuf[length - 2] == state.CrcHi && state.RxBuf[length - 1] == state.CrcLo;
    return valid ? FrameStep::Valid : FrameStep::Invalid;
}

} // namespace

bool IsExceptionReplyTo(int function, int requestFunction)
{
    return requestFunction >= 1 && requestFunction < modbus::kExceptionFlag &&
           function == requestFunction + modbus::kExceptionFlag;
}

void ModbusResetReceiver(LinkState& state)
{
    state.RxState.count = 0;
    state.RxState.function = 0;
}

FrameStep ModbusReceiveByte(LinkState& state, std::int16_t expectedSlave, std::uint8_t b)
{
    ReceiverRecord& rx = state.RxState;
    // The record is plain shared state; never let a stale value index outside RxBuf.
    if (rx.count < 0 || rx.count >= kLinkBufferSize ||
        (rx.count > 2 && rx.count >= rx.expectedLength))
        ModbusResetReceiver(state);
    if (!TakeByte(state, expectedSlave, b))
        return FrameStep::Dropped;
    if (rx.count >= modbus::kExceptionReplyLength - 1 && rx.count == rx.expectedLength - 1)
        return CompleteFrame(state);
    ++rx.count;
    return FrameStep::Accepted;
}

} // namespace morvane
