#include "exchange/portwords.h"

namespace morvane
{

std::string PortVariableFaultWords(PortVariableFault fault)
{
    switch (fault) {
    case PortVariableFault::NoSuchDevice:
        return "no such device";
    case PortVariableFault::NotASerialDevice:
        return "not a serial device";
    case PortVariableFault::None:
        break;
    }
    return {};
}

std::string PortListEntryText(const PortListEntry& entry)
{
    if (!entry.choosable && !entry.variables.empty()) {
        const PortVariable& v = entry.variables.front();
        return "port " + std::to_string(v.number) + ": " + PortEnvironmentName(v.number) + "=" +
               v.target + " — " + PortVariableFaultWords(v.fault);
    }
    const SerialPortDetails& port = entry.port;
    std::string text = port.device;
    std::string about;
    for (const std::string& word : {port.description, port.manufacturer})
        if (!word.empty())
            about += (about.empty() ? "" : ", ") + word;
    if (!port.serialNumber.empty())
        about += (about.empty() ? "" : ", ") + ("serial number " + port.serialNumber);
    // The lines under the device are indented, so that entries stand apart.
    for (const std::string& line : {about, port.stableName})
        if (!line.empty())
            text += "\n    " + line;
    for (const PortVariable& v : entry.variables)
        text += "\n    port " + std::to_string(v.number) + ": " + PortEnvironmentName(v.number) +
                "=" + v.target;
    return text;
}

} // namespace morvane
