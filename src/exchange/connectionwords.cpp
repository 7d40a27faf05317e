#include "exchange/connectionwords.h"

namespace morvane
{

namespace
{

std::string TransportWords(const ResolvedPort& port, const Connection& connection)
{
    if (port.kind != ResolvedPort::Kind::Network)
        return connection.LineText();
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

std::string ConnectionText(const ResolvedPort& port, const Connection& connection)
{
    return PortInWords(port) + ", slave " + std::to_string(connection.slave) + ", " +
           TransportWords(port, connection);
}

} // namespace morvane
