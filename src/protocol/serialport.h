#pragma once
// The serial-port component the link talks through: exactly the operations the link needs,
// so that a real port, a TCP connection to a gateway and a test's fake can stand in for each
// other.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morvane
{

// Why the port is not (or no longer) usable, in terms a technician can act on.
enum class PortFault {
    None,
    NoSuchDevice,
    PermissionDenied,
    InUse,
    SettingsRefused,
    ConnectionLost, // the device went away while the port was open
    Other,
    // A network endpoint that could not be reached.
    HostNotFound,      // the name does not resolve
    ConnectionRefused, // the host answered, but nothing listens on the port
    NoRoute,           // no way to the host from here
    ConnectTimeout,    // no connection within the connect time limit
};

class SerialPort
{
  public:
    virtual ~SerialPort() = default;

    // PortOpen: true while the port is open. Setting it true opens the port with the
    // properties below and leaves it closed on failure (LastFault() then says why);
    // setting it false closes it.
    virtual bool PortOpen() const = 0;
    virtual void SetPortOpen(bool open) = 0;

    // CommPort: 1 is the first serial port. A non-empty device path, when set, names the
    // device directly and takes the place of the number.
    virtual void SetCommPort(std::int16_t port) = 0;
    virtual void SetDevicePath(std::string path) = 0;
    // The device the current CommPort (or path) stands for, for messages.
    virtual std::string DeviceName() const = 0;

    // Settings: "baud,parity letter,data bits,stop bits", for instance "9600,N,8,1".
    virtual void SetSettings(std::string_view settings) = 0;
    // InputMode 1 hands input over as raw bytes; InputLen 1 takes one byte per Input().
    virtual void SetInputMode(int mode) = 0;
    virtual void SetInputLen(int length) = 0;
    // RTSEnable: RTS asserted while the port is open (where the device has the line).
    virtual void SetRTSEnable(bool enable) = 0;

    // Sends one byte; false when it could not be handed to the port.
    virtual bool Output(std::uint8_t byte) = 0;
    // Puts the bytes handed to Output() on the line without waiting for them to drain. The
    // link calls it once a frame is complete, so that the frame can leave in one piece: a
    // gap of more than 1.5 characters inside a Modbus RTU frame makes the slave drop it.
    virtual void Flush() {}
    // Number of received bytes waiting.
    virtual int InBufferCount() = 0;
    // Removes and returns one waiting byte; nothing when none waits.
    virtual std::optional<std::uint8_t> Input() = 0;

    virtual PortFault LastFault() const = 0;
    // The system's own words for the last fault, for the second line of a message.
    virtual std::string LastFaultText() const = 0;
};

} // namespace morvane
