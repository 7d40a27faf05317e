#pragma once
// Which device a port field names. Port numbers come from a time when every computer had
// COM1 to COM4; on Unix they map to the kernel's /dev/ttyS devices unless the user points a
// number elsewhere, and a device path can be typed directly. A unit behind an Ethernet
// gateway or a serial device server is named by a URL instead: tcp://HOST[:PORT] for
// Modbus TCP, rtu+tcp://HOST:PORT for the serial line's own frames carried over TCP.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace morvane
{

enum class PortPlatform { Windows, Unix };

#ifdef _WIN32
inline constexpr PortPlatform kThisPlatform = PortPlatform::Windows;
#else
inline constexpr PortPlatform kThisPlatform = PortPlatform::Unix;
#endif

// Looks up an environment variable; nothing when it is not set.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;
std::optional<std::string> SystemEnvironment(const std::string& name);

// The variable that redirects port n on Unix: "MORVANE_COM3".
std::string PortEnvironmentName(std::int16_t number);

// The device that port n stands for: COMn on Windows; on Unix the value of MORVANE_COM<n>
// when it is set and not empty, otherwise /dev/ttyS<n-1>. Empty when n names no port (n < 1).
std::string DeviceForPortNumber(std::int16_t number, const EnvLookup& env,
                                PortPlatform platform = kThisPlatform);

enum class NetworkFraming {
    ModbusTcp,  // tcp://: the MBAP header instead of the CRC
    RtuOverTcp, // rtu+tcp://: the bytes of the serial line, CRC included
};

inline constexpr std::uint16_t kModbusTcpPort = 502;

struct NetworkEndpoint {
    NetworkFraming framing = NetworkFraming::ModbusTcp;
    std::string host; // a name or an address; an IPv6 address without its brackets
    std::uint16_t port = kModbusTcpPort;
    bool operator==(const NetworkEndpoint&) const = default;
};

// Whether a text begins with a URL scheme ("tcp://", "udp://"): it then names a network
// endpoint, well or badly, and never a port number or a device.
bool NamesNetworkEndpoint(std::string_view text);

// Reads "tcp://HOST[:PORT]" (port 502 when none is given) or "rtu+tcp://HOST:PORT". HOST is
// a name, an IPv4 address or an IPv6 address in brackets ("[::1]"); the scheme may be written
// in any case. Either the endpoint, or why the text names none.
struct EndpointReading {
    std::optional<NetworkEndpoint> endpoint;
    std::string problem;
};
EndpointReading ReadNetworkEndpoint(std::string_view text);

// The endpoint as messages name it and as the port takes it: "tcp://10.0.0.7:502",
// "rtu+tcp://[::1]:4001".
std::string NetworkEndpointText(const NetworkEndpoint& endpoint);

struct ResolvedPort {
    enum class Kind {
        Number,     // a port number that fits 16 bits
        Path,       // a device path typed directly
        OutOfRange, // a port number beyond 16 bits: no port can be opened for it
        Network,    // a network endpoint: the device is its URL
        BadNetwork, // a URL that names no endpoint: problem says why
    };
    Kind kind = Kind::Number;
    std::int16_t number = 0;       // the port number (Kind::Number), else 0
    std::string label;             // how messages name the port: "7", "/dev/ttyUSB0", "70000"
    std::string device;            // the device to open; empty when there is none
    NetworkEndpoint endpoint = {}; // Kind::Network
    std::string problem = {};      // Kind::BadNetwork
};

// The file of a device: a bare name ("ttyS0") lies under /dev on Unix, as the serial port
// takes it, and a name that begins with "./" or "../" under the working directory; Windows
// names ("COM3") are left as they are.
std::string DeviceFilePath(const std::string& device, PortPlatform platform = kThisPlatform);

// Reads the port field. A text that begins with "/" after leading blanks and tabs is a device
// path, taken as it stands from the "/" on; one that begins with a URL scheme is a network
// endpoint (blanks and tabs around it ignored); any other text is read as a number like every
// field ("3abc" is 3, "" is 0, "2.5" is 2) and rounded half-even to a 16-bit integer.
ResolvedPort ResolvePort(std::string_view portText, const EnvLookup& env = SystemEnvironment,
                         PortPlatform platform = kThisPlatform);

// Reads the command line's --port, stricter than the field so that a typo never reaches
// another unit: a whole number from 1 to 32767, COMn on Windows, a network endpoint as
// ReadNetworkEndpoint takes it, or on Unix a path, absolute or relative to the working
// directory (any other text with a "/" that has no "://" unless it begins with "/", "./" or
// "../"), used as it was given. Nothing for anything else.
std::optional<ResolvedPort> ResolvePortOption(std::string_view text,
                                              const EnvLookup& env = SystemEnvironment,
                                              PortPlatform platform = kThisPlatform);

} // namespace morvane
