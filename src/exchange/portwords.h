#pragma once
// The port list in words, as the window's list under the port field shows it and the command
// line's "ports" prints it: one entry's lines.

#include "port/systemports.h"

#include <string>

namespace morvane
{

// The device, then indented lines: what the system says of it, its stable name and the port
// numbers that stand for it; or the variable that leads to no port, and why.
std::string PortListEntryText(const PortListEntry& entry);

// Why a variable leads to no port: "no such device", "not a serial device"; empty when it does.
std::string PortVariableFaultWords(PortVariableFault fault);

} // namespace morvane
