#include "port/portresolve.h"

#include "common/numbertext.h"

#include <cstdlib>

namespace morvane
{

std::optional<std::string> SystemEnvironment(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

std::string PortEnvironmentName(std::int16_t number)
{
    return "MORVANE_COM" + std::to_string(number);
}

std::string DeviceForPortNumber(std::int16_t number, const EnvLookup& env, PortPlatform platform)
{
    if (number < 1)
        return {};
    if (platform == PortPlatform::Windows)
        return "COM" + std::to_string(number);
    if (env) {
        const std::optional<std::string> redirected = env(PortEnvironmentName(number));
        if (redirected && !redirected->empty())
            return *redirected;
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

std::string DeviceFilePath(const std::string& device, PortPlatform platform)
{
    if (platform == PortPlatform::Windows || device.empty() || device[0] == '/')
        return device;
    return "/dev/" + device;
}

ResolvedPort ResolvePort(std::string_view portText, const EnvLookup& env, PortPlatform platform)
{
    const std::size_t first = portText.find_first_not_of(" \t");
    if (first != std::string_view::npos && portText[first] == '/') {
        std::string path(portText.substr(first));
        return {ResolvedPort::Kind::Path, 0, path, path};
    }
    const double value = FieldValue(portText);
    const std::optional<std::int16_t> number = RoundToInt16(value);
    if (!number)
        return {ResolvedPort::Kind::OutOfRange, 0, PlainNumberText(RoundHalfEven(value)), {}};
    return {ResolvedPort::Kind::Number, *number, std::to_string(*number),
            DeviceForPortNumber(*number, env, platform)};
}

} // namespace morvane
