#pragma once
// The program's icon: a controller's numeric display, drawn in code so it stays sharp at
// every size without image files.

#include <QIcon>

namespace morvane
{

// Needs a QGuiApplication. Holds the common sizes from 16 to 256 pixels, drawn when first
// asked for.
QIcon MorvaneIcon();

} // namespace morvane
