#pragma once
// What the system can tell about its serial ports beyond opening one: which devices there
// are, what they are, and which group grants access to a device. A failed open names them in
// its advice, and the port list shows them. Behind an interface, so that tests decide what
// the computer has.

#include "port/portresolve.h"

#include <cstdint>
#include <string>
#include <vector>

namespace morvane
{

// A serial device and what the system says of it; any of the words may be unknown (empty).
struct SerialPortDetails {
    std::string device; // "/dev/ttyUSB0", or "COM3" on Windows
    std::string description;
    std::string manufacturer;
    std::string serialNumber;
    // The name under /dev/serial/by-id that stays with the adapter whatever order the
    // adapters were plugged in; empty where there is none.
    std::string stableName;
};

// Why a MORVANE_COM<n> variable leads to no port.
enum class PortVariableFault {
    None,
    NoSuchDevice,     // nothing there, or a link that leads nowhere
    NotASerialDevice, // a file, a folder, /dev/null: anything but a terminal device
};

// A port number that a MORVANE_COM<n> variable points elsewhere.
struct PortVariable {
    std::int16_t number = 0;
    std::string target; // the variable's value
    std::string device; // the file it comes to once links are followed; empty when none
    PortVariableFault fault = PortVariableFault::None;
};

class PortSystem
{
  public:
    virtual ~PortSystem() = default;

    // The serial devices this computer has, sorted, without repeats.
    virtual std::vector<std::string> SerialPorts() const = 0;

    // The group that owns a device file when its members may read and write it, so that
    // joining the group gives access; empty otherwise.
    virtual std::string AccessGroup(const std::string& device) const = 0;

    // The serial devices with what is known of them, sorted by device.
    virtual std::vector<SerialPortDetails> PortDetails() const = 0;

    // The MORVANE_COM<n> variables that are set, by number, each with its device or why it
    // has none.
    virtual std::vector<PortVariable> PortVariables() const = 0;
};

// This computer: what Qt finds, plus USB adapters (/dev/ttyUSB*, /dev/ttyACM*) and the
// devices of /dev/serial/by-id on Unix, which Qt misses when the system's device database is
// not running. No access groups and no port variables on Windows.
class HostPortSystem final : public PortSystem
{
  public:
    std::vector<std::string> SerialPorts() const override;
    std::string AccessGroup(const std::string& device) const override;
    std::vector<SerialPortDetails> PortDetails() const override;
    std::vector<PortVariable> PortVariables() const override;
};

// One entry of the port list: a device, and the port numbers that stand for it; or a variable
// that leads to no port, shown so that the technician learns why its number does not work.
struct PortListEntry {
    SerialPortDetails port;
    std::vector<PortVariable> variables; // lowest number first
    bool choosable = true;               // false: the one variable, which leads to no port
};

// The system's ports with the variables that point at them, then the devices that only a
// variable names (pseudo-terminals, which the system does not list), by number, then the
// variables that lead to no port, by number.
std::vector<PortListEntry> PortListEntries(const PortSystem& system);

// What choosing an entry writes into the port field: the number of a port variable that
// points at it, COMn as n on Windows, else the stable name, else the device. Nothing for an
// entry that cannot be chosen.
std::string PortFieldText(const PortListEntry& entry, PortPlatform platform = kThisPlatform);

} // namespace morvane
