#include "cli/controllerlink.h"

#include "exchange/blockexchange.h"
#include "exchange/failurewords.h"
#include "exchange/trafficwords.h"
#include "port/stopsignals.h"
#include "protocol/modbus.h"

namespace morvane::cli
{

namespace
{

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

Outcome Stopped(int signalNumber, int requestFunction, StopPoint point)
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
    return Outcome{kNoAnswer, text, signalNumber};
}

} // namespace

int Outcome::Status() const
{
    return stopSignal != 0 ? StoppedExitStatus(stopSignal) : int(code);
}

ControllerLink::ControllerLink(ResolvedPort port, Connection connection, TraceSink trace)
    : m_resolved(std::move(port)), m_connection(connection),
      m_recorder(
          m_port, static_cast<std::int16_t>(connection.slave),
          [this] { return m_host.SecondsSinceMidnight(); },
          [trace](const TrafficRow& row) {
              if (trace)
                  trace(TrafficLineText(row));
          }),
      m_link(m_recorder, m_host)
{
    m_recorder.WatchFrames([this](const TrafficFrame& frame) {
        if (!frame.sent)
            m_received.push_back(frame);
    });
    m_port.SetConnectTimeLimit(ConnectTimeLimit(m_connection));
    if (trace)
        m_port.SetTcpEventSink([this](const TcpEvent& event) { m_recorder.Tcp(event); });
}

Outcome ControllerLink::Read(Registers& values)
{
    const Outcome reply =
        Run(modbus::kReadHoldingRegisters, [this] { SendBlockRead(m_link, m_connection); });
    if (reply.Done())
        values = BlockValues(m_link);
    return reply;
}

Outcome ControllerLink::Write(const Registers& values)
{
    return Run(modbus::kWriteMultipleRegisters,
               [this, &values] { SendBlockWrite(m_link, m_connection, values); });
}

// The signals are caught only while the port may be open: before and after, nothing is held
// that a stop would have to give back, and a stop then ends the program at once as usual.
Outcome ControllerLink::Run(int requestFunction, const std::function<void()>& sendRequest)
{
    StopSignals stops(CommandLineStopSignals());
    // The wait sees its port gone and ends; closing removes Qt's lock file and the terminal's
    // exclusive use with it.
    QObject::connect(&stops, &StopSignals::caught, &stops, [this] { CloseBlockPort(m_link); });
    m_received.clear();
    const std::optional<Outcome> openFailed = Open();
    if (const int signalNumber = stops.Caught()) {
        CloseBlockPort(m_link);
        return Stopped(signalNumber, requestFunction, StopPoint::BeforeSending);
    }
    if (openFailed)
        return *openFailed;
    const ReceiveResult reply =
        RequestBlock(m_link, m_connection, sendRequest,
                     [this](int attempt) { m_recorder.Note(RetryText(attempt, m_connection)); });
    CloseBlockPort(m_link);
    m_recorder.Settle();
    if (const int signalNumber = stops.Caught())
        return Stopped(signalNumber, requestFunction,
                       reply.Answered() ? StopPoint::Answered : StopPoint::Waiting);
    return OutcomeOf(reply, requestFunction);
}

std::optional<Outcome> ControllerLink::Open()
{
    const std::optional<OpenFailure> failure =
        OpenBlockPort(m_link, m_resolved, m_portSystem, m_connection);
    if (!failure)
        return std::nullopt;
    return Outcome{kPortNotOpened,
                   OpenFailureText(*failure, m_link.PortBaudText, PortEntry::Option)};
}

// Without an answer the window's words say why; where it would only say that nothing answered
// although bytes came, they are told instead.
Outcome ControllerLink::OutcomeOf(const ReceiveResult& reply, int requestFunction) const
{
    if (reply.Answered())
        return Outcome{kDone, {}};
    if (std::optional<std::string> fault = ReplyFaultText(reply, requestFunction))
        return Outcome{ExitCodeOf(reply.outcome), std::move(*fault)};
    const std::string cameBack = WhatCameBackText(m_received, m_connection);
    return Outcome{ExitCodeOf(reply.outcome), cameBack.empty() ? NoResponseText() : cameBack};
}

} // namespace morvane::cli
