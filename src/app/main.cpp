#include "cli/arguments.h"
#include "cli/commands.h"
#include "window/windowstart.h"

#include <QtGlobal>

#include <cstdio>

namespace
{

// Without a display Qt would abort with a message about platform plugins; a technician at a
// terminal is better told that the subcommands need none.
bool NoDisplayForTheWindow()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return qEnvironmentVariableIsEmpty("DISPLAY") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return false;
#endif
}

int RunWindow(int& argc, char* argv[], const QString& file)
{
    if (NoDisplayForTheWindow()) {
        std::fputs("morvane-config: there is no display for the window (neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set).\nThe subcommands read and write need none: see "
                   "morvane-config --help\n",
                   stderr);
        return morvane::cli::kUsage;
    }
    return morvane::RunMainWindow(argc, argv, file);
}

} // namespace

int main(int argc, char* argv[])
{
    morvane::cli::HoldClosedStandardStreams();
    // Decided before any application object exists: a subcommand must not need a display.
    const morvane::cli::Invocation invocation = morvane::cli::ParseArguments(argc, argv);
    if (invocation.action != morvane::cli::Action::Window)
        return morvane::cli::Run(invocation, argc, argv);
    return RunWindow(argc, argv, invocation.file);
}
