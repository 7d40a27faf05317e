#pragma once
// The window program from its application object to its end: the icon, the main window shown,
// stop signals answered, and a file named on the command line opened once the window is up.

#include <QString>

#include <functional>

namespace morvane
{

class FrmMain;

// Called once, right after the window was asked to show and before the event loop runs.
using WindowStarted = std::function<void(FrmMain&)>;

// Returns the program's exit status.
int RunMainWindow(int& argc, char* argv[], const QString& file, const WindowStarted& started = {});

} // namespace morvane
