#pragma once
// What the printed page of a configuration says, as plain values: the window makes it of what
// it holds now, the command line of a file or a unit read now, and the drawing (src/report)
// lays it out on paper without deciding anything.

#include "controller/configsheet.h"
#include "exchange/connection.h"
#include "port/portresolve.h"

#include <QDateTime>

#include <string>

namespace morvane
{

struct ReportPage {
    std::string program;    // the utility's name and version: "Morvane Config 1.0.0"
    std::string madeAt;     // "2026-12-09 10:15:00 CET"
    std::string connection; // ConnectionText
    std::string file;       // the configuration file, as the system writes paths; empty: none
    ConfigSheet sheet;
};

// The utility's name and version as the page heads it.
std::string ProgramTitle();

// The local date and time to the second, with the zone.
std::string PageTimeText(const QDateTime& time);

// A page of the sheet made now, for the configuration reached through `port` and `connection`.
ReportPage PageOf(ConfigSheet sheet, const ResolvedPort& port, const Connection& connection,
                  const std::string& file);

} // namespace morvane
