#pragma once
// What the system can tell about its serial ports beyond opening one: which devices there
// are, and which group grants access to a device. A failed open names them in its advice.
// Behind an interface, so that tests decide what the computer has.

#include <string>
#include <vector>

namespace morvane
{

class PortSystem
{
  public:
    virtual ~PortSystem() = default;

    // The serial devices this computer has, sorted, without repeats.
    virtual std::vector<std::string> SerialPorts() const = 0;

    // The group that owns a device file when its members may read and write it, so that
    // joining the group gives access; empty otherwise.
    virtual std::string AccessGroup(const std::string& device) const = 0;
};

// This computer: what Qt finds, plus USB adapters (/dev/ttyUSB*, /dev/ttyACM*) on Unix, which
// Qt misses when the system's device database is not running. No access groups on Windows.
class HostPortSystem final : public PortSystem
{
  public:
    std::vector<std::string> SerialPorts() const override;
    std::string AccessGroup(const std::string& device) const override;
};

} // namespace morvane
