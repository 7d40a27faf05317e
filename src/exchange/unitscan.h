#pragma once
// Finding a unit whose address or line settings are not known: a read of the block at every
// address, at each speed and parity to be tried, each with a time limit fitted to the line
// rather than the usual 20 s. Nothing is written. The current settings are tried first, then
// the defaults, then the rest; one open port serves every address at one line setting.
// Over the network the line settings are the gateway's, so only the addresses are tried.

#include "exchange/headlesshost.h"
#include "exchange/scanplan.h"
#include "exchange/trafficrecorder.h"
#include "port/eventpump.h"
#include "port/portopening.h"
#include "port/systemports.h"
#include "port/transportport.h"
#include "protocol/link.h"

#include <optional>
#include <string>
#include <vector>

namespace morvane
{

// What a scan tells as it goes. The front ends show progress and the units found.
class ScanObserver
{
  public:
    virtual ~ScanObserver() = default;
    virtual void LineStarted(const Connection& /*line*/, int /*probes*/) {}
    virtual void Probing(const Connection& /*probe*/, int /*done*/, int /*total*/) {}
    virtual void Found(const FoundUnit& /*unit*/) {}
    virtual void LineEnded(const Connection& /*line*/, int /*found*/) {}
    // The port refused these settings (a parity a pseudo-terminal cannot keep); the scan goes
    // on with the next.
    virtual void LineRefused(const Connection& /*line*/, const OpenFailure& /*failure*/) {}
};

struct ScanResult {
    std::vector<FoundUnit> units;
    // The port that could not be opened at any setting, or that went away.
    std::optional<OpenFailure> openFailure;
    Connection failedLine;  // the line setting it failed at
    std::string lostDevice; // the connection was lost during a probe
    std::string lostReason;
    bool cancelled = false;
    int probes = 0;
    int probeLimitsMs = 0; // the sum of the probes' limits, for comparison with the time taken
};

class UnitScan
{
  public:
    // Each frame and network event as a row to `trace`, when one is given.
    explicit UnitScan(ResolvedPort port, TrafficRecorder::Sink trace = {});

    // Runs the whole scan; events keep flowing meanwhile.
    ScanResult Run(const ScanPlan& plan, const Connection& current, ScanObserver& observer);
    // From an event during Run(): the probe under way ends at once, and no other is sent.
    void Cancel();
    TransportPort& Port() { return m_port; }

  private:
    bool ScanLine(const Connection& line, const std::vector<int>& slaves, const ScanPlan& plan,
                  ScanObserver& observer, ScanResult& result, int total);
    bool Probe(const Connection& probe, int limitMs, ScanObserver& observer, ScanResult& result);

    ResolvedPort m_resolved;
    TransportPort m_port;
    HeadlessHost m_host;
    TrafficRecorder m_recorder;
    Link m_link;
    HostPortSystem m_system;
    bool m_cancelled = false;
};

} // namespace morvane
