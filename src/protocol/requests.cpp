#include "protocol/requests.h"

#include "common/numbertext.h"
#include "protocol/crc16.h"
#include "protocol/modbus.h"

#include <algorithm>

namespace morvane
{

namespace
{

using modbus::HighByte;
using modbus::LowByte;

using modbus::kReadHoldingRegisters;
using modbus::kWriteMultipleRegisters;
constexpr int kHighestStart = 23078; // start + 9689 must stay a 16-bit signed number
constexpr int kMostWriteRegisters = (kLinkBufferSize - 9) / 2;

// Bytes 0 to 5, common to both requests: slave, function, wire address, register count.
void FillHeader(LinkState& state, std::int16_t slave, std::int16_t function, std::int16_t start,
                std::int16_t count)
{
    const std::int32_t address = ModbusWireAddress(start);
    state.TxBuf[0] = slave;
    state.TxBuf[1] = function;
    state.TxBuf[2] = HighByte(address);
    state.TxBuf[3] = LowByte(address);
    state.TxBuf[4] = HighByte(count);
    state.TxBuf[5] = LowByte(count);
}

// CRC of TxBuf[0..end-1] into TxBuf[end] and TxBuf[end + 1].
void AppendCrc(LinkState& state, int end)
{
    ModbusCrc16(state, static_cast<std::int16_t>(end), 1);
    state.TxBuf[end] = state.CrcHi;
    state.TxBuf[end + 1] = state.CrcLo;
}

bool RefuseRequest(Link& link)
{
    link.state.LastRequest = {};
    link.host.ClearEchoes();
    return false;
}

} // namespace

std::int32_t ModbusWireAddress(std::int16_t start)
{
    const std::int32_t a = std::int32_t{start} - 1;
    return a >= 299 ? a - 300 + 9990 : a;
}

std::int32_t ModbusRegisterOfWireAddress(std::int32_t address)
{
    return address >= ModbusWireAddress(300) ? address - ModbusWireAddress(300) + 300 : address + 1;
}

bool ModbusRequestFits(std::int16_t function, std::int16_t slave, std::int16_t start,
                       std::int16_t count)
{
    if (function == kReadHoldingRegisters)
        return start >= 1 && start <= kHighestStart;
    if (function != kWriteMultipleRegisters)
        return false;
    return ModbusWriteFitsFromSlot(start, count, RegisterSlot(slave, start));
}

bool ModbusWriteFitsFromSlot(std::int16_t start, std::int16_t count, std::int32_t firstSlot)
{
    if (start < 1 || start > kHighestStart)
        return false;
    if (count < 0 || count > kMostWriteRegisters)
        return false;
    return count == 0 || (firstSlot >= 0 && firstSlot + count - 1 < kLinkBufferSize);
}

bool ModbusReadRequest(Link& link, std::int16_t slave, std::int16_t start, std::int16_t count)
{
    if (!ModbusRequestFits(kReadHoldingRegisters, slave, start, count))
        return RefuseRequest(link);
    LinkState& state = link.state;
    state.LastRequest = {slave, kReadHoldingRegisters, start, count};
    FillHeader(state, slave, kReadHoldingRegisters, start, count);
    AppendCrc(state, 6);
    ModbusTransmit(link, 7);
    return true;
}

bool ModbusWriteRequest(Link& link, std::int16_t slave, std::int16_t start, std::int16_t count)
{
    return ModbusWriteRequestFromSlot(link, slave, start, count, RegisterSlot(slave, start));
}

bool ModbusWriteRequestFromSlot(Link& link, std::int16_t slave, std::int16_t start,
                                std::int16_t count, std::int32_t firstSlot)
{
    if (!ModbusWriteFitsFromSlot(start, count, firstSlot))
        return RefuseRequest(link);
    LinkState& state = link.state;
    state.LastRequest = {slave, kWriteMultipleRegisters, start, count};
    FillHeader(state, slave, state.LastRequest.function, start, count);
    state.TxBuf[6] = static_cast<std::int16_t>(2 * count);
    for (int k = 0; k < count; ++k) {
        const std::int32_t v = state.RegImage[std::size_t(firstSlot + k)];
        state.TxBuf[7 + 2 * k] = HighByte(v);
        state.TxBuf[8 + 2 * k] = modbus::ValueLowByte(v);
    }
    const int end = 7 + 2 * count;
    AppendCrc(state, end);
    ModbusTransmit(link, static_cast<std::int16_t>(end + 1));
    return true;
}

std::string ModbusEchoText(int value)
{
    std::string text = " ";
    text += SignedNumberText(value);
    return text;
}

// The echoes are shown once the frame is on its way: in the window each one is a text layout,
// and the reply's time on the line starts only when the request has left.
void ModbusTransmit(Link& link, std::int16_t last)
{
    std::string echo;
    const int final = std::min<int>(last, kLinkBufferSize - 1);
    for (int i = 0; i <= final; ++i) {
        if (!link.port.PortOpen())
            continue;
        const std::int16_t element = link.state.TxBuf[i];
        if (element >= 0 && element <= 255)
            link.port.Output(static_cast<std::uint8_t>(element));
        echo += ModbusEchoText(element);
    }
    if (link.port.PortOpen())
        link.port.Flush();
    link.host.ClearEchoes();
    if (!echo.empty())
        link.host.AppendTxEcho(echo);
}

} // namespace morvane
