#pragma once
// The parts of the program that link more than Qt Core, each in a library of its own that is
// loaded only when it is wanted, so that a subcommand loads none of their libraries: the
// window (Qt Widgets, Qt Gui and the desktop's graphics stack).

#include <QString>
#include <QStringList>

namespace morvane
{

// Where a part's library may be, in the order tried: beside the program (a build folder,
// Windows), then the folder an installed program keeps its parts in.
QStringList PartPaths(const QString& libraryFile);

// The function `entry` exported by the first of `paths` that exists, the library loaded for
// good; nullptr and the reason when there is none or it does not load.
QFunctionPointer LoadPartEntry(const QStringList& paths, const char* entry, QString& problem);

} // namespace morvane
