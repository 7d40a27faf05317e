#include "window/frmmain.h"
#include "window/icon.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Set for the whole application, so that every dialog carries it too.
    QApplication::setWindowIcon(morvane::MorvaneIcon());
    morvane::FrmMain window;
    window.show();
    return QApplication::exec();
}
