// The window program's own start, up to the window's first paint, for bench_startup. With
// --describe it prints instead the widgets the window is made of (see windowreplica.h).
//
// usage: startup_window [--describe]

#include "window/frmmain.h"
#include "window/windowstart.h"
#include "windowreplica.h"

#include <cstring>

int main(int argc, char* argv[])
{
    const bool describe = argc > 1 && std::strcmp(argv[1], "--describe") == 0;
    return morvane::RunMainWindow(argc, argv, {}, [describe](morvane::FrmMain& window) {
        if (!describe) {
            new morvane::bench::FirstPaint(&window);
            return;
        }
        QTimer::singleShot(0, &window, [&window] {
            for (const QString& line : morvane::bench::DescribeWindow(&window))
                std::printf("%s\n", qPrintable(line));
            QCoreApplication::quit();
        });
    });
}
