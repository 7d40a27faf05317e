#include "exchange/blockexchange.h"

#include "protocol/requests.h"

namespace morvane
{

namespace
{
constexpr std::int16_t kDataBits = 8;

std::size_t SlotOf(int reg)
{
    return static_cast<std::size_t>(RegisterSlot(ConfigSlaveAddress, reg));
}

std::int16_t SlaveOf(const Connection& connection)
{
    return static_cast<std::int16_t>(connection.slave);
}
} // namespace

std::optional<OpenFailure> OpenBlockPort(Link& link, const ResolvedPort& port,
                                         const PortSystem& system, const Connection& connection)
{
    UseConnection(link, connection);
    std::int16_t dataBits = kDataBits;
    auto stopBits = static_cast<std::int16_t>(connection.stopBits);
    return OpenComPort(link.port, port, link.PortBaudText, dataBits, link.PortParityName, stopBits,
                       system);
}

void SendBlockRead(Link& link, const Connection& connection)
{
    link.state.ImageBase = static_cast<std::int16_t>(SlotOf(ConfigFirstRegister));
    ModbusReadRequest(link, SlaveOf(connection), ConfigFirstRegister, ConfigRegisterCount);
}

void SendBlockWrite(Link& link, const Connection& connection, const Registers& values)
{
    for (int k = 0; k < ConfigRegisterCount; ++k)
        BlockRegister(link, ConfigFirstRegister + k) = values[std::size_t(k)];
    ModbusWriteRequestFromSlot(link, SlaveOf(connection), ConfigFirstRegister, ConfigRegisterCount,
                               static_cast<std::int32_t>(SlotOf(ConfigFirstRegister)));
}

ReceiveResult AwaitBlockReply(Link& link, const Connection& connection)
{
    if (!link.port.PortOpen())
        return {ReceiveOutcome::ConnectionLost, 0, {}, {}};
    std::int16_t startFlag = 0;
    return ModbusReceive(link, SlaveOf(connection), startFlag);
}

ReceiveResult RequestBlock(Link& link, const Connection& connection,
                           const std::function<void()>& send,
                           const std::function<void(int attempt)>& again)
{
    send();
    ReceiveResult reply = AwaitBlockReply(link, connection);
    for (int attempt = 2; attempt <= connection.retries + 1; ++attempt) {
        if (reply.outcome != ReceiveOutcome::TimedOut)
            break;
        if (again)
            again(attempt);
        send();
        reply = AwaitBlockReply(link, connection);
    }
    return reply;
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
