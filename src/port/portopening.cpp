#include "port/portopening.h"

namespace morvane
{

namespace
{

bool IsNetwork(const ResolvedPort& port)
{
    return port.kind == ResolvedPort::Kind::Network || port.kind == ResolvedPort::Kind::BadNetwork;
}

// Asks the system only for what the advice needs: the device's group for a permission
// fault, the list of ports for a port that is not there.
OpenFailure WithSystemFacts(OpenFailure f, const PortSystem& system)
{
    if (IsNetwork(f.port))
        return f;
    if (f.fault == PortFault::PermissionDenied)
        f.deviceGroup = system.AccessGroup(f.device);
    if (f.fault == PortFault::NoSuchDevice || f.device.empty())
        f.availablePorts = system.SerialPorts();
    return f;
}

std::string SettingsText(const std::string& baudText, const std::string& parityLetter,
                         std::int16_t dataBits, std::int16_t stopBits)
{
    return baudText + "," + parityLetter + "," + std::to_string(dataBits) + "," +
           std::to_string(stopBits);
}

} // namespace

std::optional<OpenFailure> OpenComPort(SerialPort& comm, const ResolvedPort& port,
                                       const std::string& baudText, std::int16_t& dataBits,
                                       const std::string& parityName, std::int16_t& stopBits,
                                       const PortSystem& system)
{
    const std::string parityLetter = parityName.substr(0, 1);
    if (comm.PortOpen())
        comm.SetPortOpen(false);

    OpenFailure failure{port, port.device, PortFault::NoSuchDevice, {}, {}, {}, {}, kThisPlatform};
    if (port.kind == ResolvedPort::Kind::BadNetwork) {
        failure.fault = PortFault::Other;
        failure.systemText = port.problem;
        return failure;
    }
    if (port.kind == ResolvedPort::Kind::OutOfRange || port.device.empty())
        return WithSystemFacts(failure, system);
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
        return std::nullopt;
    failure.fault = comm.LastFault();
    failure.systemText = comm.LastFaultText();
    return WithSystemFacts(failure, system);
}

} // namespace morvane
