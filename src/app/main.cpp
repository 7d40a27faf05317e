#include "app/windowlaunch.h"
#include "cli/arguments.h"
#include "cli/commands.h"

int main(int argc, char* argv[])
{
    morvane::cli::HoldClosedStandardStreams();
    // Decided before any application object exists: a subcommand must not need a display.
    const morvane::cli::Invocation invocation = morvane::cli::ParseArguments(argc, argv);
    // Everything but the window runs in this program, which links Qt Core, Serial Port and
    // Network alone; the window's libraries are loaded only for the window.
    if (invocation.action != morvane::cli::Action::Window)
        return morvane::cli::Run(invocation, argc, argv);
    return morvane::LaunchWindow(argc, argv, {invocation.file});
}
