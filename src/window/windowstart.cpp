#include "window/windowstart.h"

#include "port/stopsignals.h"
#include "window/filemenu.h"
#include "window/frmmain.h"
#include "window/icon.h"

#include <QApplication>
#include <QTimer>

namespace morvane
{

int RunMainWindow(int& argc, char* argv[], const QString& file, const WindowStarted& started)
{
    QApplication app(argc, argv);
    // Set for the whole application, so that every dialog carries it too.
    QApplication::setWindowIcon(MorvaneIcon());
    FrmMain window;
    StopSignals stops(WindowStopSignals());
    QObject::connect(&stops, &StopSignals::caught, &window, [&window](int signalNumber) {
        window.CloseForStop();
        QCoreApplication::exit(StoppedExitStatus(signalNumber));
    });
    window.show();
    // A file named on the command line (a double-click in a file manager) opens once the
    // window is up, so that a message about a bad file has a window to stand over.
    if (!file.isEmpty())
        QTimer::singleShot(0, &window, [&window, file] { window.Files().OpenFile(file); });
    if (started)
        started(window);
    return QApplication::exec();
}

} // namespace morvane
