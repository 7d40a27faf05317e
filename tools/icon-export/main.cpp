// Writes the program's icon as PNG files in the sizes desktops look for:
// <out>/<size>/morvane-config.png for each size given.

#include "window/icon.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>

#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: morvane-icon-export OUTDIR SIZE...\n");
        return 2;
    }
    const QIcon icon = morvane::MorvaneIcon();
    for (qsizetype i = 2; i < args.size(); ++i) {
        const int size = args[i].toInt();
        const QString dir = args[1] + "/" + QString::number(size);
        QPixmap pixmap = icon.pixmap(size, size);
        if (size <= 0 || !QDir().mkpath(dir) ||
            !pixmap.scaled(size, size).save(dir + "/morvane-config.png")) {
            std::fprintf(stderr, "morvane-icon-export: cannot write the %s px icon\n",
                         qPrintable(args[i]));
            return 1;
        }
    }
    return 0;
}
