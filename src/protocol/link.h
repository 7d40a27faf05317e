#pragma once
// One link context: its state, its port and its host. Every link routine takes it first.

#include "protocol/linkhost.h"
#include "protocol/linkstate.h"
#include "protocol/serialport.h"

#include <string>

namespace morvane
{

// How long a receive waits for its reply unless the link is told otherwise.
inline constexpr float kReceiveTimeLimit = 20; // seconds

struct Link {
    Link(SerialPort& p, LinkHost& h) : port(p), host(h) {}

    LinkState state;
    SerialPort& port;
    LinkHost& host;

    // Baud-rate field and parity name of the port settings. They hold the port's design
    // values, so the settings read "9600,N,8,1" and messages name a real rate.
    std::string PortBaudText = "9600";
    std::string PortParityName = "None";
    // Seconds a receive waits for a valid reply before it gives up.
    float ReceiveTimeLimit = kReceiveTimeLimit;
};

} // namespace morvane
