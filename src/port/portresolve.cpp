#include "port/portresolve.h"

#include "common/numbertext.h"

#include <charconv>
#include <cstdlib>

namespace morvane
{

namespace
{

constexpr int kHighestPortNumber = 32767;

// Digits only: no sign, blank, point or letter.
std::optional<std::int16_t> WholePortNumber(std::string_view text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 1 ||
        number > kHighestPortNumber)
        return std::nullopt;
    return static_cast<std::int16_t>(number);
}

bool IsWorkingDirectoryPath(std::string_view path)
{
    return path.starts_with("./") || path.starts_with("../");
}

} // namespace

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
    if (platform == PortPlatform::Windows || device.empty() || device[0] == '/' ||
        IsWorkingDirectoryPath(device))
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

std::optional<ResolvedPort> ResolvePortOption(std::string_view text, const EnvLookup& env,
                                              PortPlatform platform)
{
    std::optional<std::int16_t> number = WholePortNumber(text);
    if (!number && platform == PortPlatform::Windows && text.starts_with("COM"))
        number = WholePortNumber(text.substr(3));
    if (number)
        return ResolvedPort{ResolvedPort::Kind::Number, *number, std::to_string(*number),
                            DeviceForPortNumber(*number, env, platform)};
    if (platform == PortPlatform::Windows || text.find('/') == std::string_view::npos)
        return std::nullopt;
    const std::string path(text);
    // A bare relative name would be taken for one under /dev.
    const bool anchored = path.front() == '/' || IsWorkingDirectoryPath(path);
    return ResolvedPort{ResolvedPort::Kind::Path, 0, path, anchored ? path : "./" + path};
}

} // namespace morvane
