#include "port/systemports.h"

#include "port/portresolve.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSerialPortInfo>

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <set>
#include <string_view>

#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace morvane
{

namespace
{

// How the port field and the port open name a device Qt lists.
std::string DeviceOf(const QSerialPortInfo& info)
{
#ifdef _WIN32
    return info.portName().toStdString(); // "COM3", as the port field takes it
#else
    return info.systemLocation().toStdString();
#endif
}

#ifndef _WIN32
// Unix98 pseudo-terminals: the kernel files them under no device class.
constexpr unsigned kFirstPtyMajor = 136;
constexpr unsigned kLastPtyMajor = 143;
constexpr unsigned kMemoryMajor = 1; // /dev/null, /dev/zero, /dev/full, /dev/random

// A character device the kernel files under its terminals (serial ports, adapters, consoles)
// or a pseudo-terminal. Told without opening it: an open raises a serial port's DTR line,
// which resets some devices.
bool IsTerminalDevice(dev_t device)
{
    const unsigned kind = major(device);
    if (kind >= kFirstPtyMajor && kind <= kLastPtyMajor)
        return true;
    const QString entry = QStringLiteral("/sys/dev/char/%1:%2").arg(kind).arg(minor(device));
    // Without the kernel's device tree, only the memory devices can be told apart.
    if (!QFileInfo::exists(QStringLiteral("/sys/dev/char")))
        return kind != kMemoryMajor;
    return QFileInfo(entry + QStringLiteral("/subsystem")).canonicalFilePath().endsWith("/tty");
}

PortVariableFault DeviceFault(const std::string& path)
{
    struct stat info {
    };
    if (::stat(path.c_str(), &info) != 0)
        return PortVariableFault::NoSuchDevice;
    return S_ISCHR(info.st_mode) && IsTerminalDevice(info.st_rdev)
               ? PortVariableFault::None
               : PortVariableFault::NotASerialDevice;
}

std::vector<std::string> AdapterDevices()
{
    const QDir dev(QStringLiteral("/dev"));
    const QStringList names = dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                            QDir::System | QDir::AllEntries);
    std::vector<std::string> devices;
    for (const QString& name : names) {
        // A file left by a write to an adapter that was not plugged in is no adapter.
        const std::string device = dev.filePath(name).toStdString();
        if (DeviceFault(device) == PortVariableFault::None)
            devices.push_back(device);
    }
    return devices;
}

// The by-id names with the device each leads to; a name whose device is gone is left out.
std::vector<std::pair<std::string, std::string>> StableNames()
{
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    std::vector<std::pair<std::string, std::string>> names;
    for (const QFileInfo& link :
         byId.entryInfoList(QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString device = link.canonicalFilePath();
        if (!device.isEmpty())
            names.emplace_back(link.absoluteFilePath().toStdString(), device.toStdString());
    }
    return names;
}

// n of a variable named exactly as PortEnvironmentName(n) names it.
std::optional<std::int16_t> VariableNumber(const std::string& name)
{
    constexpr std::string_view kPrefix = "MORVANE_COM";
    if (!name.starts_with(kPrefix))
        return std::nullopt;
    int number = 0;
    const char* digits = name.data() + kPrefix.size();
    const auto [end, error] = std::from_chars(digits, name.data() + name.size(), number);
    if (error != std::errc() || end != name.data() + name.size() || number < 1 || number > 32767)
        return std::nullopt;
    const auto n = static_cast<std::int16_t>(number);
    return PortEnvironmentName(n) == name ? std::optional(n) : std::nullopt;
}
#endif

// n of a Windows port name COMn.
std::optional<int> ComNumber(const std::string& device)
{
    if (device.size() < 4 || !device.starts_with("COM") || device[3] == '0')
        return std::nullopt;
    int number = 0;
    const auto [end, error] =
        std::from_chars(device.data() + 3, device.data() + device.size(), number);
    if (error != std::errc() || end != device.data() + device.size() || number > 32767)
        return std::nullopt;
    return number;
}

} // namespace

std::vector<std::string> HostPortSystem::SerialPorts() const
{
    std::set<std::string> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.insert(DeviceOf(info));
#ifndef _WIN32
    for (const std::string& device : AdapterDevices())
        ports.insert(device);
#endif
    return {ports.begin(), ports.end()};
}

std::string HostPortSystem::AccessGroup(const std::string& device) const
{
#ifdef _WIN32
    (void)device;
    return {};
#else
    struct stat info {
    };
    if (::stat(DeviceFilePath(device).c_str(), &info) != 0)
        return {};
    if ((info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return {};
    const struct group* owner = ::getgrgid(info.st_gid);
    return owner != nullptr ? owner->gr_name : std::string();
#endif
}

std::vector<SerialPortDetails> HostPortSystem::PortDetails() const
{
    std::map<std::string, SerialPortDetails> ports;
    const auto entry = [&ports](const std::string& device) -> SerialPortDetails& {
        SerialPortDetails& port = ports[device];
        port.device = device;
        return port;
    };
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortDetails& port = entry(DeviceOf(info));
        port.description = info.description().toStdString();
        port.manufacturer = info.manufacturer().toStdString();
        port.serialNumber = info.serialNumber().toStdString();
    }
#ifndef _WIN32
    for (const std::string& device : AdapterDevices())
        entry(device);
    for (const auto& [name, device] : StableNames()) {
        SerialPortDetails& port = entry(device);
        if (port.stableName.empty())
            port.stableName = name;
    }
#endif
    std::vector<SerialPortDetails> details;
    for (auto& [device, port] : ports)
        details.push_back(std::move(port));
    return details;
}

std::vector<PortVariable> HostPortSystem::PortVariables() const
{
    std::vector<PortVariable> variables;
#ifndef _WIN32
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : environment.keys()) {
        const std::optional<std::int16_t> number = VariableNumber(name.toStdString());
        const std::string target = environment.value(name).toStdString();
        if (!number || target.empty())
            continue;
        // The port opens what the link leads to.
        const std::string device = QFileInfo(QString::fromStdString(DeviceFilePath(target)))
                                       .canonicalFilePath()
                                       .toStdString();
        variables.push_back(
            {*number, target, device,
             device.empty() ? PortVariableFault::NoSuchDevice : DeviceFault(device)});
    }
    std::sort(variables.begin(), variables.end(),
              [](const PortVariable& a, const PortVariable& b) { return a.number < b.number; });
#endif
    return variables;
}

std::vector<PortListEntry> PortListEntries(const PortSystem& system)
{
    std::vector<PortListEntry> entries;
    for (SerialPortDetails& port : system.PortDetails())
        entries.push_back({std::move(port), {}});
    std::vector<PortVariable> variables = system.PortVariables();
    std::stable_sort(
        variables.begin(), variables.end(),
        [](const PortVariable& a, const PortVariable& b) { return a.number < b.number; });
    std::vector<PortListEntry> noPort;
    for (const PortVariable& variable : variables) {
        if (variable.fault != PortVariableFault::None) {
            noPort.push_back({{}, {variable}, false});
            continue;
        }
        const auto same = std::find_if(entries.begin(), entries.end(), [&](const PortListEntry& e) {
            return e.port.device == variable.device;
        });
        if (same != entries.end())
            same->variables.push_back(variable);
        else
            entries.push_back({{variable.device, {}, {}, {}, {}}, {variable}});
    }
    entries.insert(entries.end(), noPort.begin(), noPort.end());
    return entries;
}

std::string PortFieldText(const PortListEntry& entry, PortPlatform platform)
{
    if (!entry.choosable)
        return {};
    if (!entry.variables.empty())
        return std::to_string(entry.variables.front().number);
    if (platform == PortPlatform::Windows) {
        if (const std::optional<int> number = ComNumber(entry.port.device))
            return std::to_string(*number);
    }
    if (!entry.port.stableName.empty())
        return entry.port.stableName;
    return entry.port.device;
}

} // namespace morvane
