#pragma once
// A computer whose serial ports and device groups the test decides.

#include "port/systemports.h"

#include <map>
#include <string>
#include <vector>

namespace morvane::testing
{

class FakeSystemPorts : public PortSystem
{
  public:
    std::vector<std::string> SerialPorts() const override { return ports; }
    std::string AccessGroup(const std::string& device) const override
    {
        const auto found = groups.find(device);
        return found == groups.end() ? std::string() : found->second;
    }

    std::vector<std::string> ports;
    std::map<std::string, std::string> groups; // device -> group that grants access
};

} // namespace morvane::testing
