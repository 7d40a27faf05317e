// The window program's own start, up to the window's first paint, for bench_startup: what
// morvane-config does without a subcommand (app/windowlaunch.h), with the window's library
// built beside it. With --describe it prints instead the widgets the window is made of, through
// startup_describe, so that this program links no more than morvane-config does.
//
// usage: startup_window [--describe]

#include "app/windowlaunch.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "firstpaint.h"

#include <cstring>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--describe") == 0) {
        char* describe[] = {const_cast<char*>(STARTUP_DESCRIBE_BINARY), nullptr};
        ::execv(describe[0], describe);
        return 1;
    }
    morvane::cli::HoldClosedStandardStreams();
    const morvane::cli::Invocation invocation = morvane::cli::ParseArguments(argc, argv);
    const morvane::WindowRequest request{
        invocation.file,
        [](QObject& window, void*) { new morvane::bench::FirstPaint(&window); },
        nullptr,
    };
    return morvane::LaunchWindowFrom({QStringLiteral(MORVANE_WINDOW_LIBRARY_PATH)}, argc, argv,
                                     request);
}
