#pragma once
// Opening the serial port for one command. An open that fails says what went wrong in terms
// the caller can turn into advice: the device, the kind of fault, the system's own words and
// the facts that help (the group that grants access, the ports there are).

#include "port/portresolve.h"
#include "port/systemports.h"
#include "protocol/serialport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace morvane
{

struct OpenFailure {
    ResolvedPort port;
    std::string device; // the device that was tried; empty when the port names none
    PortFault fault = PortFault::Other;
    std::string systemText;                  // the system's own words
    std::string settings;                    // the settings text that was asked for
    std::string deviceGroup;                 // a group that gives access, for a permission fault
    std::vector<std::string> availablePorts; // for a missing device
    PortPlatform platform = kThisPlatform;
};

// Closes the port if it is open, then opens the port the reference names with
// "baud,parity letter,data bits,stop bits". Data bits other than 7 or 8 become 8 and stop bits
// other than 1 or 2 become 1, in the caller's variables. Nothing when the port is open; on
// failure the port is closed and the result says why, with the facts the system has for it.
std::optional<OpenFailure> OpenComPort(SerialPort& comm, const ResolvedPort& port,
                                       const std::string& baudText, std::int16_t& dataBits,
                                       const std::string& parityName, std::int16_t& stopBits,
                                       const PortSystem& system);

} // namespace morvane
