#pragma once
// The window as the commands speak through it, without widgets: the link's fake host plus a
// status line and message boxes that are recorded, each message with the time it came.

#include "fakelinkhost.h"
#include "port/portopening.h"
#include "protocol/modbus.h"
#include "window/commandreports.h"

#include <string>
#include <vector>

namespace morvane::testing
{

struct ShownMessage {
    std::string title;
    std::string text;
    double at; // seconds since midnight when it was shown
};

class FakeWindowHost : public FakeLinkHost, public CommandView
{
  public:
    void SetStatus(std::string_view text) override
    {
        status = text;
        statusHistory.push_back(status);
    }
    void ShowMessage(std::string_view title, const std::string& text) override
    {
        messages.push_back({std::string(title), text, now});
    }

    std::string status = "Status";
    std::vector<std::string> statusHistory;
    std::vector<ShownMessage> messages;
};

// Opens the port as a command does, with the port's design settings: a failure is reported at
// once. True when the port is open.
inline bool OpenAsCommand(SerialPort& port, const ResolvedPort& ref, FakeWindowHost& host,
                          const PortSystem& system, const std::string& baud = "9600")
{
    std::int16_t dataBits = 8;
    std::int16_t stopBits = 1;
    const auto failure = OpenComPort(port, ref, baud, dataBits, "None", stopBits, system);
    if (failure)
        ReportOpenFailure(host, host, *failure, baud);
    return !failure;
}

// What a wait does when it finds its port gone, and what the window then says of it.
inline void ReportLostPort(SerialPort& port, FakeWindowHost& host)
{
    const ReceiveResult lost{ReceiveOutcome::ConnectionLost, 0, port.DeviceName(),
                             port.LastFaultText()};
    port.SetPortOpen(false);
    host.StopWatchdog();
    ReportReplyFault(host, lost, modbus::kReadHoldingRegisters);
}

} // namespace morvane::testing
