#pragma once
// The entry of the report's library, which morvane-config loads for the report subcommand
// alone: drawing the page needs Qt Gui, which no other subcommand may load. Qt Core only.

namespace morvane
{

// Parses the arguments as morvane-config does and runs the report; returns the exit status.
using ReportEntry = int (*)(int& argc, char* argv[]);

inline constexpr char kReportEntryName[] = "morvane_report_main";

// Loads the report's library beside the program or among its installed parts and runs its
// entry; a library that cannot be loaded ends with a message and exit status 1.
int LaunchReport(int& argc, char* argv[]);

} // namespace morvane
