// Command-line switches of the virtual controller.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace morvane::sim
{

// Registers 3 to 11 as the configuration utility ships them.
inline constexpr std::array<uint16_t, 9> DesignRegisters = {2, 1, 0, 100, 500, 20, 1, 3, 0};
inline constexpr int FirstRegisterAddress = 2; // register 3 travels as wire address 2
inline constexpr int SlaveAddress = 1;

struct SimOptions {
    std::string linkPath;
    bool silent = false;
    int delayMs = 0;
    int exceptionCode = 0; // 0: answer normally
    bool badCrc = false;
    int noiseBytes = 0;
    int pieces = 1;
    int gapMs = 20;
    int answerSlave = SlaveAddress;
    std::optional<long> hangupAfter;
    std::array<uint16_t, 9> registers = DesignRegisters;
    // What registers 3 to 11 settle at after a write to them; empty: what was written.
    std::array<std::optional<uint16_t>, 9> disagree;
    long paceBaud = 0; // 0: replies leave as fast as the pseudo-terminal takes them
    bool verbose = false;
};

// Empty error text when argv was understood; otherwise the reason, for the usage message.
std::string ParseSimOptions(int argc, char** argv, SimOptions& options);

const char* SimUsage();

} // namespace morvane::sim
