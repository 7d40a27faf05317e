// The entry of the window's library (see windowentry.h): the only symbol it exports.

#include "app/windowentry.h"

#include "app/networkentry.h"

#include "window/frmmain.h"
#include "window/windowstart.h"

#include <type_traits>

extern "C" Q_DECL_EXPORT int morvane_window_main(int& argc, char* argv[],
                                                 const morvane::WindowRequest& request)
{
    // Qt Network as for the command line: loaded the first time a port names a network unit.
    morvane::SetNetworkPortMaker(&morvane::LoadedNetworkPort);
    morvane::WindowStarted started;
    if (request.shown)
        started = [&request](morvane::FrmMain& window) { request.shown(window, request.context); };
    return morvane::RunMainWindow(argc, argv, request.file, started);
}

static_assert(std::is_same_v<decltype(&morvane_window_main), morvane::WindowEntry>);
