#pragma once
// The window's one entry, exported by the window's library for morvane-config to load when
// there is no subcommand. Qt Core only, so that the program that loads it links nothing of the
// window's.

#include <QString>

class QObject;

namespace morvane
{

// Called once, right after the window was asked to show and before the event loop runs.
using WindowShown = void (*)(QObject& window, void* context);

struct WindowRequest {
    QString file; // to open once the window is up; empty for none
    WindowShown shown = nullptr;
    void* context = nullptr;
};

// Runs the window program from its application object to its end; returns the exit status.
using WindowEntry = int (*)(int& argc, char* argv[], const WindowRequest& request);

inline constexpr char kWindowEntryName[] = "morvane_window_main";

} // namespace morvane
