#include "cli/controllerlink.h"

#include "exchange/failurewords.h"
#include "exchange/trafficwords.h"
#include "port/portopening.h"
#include "port/stopsignals.h"
#include "protocol/modbus.h"
#include "protocol/replywait.h"
#include "protocol/requests.h"

namespace morvane::cli
{

namespace
{

constexpr std::int16_t kDataBits = 8;
constexpr std::int16_t kStopBits = 1;

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

// How far an exchange had come when a signal stopped it: what the controller may hold.
enum class StopPoint { BeforeSending, Waiting, Answered };

Exchange Stopped(int signalNumber, int requestFunction, StopPoint point)
{
    const bool write = requestFunction == modbus::kWriteMultipleRegisters;
    std::string text = "Stopped by " + SignalName(signalNumber);
    switch (point) {
    case StopPoint::BeforeSending:
        text += " before anything was sent.";
        break;
    case StopPoint::Waiting:
        text += write ? " while waiting for the controller: it may hold part of the write."
                      : " while waiting for the controller: nothing was read.";
        break;
    case StopPoint::Answered:
        text += write ? " after the controller acknowledged the write."
                      : " after the controller answered.";
        break;
    }
    return Exchange{kNoAnswer, text, signalNumber};
}

} // namespace

int Exchange::Status() const
{
    return stopSignal != 0 ? StoppedExitStatus(stopSignal) : int(code);
}

ControllerLink::ControllerLink(ResolvedPort port, TraceSink trace)
    : m_resolved(std::move(port)),
      m_recorder(
          m_port, ConfigSlaveAddress, [this] { return m_host.SecondsSinceMidnight(); },
          [trace = std::move(trace)](const TrafficRow& row) {
              if (trace)
                  trace(TrafficLineText(row));
          }),
      m_link(m_recorder, m_host)
{
    m_recorder.WatchFrames([this](const TrafficFrame& frame) {
        if (!frame.sent)
            m_received.push_back(frame);
    });
}

std::int32_t& ControllerLink::Slot(int reg)
{
    return m_link.state.RegImage[static_cast<std::size_t>(RegisterSlot(ConfigSlaveAddress, reg))];
}

Exchange ControllerLink::Read(Registers& values)
{
    const Exchange reply = Run(modbus::kReadHoldingRegisters, [this] {
        m_link.state.ImageBase =
            static_cast<std::int16_t>(RegisterSlot(ConfigSlaveAddress, ConfigFirstRegister));
        ModbusReadRequest(m_link, ConfigSlaveAddress, ConfigFirstRegister, ConfigRegisterCount);
    });
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
    return Run(modbus::kWriteMultipleRegisters, [this] {
        ModbusWriteRequest(m_link, ConfigSlaveAddress, ConfigFirstRegister, ConfigRegisterCount);
    });
}

// The signals are caught only while the port may be open: before and after, nothing is held
// that a stop would have to give back, and a stop then ends the program at once as usual.
Exchange ControllerLink::Run(int requestFunction, const std::function<void()>& sendRequest)
{
    StopSignals stops(CommandLineStopSignals());
    // The wait sees its port gone and ends; closing removes Qt's lock file and the terminal's
    // exclusive use with it.
    QObject::connect(&stops, &StopSignals::caught, &stops, [this] { Close(); });
    m_received.clear();
    const std::optional<Exchange> openFailed = Open();
    if (const int signalNumber = stops.Caught()) {
        Close();
        return Stopped(signalNumber, requestFunction, StopPoint::BeforeSending);
    }
    if (openFailed)
        return *openFailed;
    sendRequest();
    std::int16_t startFlag = 0;
    const ReceiveResult reply = ModbusReceive(m_link, ConfigSlaveAddress, startFlag);
    Close();
    m_recorder.Settle();
    if (const int signalNumber = stops.Caught())
        return Stopped(signalNumber, requestFunction,
                       reply.Answered() ? StopPoint::Answered : StopPoint::Waiting);
    return Outcome(reply, requestFunction);
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

// Without an answer the window's words say why; where it would only say that nothing answered
// although bytes came, they are told instead.
Exchange ControllerLink::Outcome(const ReceiveResult& reply, int requestFunction) const
{
    if (reply.Answered())
        return Exchange{kDone, {}};
    if (std::optional<std::string> fault = ReplyFaultText(reply, requestFunction))
        return Exchange{ExitCodeOf(reply.outcome), std::move(*fault)};
    const std::string cameBack = WhatCameBackText(m_received);
    return Exchange{ExitCodeOf(reply.outcome), cameBack.empty() ? NoResponseText() : cameBack};
}

void ControllerLink::Close()
{
    if (m_link.port.PortOpen())
        m_link.port.SetPortOpen(false);
}

} // namespace morvane::cli
