#include "link/comport.h"

#include "link/qtserialport.h"

namespace morvane
{

namespace
{

constexpr const char* kLineBreak = "\r\n";

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

std::string MissingDeviceAdvice(const OpenFailure& f)
{
    std::string text = "There is no device " + f.device + WithReason(f.systemText) + "." +
                       kLineBreak + PortListSentence(f.availablePorts);
    if (f.platform == PortPlatform::Unix && f.port.kind == ResolvedPort::Kind::Number)
        text += std::string(kLineBreak) + "To use another device as port " + f.port.label +
                ", type its path into the port field or set " + PortEnvironmentName(f.port.number) +
                " to it.";
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

} // namespace

std::string OpenFailureAdvice(const OpenFailure& f)
{
    if (f.port.kind == ResolvedPort::Kind::OutOfRange)
        return "There is no port " + f.port.label + ": port numbers go from 1 to 32767." +
               kLineBreak + PortListSentence(f.availablePorts);
    if (f.device.empty())
        return "There is no port " + f.port.label + ": port numbers begin at 1." + kLineBreak +
               PortListSentence(f.availablePorts);
    switch (f.fault) {
    case PortFault::NoSuchDevice:
        return MissingDeviceAdvice(f);
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

std::string ConnectionLostText(const std::string& device, const std::string& systemText)
{
    return "The connection to " + device + " was lost" + WithReason(systemText) + "." + kLineBreak +
           "Check that the cable and adapter are plugged in and the controller has power, "
           "then try again.";
}

namespace
{

// Asks the system only for what the message needs: the device's group for a permission
// fault, the list of ports for a port that is not there.
void AddSystemFacts(OpenFailure& f)
{
    if (f.fault == PortFault::PermissionDenied)
        f.deviceGroup = DeviceAccessGroup(f.device);
    if (f.fault == PortFault::NoSuchDevice || f.device.empty())
        f.availablePorts = SerialPortsOnThisComputer();
}

void ReportOpenFailure(Link& link, OpenFailure failure, const std::string& baudText)
{
    if (link.port.PortOpen())
        link.port.SetPortOpen(false);
    AddSystemFacts(failure);
    // Stopped before the message too: a tick while it waits would stack a second message.
    link.host.StopWatchdog();
    link.host.ShowMessage("Error", "Unable to open Com Port " + failure.port.label + " at " +
                                       baudText + " Baud" + kLineBreak +
                                       OpenFailureAdvice(failure));
    link.host.SetStatus("ERROR");
    link.host.StopWatchdog();
}

std::string SettingsText(const std::string& baudText, const std::string& parityLetter,
                         std::int16_t dataBits, std::int16_t stopBits)
{
    return baudText + "," + parityLetter + "," + std::to_string(dataBits) + "," +
           std::to_string(stopBits);
}

} // namespace

void OpenComPort(Link& link, const ResolvedPort& port, const std::string& baudText,
                 std::int16_t& dataBits, const std::string& parityName, std::int16_t& stopBits)
{
    SerialPort& comm = link.port;
    const std::string parityLetter = parityName.substr(0, 1);
    if (comm.PortOpen())
        comm.SetPortOpen(false);

    OpenFailure failure{port, port.device, PortFault::NoSuchDevice, {}, {}, {}, {}, kThisPlatform};
    if (port.kind == ResolvedPort::Kind::OutOfRange || port.device.empty()) {
        ReportOpenFailure(link, failure, baudText);
        return;
    }
    comm.SetCommPort(port.number);
    comm.SetDevicePath(port.device);
    if (dataBits != 7 && dataBits != 8)
        dataBits = 8;
    if (stopBits != 1 && stopBits != 2)
        stopBits = 1;
    failure.settings = SettingsText(baudText, parityLetter, dataBits, stopBits);
    comm.SetSettings(failure.settings);
    comm.SetInputMode(1);
    comm.SetInputLen(1);
    comm.SetRTSEnable(true);
    comm.SetPortOpen(true);
    if (comm.PortOpen())
        return;
    failure.fault = comm.LastFault();
    failure.systemText = comm.LastFaultText();
    ReportOpenFailure(link, failure, baudText);
}

void WatchdogTick(Link& link)
{
    // Stopped first so that a timer still running while the message waits cannot show a
    // second one; stopped again after the message, as the tick's last act.
    link.host.StopWatchdog();
    link.host.ShowMessage("Communication Error", "No Response From Morvane\r\n"
                                                 "Check Power and Comms Connection\r\n"
                                                 "If necessary install link between MI and COM "
                                                 "on K3");
    link.host.StopWatchdog();
}

void ReportConnectionLost(Link& link)
{
    const std::string device = link.port.DeviceName();
    const std::string reason = link.port.LastFaultText();
    link.port.SetPortOpen(false);
    link.host.StopWatchdog();
    link.host.SetStatus("ERROR");
    link.host.ShowMessage("Communication Error", ConnectionLostText(device, reason));
}

} // namespace morvane
