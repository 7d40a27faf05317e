#include "exchange/unitscan.h"

#include "exchange/blockexchange.h"

namespace morvane
{

namespace
{

bool IsNetwork(const ResolvedPort& port)
{
    return port.kind == ResolvedPort::Kind::Network || port.kind == ResolvedPort::Kind::BadNetwork;
}

} // namespace

UnitScan::UnitScan(ResolvedPort port, TrafficRecorder::Sink trace)
    : m_resolved(std::move(port)), m_port(SystemEnvironment),
      m_recorder(
          m_port, ConfigSlaveAddress, [this] { return m_host.SecondsSinceMidnight(); },
          [trace](TrafficRow row) {
              if (trace)
                  trace(std::move(row));
          }),
      m_link(m_recorder, m_host)
{
    if (trace)
        m_port.SetTcpEventSink([this](const TcpEvent& event) { m_recorder.Tcp(event); });
}

ScanResult UnitScan::Run(const ScanPlan& plan, const Connection& current, ScanObserver& observer)
{
    m_cancelled = false;
    m_port.SetConnectTimeLimit(ConnectTimeLimit(current));
    const std::vector<Connection> lines = ScanLineSettings(plan, current, IsNetwork(m_resolved));
    const std::vector<int> slaves = ScanSlaveOrder(plan, current);
    const int total = static_cast<int>(lines.size() * slaves.size());
    ScanResult result;
    std::optional<OpenFailure> refused;
    Connection refusedLine;
    bool opened = false;
    for (const Connection& line : lines) {
        if (m_cancelled)
            break;
        const std::optional<OpenFailure> failure =
            OpenBlockPort(m_link, m_resolved, m_system, line);
        if (failure && failure->fault == PortFault::SettingsRefused && !IsNetwork(m_resolved)) {
            observer.LineRefused(line, *failure);
            if (!refused) {
                refused = failure;
                refusedLine = line;
            }
            result.probes += static_cast<int>(slaves.size());
            continue;
        }
        if (failure) {
            result.openFailure = failure;
            result.failedLine = line;
            break;
        }
        opened = true;
        if (!ScanLine(line, slaves, plan, observer, result, total))
            break;
    }
    CloseBlockPort(m_link);
    if (!opened && !result.openFailure && !m_cancelled) {
        result.openFailure = refused;
        result.failedLine = refusedLine;
    }
    result.cancelled = m_cancelled;
    return result;
}

// False when the scan cannot go on: cancelled, or the port went away.
bool UnitScan::ScanLine(const Connection& line, const std::vector<int>& slaves,
                        const ScanPlan& plan, ScanObserver& observer, ScanResult& result, int total)
{
    const int limitMs = ProbeTimeLimitMs(line, plan.allowanceMs);
    observer.LineStarted(line, static_cast<int>(slaves.size()));
    const std::size_t foundBefore = result.units.size();
    for (int slave : slaves) {
        if (m_cancelled)
            return false;
        Connection probe = line;
        probe.slave = slave;
        observer.Probing(probe, result.probes, total);
        if (!Probe(probe, limitMs, observer, result))
            return false;
    }
    CloseBlockPort(m_link);
    observer.LineEnded(line, static_cast<int>(result.units.size() - foundBefore));
    return true;
}

bool UnitScan::Probe(const Connection& probe, int limitMs, ScanObserver& observer,
                     ScanResult& result)
{
    Connection limited = probe;
    limited.timeLimitMs = limitMs;
    UseConnection(m_link, limited);
    m_recorder.SetExpectedSlave(static_cast<std::int16_t>(probe.slave));
    SendBlockRead(m_link, limited);
    const ReceiveResult reply = AwaitBlockReply(m_link, limited);
    m_recorder.Settle();
    ++result.probes;
    result.probeLimitsMs += limitMs;
    if (reply.outcome == ReceiveOutcome::Answered || reply.outcome == ReceiveOutcome::Refused) {
        FoundUnit unit{probe, std::nullopt, reply.exceptionCode};
        if (reply.Answered())
            unit.registers = BlockValues(m_link);
        result.units.push_back(unit);
        observer.Found(unit);
    }
    if (reply.outcome != ReceiveOutcome::ConnectionLost)
        return true;
    if (!m_cancelled) {
        result.lostDevice = reply.device;
        result.lostReason = reply.systemText;
    }
    return false;
}

void UnitScan::Cancel()
{
    m_cancelled = true;
    CloseBlockPort(m_link);
}

} // namespace morvane
