#pragma once
// The command line's own words: one line per step on standard error, "<step> ... <outcome>",
// and the failures in the window's words with plain line breaks.

#include "exchange/connection.h"
#include "exchange/connectionwords.h"
#include "exchange/unitscan.h"
#include "port/portresolve.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane::cli
{

// A message of the window's, with the line breaks a terminal takes.
std::string TerminalText(std::string_view message);
// The port, and the connection when it is not the default: "slave 5, 19200 8E1, at
// /dev/ttyUSB0 (port 1)".
std::string PlaceInWords(const ResolvedPort& port, const Connection& connection);
std::string ReadStepText(const ResolvedPort& port, const Connection& connection = {});
std::string WriteStepText(const ResolvedPort& port, const Connection& connection = {});
std::string ReadBackStepText(const ResolvedPort& port, const Connection& connection = {});
// "Scanning addresses 1-247 at 9600 8N1 on /dev/ttyUSB0 (port 1)", or on the network
// "Scanning addresses 1-247 at tcp://10.0.0.7:502".
std::string ScanStepText(const ResolvedPort& port, const Connection& line,
                         const std::vector<int>& slaves);
// How a line setting of a scan ended: "none found", "2 found in 20411 ms".
std::string ScanStepDoneText(int found, long long elapsedMs);
std::string ScanRefusedText(const OpenFailure& failure);
inline constexpr std::string_view kNoUnitFound =
    "No unit answered. Check the wiring and that the units have power; try other speeds, "
    "parities or addresses.";
std::string FileCheckStepText(const std::string& path);
std::string LogOpenStepText(const std::string& path);
// A production log that cannot be opened or appended to.
std::string LogFailureText(const std::string& path, const std::string& reason);
std::string FileSaveStepText(const std::string& path);
// How a step names the file "-": standard input or standard output.
inline constexpr std::string_view kStandardInput = "standard input";
// The ports subcommand when the system has no serial port.
inline constexpr std::string_view kNoSerialPorts =
    "No serial ports found: plug in the adapter, then run morvane-config ports again";
std::string PageSaveStepText(const std::string& path);
std::string PageSaveStepText(const std::string& path);
// Results that did not reach standard output: a full disk, a closed or full stream.
std::string StandardOutputFailureText(const std::string& reason);
inline constexpr std::string_view kCompareStep = "Comparing the registers read back with the file";
inline constexpr std::string_view kDiffStep = "Comparing the registers read with the file";
inline constexpr std::string_view kStepDone = "done";
std::string StepDoneText(long long elapsedMs);
std::string StepFailedText(long long elapsedMs);
std::string StepStoppedText(long long elapsedMs);
// The comparison's outcome: "all 9 agree", "1 differs", "3 differ".
std::string ComparisonText(int differing, int compared);
// A register that holds something other than what was written, with its row's caption as a
// window shows it for the mode written: "Register 5 (0V Value): wrote 100, read 7".
std::string RegisterDifferenceText(int reg, std::string_view caption, long written, long read);
// A register that holds something other than the file means, the mode named where it is the
// mode register: "Register 4 (Mode): file 9 (Up Timer), unit 1 (0-5V)".
std::string FileDifferenceText(int reg, std::string_view caption, std::uint16_t inFile,
                               std::uint16_t inUnit);

} // namespace morvane::cli
