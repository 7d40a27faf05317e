#pragma once
// What a scan for a unit tries and in which order: the addresses, speeds and parities, the
// time limit of each probe fitted to the line, and the words for a unit found.

#include "controller/configblock.h"
#include "exchange/connection.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane
{

// Time a unit takes to turn a request round, beyond the line time of request and reply.
inline constexpr int kDefaultProbeAllowanceMs = 50;
inline constexpr int kLongestProbeAllowanceMs = 10000;

struct ScanPlan {
    std::vector<int> slaves = DefaultScanSlaves();
    std::vector<int> bauds = {kConnectionBauds.begin(), kConnectionBauds.end()};
    std::vector<Parity> parities = {Parity::None, Parity::Even, Parity::Odd};
    int allowanceMs = kDefaultProbeAllowanceMs;

    static std::vector<int> DefaultScanSlaves();
};

// The lists as the options and the window take them; nothing for a text that is not one.
// Addresses: "1-247", "5", "1-10,17,200-247". Speeds: "9600,19200". Parities: "none,even".
// A value named twice counts once.
std::optional<std::vector<int>> ScanSlavesOfText(std::string_view text);
std::optional<std::vector<int>> ScanBaudsOfText(std::string_view text);
std::optional<std::vector<Parity>> ScanParitiesOfText(std::string_view text);
std::string ScanSlavesText(const std::vector<int>& slaves);
std::string ScanBaudsText(const std::vector<int>& bauds);
std::string ScanParitiesText(const std::vector<Parity>& parities);

// Bits a character takes: a start bit, 8 data bits, the parity bit if any, the stop bits.
int BitsPerCharacter(const Connection& line);
// A probe's limit: the request's 8 characters and the read reply's 23 at the line's speed,
// plus the allowance.
int ProbeTimeLimitMs(const Connection& line, int allowanceMs);

// The line settings in the order tried: the current settings, the defaults, then the rest of
// the plan's, each once and only where the plan has its speed and parity. Over the network,
// the current settings alone.
std::vector<Connection> ScanLineSettings(const ScanPlan& plan, const Connection& current,
                                         bool network);
// The addresses in the order tried: the current one, the default one, then the rest.
std::vector<int> ScanSlaveOrder(const ScanPlan& plan, const Connection& current);

struct FoundUnit {
    // The address and line settings it answered at; the current time limit and retries.
    Connection connection;
    std::optional<Registers> registers; // nothing: it refused the read
    int exceptionCode = 0;
};

// "slave 5, 19200 8E1: Up/Down Counter", "slave 9, 9600 8N1: refused the read (exception 2
// (illegal data address))".
std::string FoundUnitText(const FoundUnit& unit);
// The mode the registers select, by name ("Up/Down Counter"); nothing when register 4 holds
// none.
std::optional<std::string> ModeNameHeld(const Registers& registers);

} // namespace morvane
