// The widgets the window is made of, one line each (see windowreplica.h), for startup_window
// --describe: the window built and shown as the window's library does, described, and ended.
//
// usage: startup_describe

#include "window/frmmain.h"
#include "window/windowstart.h"
#include "windowreplica.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    return morvane::RunMainWindow(argc, argv, {}, [](morvane::FrmMain& window) {
        QTimer::singleShot(0, &window, [&window] {
            for (const QString& line : morvane::bench::DescribeWindow(&window))
                std::printf("%s\n", qPrintable(line));
            QCoreApplication::quit();
        });
    });
}
