#pragma once
// The controller as the command line reaches it: the block exchange's steps over the link the
// window uses, with a host that echoes nothing and keeps no watchdog. Each exchange opens the
// port, sends one request, waits for its answer and closes the port; a port that cannot be
// opened ends it at once. The traffic recorder watches the bytes, for --trace and for saying
// what came back when no answer did; a stop signal during an exchange closes the port from the
// wait's event loop.

#include "cli/arguments.h"
#include "controller/configblock.h"
#include "exchange/connection.h"
#include "exchange/headlesshost.h"
#include "exchange/trafficrecorder.h"
#include "port/eventpump.h"
#include "port/portresolve.h"
#include "port/systemports.h"
#include "port/transportport.h"
#include "protocol/link.h"
#include "protocol/replywait.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace morvane::cli
{

// How an exchange ended: kDone, or the exit code of its failure and the window's message for
// it (with the window's line breaks), or the signal that stopped it and the line that says so.
struct Outcome {
    ExitCode code = kDone;
    std::string message;
    int stopSignal = 0;
    bool Done() const { return code == kDone && stopSignal == 0; }
    int Status() const;
};

class ControllerLink
{
  public:
    // Takes a line for each frame as it goes or comes; none: no trace.
    using TraceSink = std::function<void(const std::string& line)>;

    ControllerLink(ResolvedPort port, Connection connection, TraceSink trace);

    const ResolvedPort& Port() const { return m_resolved; }
    const Connection& Settings() const { return m_connection; }
    // Reads registers 3 to 11 into `values`, which are left alone unless the read is answered.
    Outcome Read(Registers& values);
    Outcome Write(const Registers& values);

  private:
    Outcome Run(int requestFunction, const std::function<void()>& sendRequest);
    std::optional<Outcome> Open();
    Outcome OutcomeOf(const ReceiveResult& reply, int requestFunction) const;

    ResolvedPort m_resolved;
    Connection m_connection;
    HeadlessHost m_host;
    TransportPort m_port;
    TrafficRecorder m_recorder;
    Link m_link;
    HostPortSystem m_portSystem;
    std::vector<TrafficFrame> m_received; // in the exchange under way
};

} // namespace morvane::cli
