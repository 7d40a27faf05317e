#pragma once
// Opening the serial port for one command, telling the technician why it failed and what to
// do about it, and the one-second no-response watchdog.

#include "link/link.h"
#include "link/portresolve.h"

#include <cstdint>
#include <string>
#include <vector>

namespace morvane
{

// Closes the port if it is open, then opens the port the reference names with
// "baud,parity letter,data bits,stop bits". Data bits other than 7 or 8 become 8 and stop bits
// other than 1 or 2 become 1, in the caller's variables. On failure: one message box titled
// "Error" that begins "Unable to open Com Port <port> at <baud> Baud" and says below what went
// wrong, "ERROR" in the status line, the watchdog stopped, the port closed.
void OpenComPort(Link& link, const ResolvedPort& port, const std::string& baudText,
                 std::int16_t& dataBits, const std::string& parityName, std::int16_t& stopBits);

// The watchdog's tick: the "No Response From Morvane" message, then the watchdog stopped.
// The watchdog is stopped before the message as well, so a timer that keeps running while the
// message box waits cannot show the message a second time.
void WatchdogTick(Link& link);

// For the receive: the device went away while the port was open. Closes the port, stops the
// watchdog, sets "ERROR" and shows one "Communication Error" message naming the device.
void ReportConnectionLost(Link& link);

// What went wrong with an open, in the terms the message's second line needs.
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

// The lines below "Unable to open Com Port ...": the device, the reason in plain words and the
// remedy where one is known.
std::string OpenFailureAdvice(const OpenFailure& failure);

// The whole text of the connection-lost message.
std::string ConnectionLostText(const std::string& device, const std::string& systemText);

} // namespace morvane
