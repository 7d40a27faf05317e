#include "protocol/replydecode.h"

#include "protocol/modbus.h"
#include "protocol/requests.h"
#include "protocol/rtuframer.h"

namespace morvane
{

namespace
{

bool EchoesWriteRequest(const LinkState& state)
{
    using modbus::HighByte;
    using modbus::LowByte;
    const LastRequestRecord& request = state.LastRequest;
    const std::int32_t address = ModbusWireAddress(request.start);
    const auto& rx = state.RxBuf;
    return rx[2] == HighByte(address) && rx[3] == LowByte(address) &&
           rx[4] == HighByte(request.count) && rx[5] == LowByte(request.count);
}

} // namespace

ReplyKind ModbusClassifyReply(const LinkState& state)
{
    const LastRequestRecord& request = state.LastRequest;
    const auto& rx = state.RxBuf;
    if (rx[0] != request.slave)
        return ReplyKind::Unrelated;
    if (IsExceptionReplyTo(rx[1], request.function) &&
        state.RxState.expectedLength == modbus::kExceptionReplyLength)
        return ReplyKind::Refusal;
    if (rx[1] != request.function)
        return ReplyKind::Unrelated;
    if (request.function == modbus::kReadHoldingRegisters)
        return rx[2] / 2 == request.count ? ReplyKind::Answer : ReplyKind::Unrelated;
    if (request.function == modbus::kWriteMultipleRegisters)
        return EchoesWriteRequest(state) ? ReplyKind::Answer : ReplyKind::Unrelated;
    return ReplyKind::Unrelated;
}

void ModbusDecodeResponse(LinkState& state)
{
    if (state.LastRequest.function != modbus::kReadHoldingRegisters ||
        ModbusClassifyReply(state) != ReplyKind::Answer)
        return;
    const int count = state.LastRequest.count;
    const int first = state.ImageBase;
    if (count <= 0 || first < 0 || first + count > kLinkBufferSize ||
        2 + 2 * count >= kLinkBufferSize)
        return;
    for (int k = 1; k <= count; ++k)
        state.RegImage[first + k - 1] =
            modbus::Word(state.RxBuf[1 + 2 * k], state.RxBuf[2 + 2 * k]);
}

} // namespace morvane
