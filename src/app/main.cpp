#include "app/networkentry.h"
#include "app/reportentry.h"
#include "app/windowlaunch.h"
#include "cli/arguments.h"
#include "cli/commands.h"

int main(int argc, char* argv[])
{
    morvane::cli::HoldClosedStandardStreams();
    // Decided before any application object exists: a subcommand must not need a display.
    const morvane::cli::Invocation invocation = morvane::cli::ParseArguments(argc, argv);
    // Everything but the window and the report runs in this program, which links Qt Core,
    // Serial Port and Network alone; Qt Gui is loaded only for the window and for the page a
    // report draws.
    if (invocation.action == morvane::cli::Action::Window)
        return morvane::LaunchWindow(argc, argv, {invocation.file});
    if (invocation.action == morvane::cli::Action::Report)
        return morvane::LaunchReport(argc, argv);
    // Qt Network likewise, the first time a port names a unit on the network.
    morvane::SetNetworkPortMaker(&morvane::LoadedNetworkPort);
    return morvane::cli::Run(invocation, argc, argv);
}
