#pragma once
// A computer whose serial ports, device groups and port variables the test decides.

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
    std::vector<SerialPortDetails> PortDetails() const override { return details; }
    std::vector<PortVariable> PortVariables() const override { return variables; }

    std::vector<std::string> ports;
    std::map<std::string, std::string> groups; // device -> group that grants access
    std::vector<SerialPortDetails> details;
    std::vector<PortVariable> variables;
};

} // namespace morvane::testing
