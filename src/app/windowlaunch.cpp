#include "app/windowlaunch.h"

#include "app/parts.h"
#include "cli/arguments.h"

#include <cstdio>

namespace morvane
{

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

} // namespace

int LaunchWindow(int& argc, char* argv[], const WindowRequest& request)
{
    return LaunchWindowFrom(PartPaths(QStringLiteral(MORVANE_WINDOW_LIBRARY)), argc, argv, request);
}

int LaunchWindowFrom(const QStringList& libraryPaths, int& argc, char* argv[],
                     const WindowRequest& request)
{
    if (NoDisplayForTheWindow()) {
        std::fputs("morvane-config: there is no display for the window (neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set).\nThe subcommands read and write need none: see "
                   "morvane-config --help\n",
                   stderr);
        return cli::kUsage;
    }
    QString problem;
    const auto entry =
        reinterpret_cast<WindowEntry>(LoadPartEntry(libraryPaths, kWindowEntryName, problem));
    if (!entry) {
        // A station that installed the command line's package alone has no window.
        std::fprintf(stderr,
                     "morvane-config: the window cannot be loaded: %s.\nIts package, "
                     "morvane-config, may be missing. The subcommands read and write need none: "
                     "see morvane-config --help\n",
                     qPrintable(problem));
        return cli::kUsage;
    }
    return entry(argc, argv, request);
}

} // namespace morvane
