#pragma once
// The command line's own words: one line per step on standard error, "<step> ... <outcome>",
// and the failures in the window's words with plain line breaks.

#include "exchange/connectionwords.h"
#include "port/portresolve.h"

#include <string>
#include <string_view>

namespace morvane::cli
{

// A message of the window's, with the line breaks a terminal takes.
std::string TerminalText(std::string_view message);
std::string ReadStepText(const ResolvedPort& port);
std::string WriteStepText(const ResolvedPort& port);
std::string ReadBackStepText(const ResolvedPort& port);
std::string FileCheckStepText(const std::string& path);
std::string FileSaveStepText(const std::string& path);
std::string PageSaveStepText(const std::string& path);
// Results that did not reach standard output: a full disk, a closed or full stream.
std::string StandardOutputFailureText(const std::string& reason);
inline constexpr std::string_view kCompareStep = "Comparing the registers read back with the file";
inline constexpr std::string_view kStepDone = "done";
std::string StepDoneText(long long elapsedMs);
std::string StepFailedText(long long elapsedMs);
std::string StepStoppedText(long long elapsedMs);
// The comparison's outcome: "all 9 agree", "1 differs", "3 differ".
std::string ComparisonText(int differing, int compared);
// A register that holds something other than what was written, with its row's caption as a
// window shows it for the mode written: "Register 5 (0V Value): wrote 100, read 7".
std::string RegisterDifferenceText(int reg, std::string_view caption, long written, long read);

} // namespace morvane::cli
