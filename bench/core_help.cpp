// The least a Qt command-line program does, for bench_cli to set morvane-config --help against:
// Qt Core alone linked, an application object made, a help text of about the same length
// printed.
//
// usage: core_help

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    const QCoreApplication app(argc, argv);
    const QString line =
        QStringLiteral("  --option VALUE    what the option does, in a few words\n");
    std::fputs(qPrintable(QStringLiteral("Usage: core_help [OPTION]...\n") + line.repeated(40)),
               stdout);
    return 0;
}
