#include "link/receiver.h"

#include "link/crc16.h"
#include "link/requests.h"

namespace morvane
{

namespace
{

constexpr int kExceptionBit = 0x80;
constexpr int kExceptionLength = 5; // address, function, code, two CRC bytes

bool HasByteCount(int function)
{
    return function >= 1 && function <= 4;
}
bool IsFixedLength(int function)
{
    return function == 5 || function == 6 || function == 15 || function == 16;
}

bool IsExceptionOf(int function, int requestFunction)
{
    return requestFunction >= 1 && requestFunction < kExceptionBit &&
           function == requestFunction + kExceptionBit;
}

// Stores b as byte `count` of the frame if it belongs there; false drops it.
bool TakeByte(LinkState& state, std::int16_t expectedSlave, std::uint8_t b)
{
    ReceiverRecord& rx = state.RxState;
    switch (rx.count) {
    case 0:
        rx.function = 0;
        break;
    case 1:
        if (IsExceptionOf(b, state.LastRequest.function))
            rx.expectedLength = kExceptionLength;
        else if (!HasByteCount(b) && !IsFixedLength(b)) {
            rx.count = 0; // not re-examined as an address byte
            return false;
        }
        rx.function = b;
        break;
    case 2:
        if (HasByteCount(rx.function))
            rx.expectedLength = static_cast<std::int16_t>(b + 5);
        else if (IsFixedLength(rx.function))
            rx.expectedLength = 8;
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

bool EchoesWriteRequest(const LinkState& state)
{
    const LastRequestRecord& request = state.LastRequest;
    const std::int32_t address = ModbusWireAddress(request.start);
    const auto& rx = state.RxBuf;
    return rx[2] == address / 256 && rx[3] == (address & 0xFF) && rx[4] == request.count / 256 &&
           rx[5] == (request.count & 0xFF);
}

} // namespace

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
    if (rx.count >= kExceptionLength - 1 && rx.count == rx.expectedLength - 1)
        return CompleteFrame(state);
    ++rx.count;
    return FrameStep::Accepted;
}

ReplyKind ModbusClassifyReply(const LinkState& state)
{
    const LastRequestRecord& request = state.LastRequest;
    const auto& rx = state.RxBuf;
    if (rx[0] != request.slave)
        return ReplyKind::Unrelated;
    if (IsExceptionOf(rx[1], request.function) && state.RxState.expectedLength == kExceptionLength)
        return ReplyKind::Refusal;
    if (rx[1] != request.function)
        return ReplyKind::Unrelated;
    if (request.function == 3)
        return rx[2] / 2 == request.count ? ReplyKind::Answer : ReplyKind::Unrelated;
    if (request.function == 16)
        return EchoesWriteRequest(state) ? ReplyKind::Answer : ReplyKind::Unrelated;
    return ReplyKind::Unrelated;
}

std::string ModbusExceptionName(int code)
{
    switch (code) {
    case 1:
        return "illegal function";
    case 2:
        return "illegal data address";
    case 3:
        return "illegal data value";
    case 4:
        return "slave device failure";
    default:
        return {};
    }
}

} // namespace morvane
