#pragma once
// Starting the window from morvane-config when there is no subcommand: a display to show it
// on, its library loaded, its entry run. Qt Core only.

#include "app/windowentry.h"

#include <QStringList>

namespace morvane
{

// Returns the program's exit status.
int LaunchWindow(int& argc, char* argv[], const WindowRequest& request);
// The same with the window's library looked for in `libraryPaths` (PartPaths).
int LaunchWindowFrom(const QStringList& libraryPaths, int& argc, char* argv[],
                     const WindowRequest& request);

} // namespace morvane
