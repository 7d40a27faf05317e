#include "cli/controllerlink.h"

#include "port/portopening.h"
#include "protocol/crc16.h"
#include "protocol/modbus.h"
#include "protocol/replywait.h"
#include "protocol/requests.h"
#include "window/reports.h"

namespace morvane::cli
{

namespace
{

constexpr std::int16_t kDataBits = 8;
constexpr std::int16_t kStopBits = 1;

// Takes the window's messages instead of showing them, so that the command line says what
// the window would, chosen by the same code.
class MessageTaker final : public CommandView
{
  public:
    void SetStatus(std::string_view) override {}
    void ShowMessage(std::string_view, const std::string& text) override { message = text; }
    std::string message;
};

ExitCode ExitCodeOf(ReceiveOutcome outcome)
{
    switch (outcome) {
    case ReceiveOutcome::Answered:
        return kDone;
    case ReceiveOutcome::Refused:
        return kRefused;
    case ReceiveOutcome::ConnectionLost:
        return kConnectionLost;
    case ReceiveOutcome::TimedOut:
        break;
    }
    return kNoAnswer;
}

} // namespace

ControllerLink::ControllerLink(ResolvedPort port)
    : m_resolved(std::move(port)), m_link(m_port, m_host)
{
    ModbusCrcInit(m_link.state);
}

std::int32_t& ControllerLink::Slot(int reg)
{
    return m_link.state.RegImage[static_cast<std::size_t>(RegisterSlot(ConfigSlaveAddress, reg))];
}

Exchange ControllerLink::Read(Registers& values)
{
    if (std::optional<Exchange> failed = Open())
        return *failed;
    m_link.state.ImageBase =
        static_cast<std::int16_t>(RegisterSlot(ConfigSlaveAddress, ConfigFirstRegister));
    ModbusReadRequest(m_link, ConfigSlaveAddress, ConfigFirstRegister, ConfigRegisterCount);
    const Exchange reply = Await(modbus::kReadHoldingRegisters);
    if (reply.Done()) {
        // The decoder stores only 16-bit values, so each slot fits.
        for (int k = 0; k < ConfigRegisterCount; ++k)
            values[std::size_t(k)] = static_cast<std::uint16_t>(Slot(ConfigFirstRegister + k));
    }
    return reply;
}

Exchange ControllerLink::Write(const Registers& values)
{
    for (int k = 0; k < ConfigRegisterCount; ++k)
        Slot(ConfigFirstRegister + k) = values[std::size_t(k)];
    if (std::optional<Exchange> failed = Open())
        return *failed;
    ModbusWriteRequest(m_link, ConfigSlaveAddress, ConfigFirstRegister, ConfigRegisterCount);
    return Await(modbus::kWriteMultipleRegisters);
}

std::optional<Exchange> ControllerLink::Open()
{
    std::int16_t dataBits = kDataBits;
    std::int16_t stopBits = kStopBits;
    const std::optional<OpenFailure> failure =
        OpenComPort(m_link.port, m_resolved, m_link.PortBaudText, dataBits, m_link.PortParityName,
                    stopBits, m_portSystem);
    if (!failure)
        return std::nullopt;
    return Exchange{kPortNotOpened,
                    OpenFailureText(*failure, m_link.PortBaudText, PortEntry::Option)};
}

Exchange ControllerLink::Await(int requestFunction)
{
    std::int16_t startFlag = 0;
    const ReceiveResult reply = ModbusReceive(m_link, ConfigSlaveAddress, startFlag);
    Close();
    MessageTaker taken;
    if (!reply.Answered() && !ReportReplyFault(taken, reply, requestFunction))
        taken.message = NoResponseText();
    return Exchange{ExitCodeOf(reply.outcome), taken.message};
}

void ControllerLink::Close()
{
    if (m_link.port.PortOpen())
        m_link.port.SetPortOpen(false);
}

} // namespace morvane::cli
