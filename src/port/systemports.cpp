#include "port/systemports.h"

#include "port/portresolve.h"

#include <QDir>
#include <QSerialPortInfo>

#include <set>

#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#endif

namespace morvane
{

std::vector<std::string> HostPortSystem::SerialPorts() const
{
    std::set<std::string> ports;
#ifdef _WIN32
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.insert(info.portName().toStdString()); // "COM3", as the port field takes it
#else
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.insert(info.systemLocation().toStdString());
    const QDir dev(QStringLiteral("/dev"));
    const QStringList adapters = dev.entryList(
        {QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")}, QDir::System | QDir::AllEntries);
    for (const QString& name : adapters)
        ports.insert(dev.filePath(name).toStdString());
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

} // namespace morvane
