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

// A port number that a MORVANE_COM<n> variable points at an existing device.
struct PortVariable {
    std::int16_t number = 0;
    std::string target; // the variable's value
    std::string device; // the device file it comes to once links are followed
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

    // The MORVANE_COM<n> variables set to a device that exists, by number.
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

// One entry of the port list: a device, and the port numbers that stand for it.
struct PortListEntry {
    SerialPortDetails port;
    std::vector<PortVariable> variables; // lowest number first
};

// The system's ports with the variables that point at them, then the devices that only a
// variable names (pseudo-terminals, which the system does not list), by number.
std::vector<PortListEntry> PortListEntries(const PortSystem& system);

// What choosing an entry writes into the port field: the number of a port variable that
// points at it, COMn as n on Windows, else the stable name, else the device.
std::string PortFieldText(const PortListEntry& entry, PortPlatform platform = kThisPlatform);

} // namespace morvane
