#include "port/portresolve.h"

#include "common/numbertext.h"

#include <QString>

#ifdef _WIN32
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif

#include <algorithm>
#include <cctype>
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

constexpr std::string_view kSchemeEnd = "://";
constexpr std::size_t kLongestHostName = 253;

std::string Lowercase(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool IsHostNameCharacter(unsigned char c)
{
    return std::isalnum(c) || c == '-' || c == '.' || c == '_';
}

EndpointReading Refused(std::string problem)
{
    return {std::nullopt, std::move(problem)};
}

std::optional<std::uint16_t> TcpPortNumber(std::string_view text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    unsigned number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 1 || number > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(number);
}

// Read by the system's own parser, as the connect will read it; Qt Network is not linked here.
bool IsIpv6Address(const std::string& text)
{
    in6_addr address{};
    return inet_pton(AF_INET6, text.c_str(), &address) == 1;
}

// Splits "host", "host:port", "[v6]" or "[v6]:port" and checks the host; the port is read
// by the caller. An empty problem means the host is good.
std::string SplitHost(std::string_view authority, std::string& host, std::string_view& portText,
                      bool& hasPort)
{
    std::string_view rest;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return "the \"[\" before the IPv6 address is not closed by \"]\"";
        host = std::string(authority.substr(1, close - 1));
        if (!IsIpv6Address(host))
            return "[" + host + "] is not an IPv6 address";
        rest = authority.substr(close + 1);
        if (!rest.empty() && rest[0] != ':')
            return "only a port may follow the address, as in [" + host + "]:502";
    } else {
        const std::size_t colon = authority.find(':');
        if (colon != std::string_view::npos &&
            authority.find(':', colon + 1) != std::string_view::npos)
            return "an IPv6 address goes in brackets, as in [::1]:502";
        host = std::string(authority.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : authority.substr(colon);
        if (host.empty())
            return "the host is missing";
        if (host.size() > kLongestHostName || !std::all_of(host.begin(), host.end(), [](char c) {
                return IsHostNameCharacter(static_cast<unsigned char>(c));
            }))
            return "\"" + host + "\" is not a host name or address";
    }
    hasPort = !rest.empty();
    portText = hasPort ? rest.substr(1) : std::string_view();
    return {};
}

} // namespace

bool NamesNetworkEndpoint(std::string_view text)
{
    const std::size_t end = text.find(kSchemeEnd);
    if (end == std::string_view::npos || end == 0 ||
        !std::isalpha(static_cast<unsigned char>(text[0])))
        return false;
    return std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

EndpointReading ReadNetworkEndpoint(std::string_view text)
{
    if (!NamesNetworkEndpoint(text))
        return Refused("a network address begins with tcp:// or rtu+tcp://");
    const std::size_t schemeEnd = text.find(kSchemeEnd);
    const std::string scheme = Lowercase(text.substr(0, schemeEnd));
    NetworkEndpoint endpoint;
    if (scheme == "tcp")
        endpoint.framing = NetworkFraming::ModbusTcp;
    else if (scheme == "rtu+tcp")
        endpoint.framing = NetworkFraming::RtuOverTcp;
    else
        return Refused(scheme + ":// is not a way to reach a unit: use tcp:// or rtu+tcp://");
    std::string_view portText;
    bool hasPort = false;
    std::string problem =
        SplitHost(text.substr(schemeEnd + kSchemeEnd.size()), endpoint.host, portText, hasPort);
    if (!problem.empty())
        return Refused(std::move(problem));
    if (hasPort) {
        const std::optional<std::uint16_t> port = TcpPortNumber(portText);
        if (!port)
            return Refused("\"" + std::string(portText) +
                           "\" is not a TCP port: ports go from 1 to 65535");
        endpoint.port = *port;
    } else if (endpoint.framing == NetworkFraming::RtuOverTcp) {
        return Refused("rtu+tcp:// needs the port of the serial device server, as in "
                       "rtu+tcp://10.0.0.7:4001");
    }
    return {std::move(endpoint), {}};
}

std::string NetworkEndpointText(const NetworkEndpoint& endpoint)
{
    const bool v6 = endpoint.host.find(':') != std::string::npos;
    return std::string(endpoint.framing == NetworkFraming::ModbusTcp ? "tcp://" : "rtu+tcp://") +
           (v6 ? "[" + endpoint.host + "]" : endpoint.host) + ":" + std::to_string(endpoint.port);
}

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

namespace
{

ResolvedPort NetworkPort(std::string_view text)
{
    EndpointReading reading = ReadNetworkEndpoint(text);
    if (!reading.endpoint)
        return {ResolvedPort::Kind::BadNetwork, 0, std::string(text), {}, {},
                std::move(reading.problem)};
    const std::string url = NetworkEndpointText(*reading.endpoint);
    return {ResolvedPort::Kind::Network, 0, url, url, std::move(*reading.endpoint), {}};
}

} // namespace

ResolvedPort ResolvePort(std::string_view portText, const EnvLookup& env, PortPlatform platform)
{
    const std::size_t first = portText.find_first_not_of(" \t");
    if (first != std::string_view::npos && portText[first] == '/') {
        std::string path(portText.substr(first));
        return {ResolvedPort::Kind::Path, 0, path, path, {}, {}};
    }
    if (first != std::string_view::npos && NamesNetworkEndpoint(portText.substr(first))) {
        const std::string_view text = portText.substr(first);
        return NetworkPort(text.substr(0, text.find_last_not_of(" \t") + 1));
    }
    const double value = FieldValue(portText);
    const std::optional<std::int16_t> number = RoundToInt16(value);
    if (!number)
        return {
            ResolvedPort::Kind::OutOfRange, 0, PlainNumberText(RoundHalfEven(value)), {}, {}, {}};
    return {ResolvedPort::Kind::Number,
            *number,
            std::to_string(*number),
            DeviceForPortNumber(*number, env, platform),
            {},
            {}};
}

std::optional<ResolvedPort> ResolvePortOption(std::string_view text, const EnvLookup& env,
                                              PortPlatform platform)
{
    std::optional<std::int16_t> number = WholePortNumber(text);
    if (!number && platform == PortPlatform::Windows && text.starts_with("COM"))
        number = WholePortNumber(text.substr(3));
    if (number)
        return ResolvedPort{ResolvedPort::Kind::Number,
                            *number,
                            std::to_string(*number),
                            DeviceForPortNumber(*number, env, platform),
                            {},
                            {}};
    // Whatever looks like a URL and is no good one is a typo, not the name of a file.
    const bool anchoredPath = text.starts_with('/') || IsWorkingDirectoryPath(text);
    if (NamesNetworkEndpoint(text) || (!anchoredPath && text.find(kSchemeEnd) != text.npos)) {
        ResolvedPort network = NetworkPort(text);
        if (network.kind != ResolvedPort::Kind::Network)
            return std::nullopt;
        return network;
    }
    if (platform == PortPlatform::Windows || text.find('/') == std::string_view::npos)
        return std::nullopt;
    const std::string path(text);
    // A bare relative name would be taken for one under /dev.
    const bool anchored = path.front() == '/' || IsWorkingDirectoryPath(path);
    return ResolvedPort{ResolvedPort::Kind::Path, 0, path, anchored ? path : "./" + path, {}, {}};
}

} // namespace morvane
