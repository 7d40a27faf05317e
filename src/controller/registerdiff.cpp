#include "controller/registerdiff.h"

#include "controller/fields.h"
#include "controller/modetable.h"

namespace morvane
{

std::vector<RegisterDifference> DifferingRegisters(const Registers& expected, const Registers& held)
{
    std::vector<RegisterDifference> differences;
    for (std::size_t k = 0; k < expected.size(); ++k)
        if (expected[k] != held[k])
            differences.push_back({ConfigFirstRegister + int(k), expected[k], held[k]});
    return differences;
}

std::string RegisterValueWords(int reg, std::uint16_t value)
{
    std::string words = std::to_string(value);
    if (reg != field::RegisterOfField(field::kMode))
        return words;
    if (!IsMode(value))
        return words + " (no such mode)";
    std::string name(ModeCaption(value));
    name.erase(name.find_last_not_of(' ') + 1); // "Counter  " is shown with trailing blanks
    return words + " (" + name + ")";
}

} // namespace morvane
