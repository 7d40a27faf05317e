#pragma once
// Which registers of the block two sets of values disagree on: what the window shows, what a
// file means or what was written, against what a unit holds. The window's compare, the
// write's verify and the command line's diff all ask this one question, so they cannot come
// to different answers.

#include "controller/configblock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace morvane
{

struct RegisterDifference {
    int reg = 0;                // 3 to 11
    std::uint16_t expected = 0; // what the window shows, the file means or the write sent
    std::uint16_t held = 0;     // what the unit holds
    friend bool operator==(const RegisterDifference&, const RegisterDifference&) = default;
};

// Every register whose values differ, lowest first; nothing when they agree.
std::vector<RegisterDifference> DifferingRegisters(const Registers& expected,
                                                   const Registers& held);

// A register value as a technician reads it: the number, and for the mode register the mode
// it selects, "9 (Up Timer)"; a number no option shows is "0 (no such mode)".
std::string RegisterValueWords(int reg, std::uint16_t value);

} // namespace morvane
