#include "app/parts.h"
#include "app/reportentry.h"
#include "cli/arguments.h"

#include <cstdio>

namespace morvane
{

int LaunchReport(int& argc, char* argv[])
{
    QString problem;
    const auto entry = reinterpret_cast<ReportEntry>(LoadPartEntry(
        PartPaths(QStringLiteral(MORVANE_REPORT_LIBRARY)), kReportEntryName, problem));
    if (!entry) {
        // The page is drawn with Qt Gui, which the command line's package leaves out.
        std::fprintf(stderr,
                     "morvane-config: report cannot be loaded: %s.\nIts package, morvane-config, "
                     "may be missing; the other subcommands need none: see morvane-config "
                     "--help\n",
                     qPrintable(problem));
        return cli::kUsage;
    }
    return entry(argc, argv);
}

} // namespace morvane
