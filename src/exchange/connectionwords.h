#pragma once
// How both front ends name the connection to the controller: the port in a step line, and the
// whole connection (port, slave, line settings) on the printed page.

#include "exchange/connection.h"
#include "port/portresolve.h"

#include <string>

namespace morvane
{

// How a step names the port: "/dev/ttyUSB0 (port 1)", "/dev/pts/3", "tcp://10.0.0.7:502",
// "port 0".
std::string PortInWords(const ResolvedPort& port);

// The port, the slave and how the line is set: "/dev/ttyUSB0 (port 1), slave 1, 9600 8N1";
// over the network the framing instead of the line: "tcp://10.0.0.7:502, slave 1, Modbus TCP".
std::string ConnectionText(const ResolvedPort& port, const Connection& connection);

} // namespace morvane
