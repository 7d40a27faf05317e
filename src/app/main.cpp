#include "window/configfiles.h"
#include "window/frmmain.h"
#include "window/icon.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Set for the whole application, so that every dialog carries it too.
    QApplication::setWindowIcon(morvane::MorvaneIcon());
    morvane::FrmMain window;
    window.show();
    // A file named on the command line (a double-click in a file manager) opens once the
    // window is up, so that a message about a bad file has a window to stand over.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        QTimer::singleShot(0, &window,
                           [&window, file = arguments.at(1)] { window.Files().OpenFile(file); });
    return QApplication::exec();
}
