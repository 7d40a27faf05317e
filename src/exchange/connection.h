#pragma once
// How the utility reaches a unit, in one place: the slave address, the line's speed, parity and
// stop bits (8 data bits always), how long to wait for an answer and how often to ask again.
// The defaults are the ones the utility has always used: slave 1 at 9600 baud, 8N1, 20 s, one
// request per command. The window keeps a connection between runs, the command line takes one
// from its options, and both say it in the same words.

#include "controller/configblock.h"
#include "protocol/link.h"

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace morvane
{

enum class Parity { None, Even, Odd };

// The speeds a Morvane can be set to, slowest first.
inline constexpr std::array<int, 8> kConnectionBauds = {1200,  2400,  4800,  9600,
                                                        19200, 38400, 57600, 115200};
inline constexpr int kLowestSlave = 1;
inline constexpr int kHighestSlave = 247; // the highest unicast address of Modbus
inline constexpr int kShortestTimeLimitMs = 100;
inline constexpr int kLongestTimeLimitMs = 60000;
inline constexpr int kMostRetries = 5;

struct Connection {
    int slave = ConfigSlaveAddress;
    int baud = 9600;
    Parity parity = Parity::None;
    int stopBits = 1;
    int timeLimitMs = static_cast<int>(kReceiveTimeLimit * 1000);
    // Requests sent again after an attempt that the time limit ended.
    int retries = 0;

    bool operator==(const Connection&) const = default;
    bool IsDefault() const { return *this == Connection{}; }
    // Every setting within its range.
    bool IsValid() const;

    // The port settings' fields: "9600" and "None".
    std::string BaudText() const;
    std::string ParityName() const;
    // "9600 8N1".
    std::string LineText() const;
    // "slave 5, 19200 8E1, at rtu+tcp://10.0.0.7:4001"; the time limit and the retries are
    // named only when they are not the defaults. No place: the words end before " at".
    std::string InWords(std::string_view place = {}) const;
};

// "None", "Even", "Odd": the parity name of the port settings, whose first letter they take.
std::string_view ParityName(Parity parity);
// "none", "even", "odd", as the options take them.
std::string_view ParityWord(Parity parity);
std::optional<Parity> ParityOfWord(std::string_view word);
bool IsConnectionBaud(int baud);

// Seconds as the options take them: a whole number or one with up to three decimals ("20",
// "0.5", "2.25"); nothing for anything else, a sign or an exponent included.
std::optional<int> MillisecondsOfSecondsText(std::string_view text);
// "20", "0.5", "2.25".
std::string SecondsText(int milliseconds);

// "slave 1, 9600 baud, 8 data bits, no parity, 1 stop bit, 20 s, no retries".
std::string DefaultConnectionText();

// The port settings and the wait's limit of the link's next exchanges.
void UseConnection(Link& link, const Connection& connection);

// How long a connect to a network unit may take: the same limit as an answer, so that one
// setting bounds the whole exchange.
std::chrono::milliseconds ConnectTimeLimit(const Connection& connection);

} // namespace morvane
