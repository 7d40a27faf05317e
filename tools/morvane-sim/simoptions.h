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

// What carries the requests: a new pseudo-terminal, or a TCP port on 127.0.0.1 with Modbus
// TCP or with the serial line's frames.
enum class Transport { Pty, Tcp, RtuOverTcp };

struct SimOptions {
    Transport transport = Transport::Pty;
    int tcpPort = 0; // 0: a free port the system picks
    int slave = SlaveAddress;
    // The line settings it serves at; where the line knows the utility's (a pseudo-terminal),
    // a request sent with others is not made out. Unset: any.
    std::optional<long> baud;
    std::optional<char> parity; // N, E or O
    std::string linkPath;
    bool silent = false;
    int delayMs = 0;
    int exceptionCode = 0; // 0: answer normally
    bool badCrc = false;
    int badCrcFirst = 0; // the first this many replies spoiled as by badCrc, the rest sound
    int noiseBytes = 0;
    int pieces = 1;
    int gapMs = 20;
    std::optional<int> answerSlave; // unset: its own address
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
