#include "exchange/blockexchange.h"

#include "protocol/requests.h"

namespace morvane
{

namespace
{
constexpr std::int16_t kDataBits = 8;
constexpr std::int16_t kStopBits = 1;

std::size_t SlotOf(int reg)
{
    return static_cast<std::size_t>(RegisterSlot(ConfigSlaveAddress, reg));
}
} // namespace

std::optional<OpenFailure> OpenBlockPort(Link& link, const ResolvedPort& port,
                                         const PortSystem& system)
{
    std::int16_t dataBits = kDataBits;
    std::int16_t stopBits = kStopBits;
    return OpenComPort(link.port, port, link.PortBaudText, dataBits, link.PortParityName, stopBits,
                       system);
}

void SendBlockRead(Link& link)
{
    link.state.ImageBase = static_cast<std::int16_t>(SlotOf(ConfigFirstRegister));
    ModbusReadRequest(link, ConfigSlaveAddress, ConfigFirstRegister, ConfigRegisterCount);
}

void SendBlockWrite(Link& link, const Registers& values)
{
    for (int k = 0; k < ConfigRegisterCount; ++k)
        BlockRegister(link, ConfigFirstRegister + k) = values[std::size_t(k)];
    ModbusWriteRequest(link, ConfigSlaveAddress, ConfigFirstRegister, ConfigRegisterCount);
}

ReceiveResult AwaitBlockReply(Link& link)
{
    if (!link.port.PortOpen())
        return {ReceiveOutcome::ConnectionLost, 0, {}, {}};
    std::int16_t startFlag = 0;
    return ModbusReceive(link, ConfigSlaveAddress, startFlag);
}

Registers BlockValues(const Link& link)
{
    // The decoder stores only 16-bit values, so each slot fits.
    Registers values{};
    for (int k = 0; k < ConfigRegisterCount; ++k)
        values[std::size_t(k)] =
            static_cast<std::uint16_t>(link.state.RegImage[SlotOf(ConfigFirstRegister + k)]);
    return values;
}

std::int32_t& BlockRegister(Link& link, int reg)
{
    return link.state.RegImage[SlotOf(reg)];
}

void CloseBlockPort(Link& link)
{
    if (link.port.PortOpen())
        link.port.SetPortOpen(false);
}

} // namespace morvane
