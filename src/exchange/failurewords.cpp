#include "exchange/failurewords.h"

#include "protocol/modbus.h"

namespace morvane
{

namespace
{

bool IsNetwork(const ResolvedPort& port)
{
    return port.kind == ResolvedPort::Kind::Network || port.kind == ResolvedPort::Kind::BadNetwork;
}

std::string WithReason(const std::string& systemText)
{
    return systemText.empty() ? std::string() : " (" + systemText + ")";
}

std::string PortListSentence(const std::vector<std::string>& ports)
{
    if (ports.empty())
        return "No serial ports were found on this computer.";
    std::string sentence = "Serial ports on this computer: ";
    for (std::size_t i = 0; i < ports.size(); ++i)
        sentence += (i == 0 ? "" : ", ") + ports[i];
    return sentence + ".";
}

std::string MissingDeviceAdvice(const OpenFailure& f, PortEntry entry)
{
    const char* naming = entry == PortEntry::Field ? "type its path into the port field"
                                                   : "give its path with --port";
    std::string text = "There is no device " + f.device + WithReason(f.systemText) + "." +
                       kLineBreak + PortListSentence(f.availablePorts);
    if (f.platform == PortPlatform::Unix && f.port.kind == ResolvedPort::Kind::Number)
        text += std::string(kLineBreak) + "To use another device as port " + f.port.label + ", " +
                naming + " or set " + PortEnvironmentName(f.port.number) + " to it.";
    return text;
}

std::string PermissionAdvice(const OpenFailure& f)
{
    std::string text =
        "You have no permission to use " + f.device + WithReason(f.systemText) + "." + kLineBreak;
    if (f.deviceGroup.empty())
        return text + "Ask the administrator of this computer for access to it.";
    return text + "It belongs to the group " + f.deviceGroup +
           ". Join the group with \"sudo usermod -aG " + f.deviceGroup +
           " $USER\", then log out and in again.";
}

// A gateway or device server that could not be reached: the host, the port, and what to check.
std::string NetworkAdvice(const OpenFailure& f)
{
    const std::string& host = f.port.endpoint.host;
    const std::string port = std::to_string(f.port.endpoint.port);
    const std::string why = WithReason(f.systemText) + "." + kLineBreak;
    switch (f.fault) {
    case PortFault::HostNotFound:
        return "The host " + host + " could not be found" + why +
               "Check the name, or give the gateway's IP address instead.";
    case PortFault::ConnectionRefused:
        return host + " refused a connection on port " + port + why +
               "Check the port number, and that the gateway's Modbus TCP server (or the device "
               "server's raw TCP mode) is enabled on that port.";
    case PortFault::NoRoute:
        return "There is no route from this computer to " + host + why +
               "Check the network cable and this computer's network settings, and that " + host +
               " is the gateway's address.";
    case PortFault::ConnectTimeout:
        return host + " accepted no connection on port " + port + why +
               "Check that the gateway has power and is on this network, and that no firewall "
               "blocks port " +
               port + ".";
    default:
        return f.device + " could not be reached" + WithReason(f.systemText) + ".";
    }
}

} // namespace

std::string OpenFailureAdvice(const OpenFailure& f, PortEntry entry)
{
    if (f.port.kind == ResolvedPort::Kind::BadNetwork)
        return f.port.label + " names no unit on the network: " + f.port.problem + "." +
               kLineBreak +
               "Give tcp://HOST[:PORT] for a Modbus TCP gateway, or rtu+tcp://HOST:PORT for a "
               "serial device server.";
    if (f.port.kind == ResolvedPort::Kind::Network)
        return NetworkAdvice(f);
    if (f.port.kind == ResolvedPort::Kind::OutOfRange)
        return "There is no port " + f.port.label + ": port numbers go from 1 to 32767." +
               kLineBreak + PortListSentence(f.availablePorts);
    if (f.device.empty())
        return "There is no port " + f.port.label + ": port numbers begin at 1." + kLineBreak +
               PortListSentence(f.availablePorts);
    switch (f.fault) {
    case PortFault::NoSuchDevice:
        return MissingDeviceAdvice(f, entry);
    case PortFault::PermissionDenied:
        return PermissionAdvice(f);
    case PortFault::InUse:
        return f.device + " is in use: another program holds it." + kLineBreak +
               "Close that program and try again.";
    case PortFault::SettingsRefused:
        return f.device + " refused the settings " + f.settings + WithReason(f.systemText) + ".";
    default:
        return f.device + " could not be opened" + WithReason(f.systemText) + ".";
    }
}

std::string OpenFailureText(const OpenFailure& failure, const std::string& baudText,
                            PortEntry entry)
{
    // A unit on the network has no baud rate of ours: the gateway's serial side has its own.
    const std::string first =
        IsNetwork(failure.port)
            ? "Unable to connect to " + failure.port.label
            : "Unable to open Com Port " + failure.port.label + " at " + baudText + " Baud";
    return first + kLineBreak + OpenFailureAdvice(failure, entry);
}

std::string ConnectionLostText(const std::string& device, const std::string& systemText)
{
    const char* check = NamesNetworkEndpoint(device)
                            ? "Check the network, and that the gateway or device server has "
                              "power and still lets this computer in, then try again."
                            : "Check that the cable and adapter are plugged in and the controller "
                              "has power, then try again.";
    return "The connection to " + device + " was lost" + WithReason(systemText) + "." + kLineBreak +
           check;
}

std::string RefusalText(int requestFunction, int code)
{
    const char* request = requestFunction == modbus::kWriteMultipleRegisters ? "write" : "read";
    std::string text = std::string("The controller refused the ") + request +
                       " request with exception code " + std::to_string(code);
    const std::string_view name = modbus::ExceptionName(code);
    if (!name.empty())
        text += " (" + std::string(name) + ")";
    return text + ".";
}

std::string NoResponseText()
{
    return "No Response From Morvane\r\n"
           "Check Power and Comms Connection\r\n"
           "If necessary install link between MI and COM on K3";
}

std::optional<std::string> ReplyFaultText(const ReceiveResult& result, int requestFunction)
{
    if (result.outcome == ReceiveOutcome::Refused)
        return RefusalText(requestFunction, result.exceptionCode);
    if (result.outcome == ReceiveOutcome::ConnectionLost && !result.device.empty())
        return ConnectionLostText(result.device, result.systemText);
    return std::nullopt;
}

std::string ConfigOpenFailureText(const std::string& path, const std::string& problem)
{
    return "Unable to open the configuration file " + path + kLineBreak + problem;
}

namespace
{

std::string SaveFailureText(std::string_view what, const std::string& path,
                            const std::string& reason)
{
    return "Unable to save " + std::string(what) + " to " + path + kLineBreak + reason +
           (reason.ends_with('.') ? "" : ".") + kLineBreak +
           "Any file that was there before is unchanged.";
}

} // namespace

std::string ConfigSaveFailureText(const std::string& path, const std::string& reason)
{
    return SaveFailureText("the configuration", path, reason);
}

std::string PageSaveFailureText(const std::string& path, const std::string& reason)
{
    return SaveFailureText("the PDF", path, reason);
}

} // namespace morvane
