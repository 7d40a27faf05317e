#include "exchange/connectionwords.h"

#include "controller/configblock.h"

namespace morvane
{

namespace
{

// Every exchange opens the port so: the link's design settings.
constexpr char kLineSettings[] = "9600 8N1";

std::string TransportWords(const ResolvedPort& port)
{
    if (port.kind != ResolvedPort::Kind::Network)
        return kLineSettings;
    // Over rtu+tcp:// the line beyond the device server is set there, not here.
    return port.endpoint.framing == NetworkFraming::ModbusTcp ? "Modbus TCP" : "RTU over TCP";
}

} // namespace

std::string PortInWords(const ResolvedPort& port)
{
    if (port.device.empty())
        return "port " + port.label;
    // A path or a URL is its own name; only a port number has a device to name besides.
    if (port.kind == ResolvedPort::Kind::Path || port.kind == ResolvedPort::Kind::Network)
        return port.device;
    return port.device + " (port " + port.label + ")";
}

std::string ConnectionText(const ResolvedPort& port)
{
    return PortInWords(port) + ", slave " + std::to_string(ConfigSlaveAddress) + ", " +
           TransportWords(port);
}

} // namespace morvane
