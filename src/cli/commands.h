#pragma once
// The subcommands: "read" puts a controller's configuration into a file, "write" puts a
// file's configuration into a controller and, with --verify, proves that it is there.

#include "cli/arguments.h"
#include "cli/controllerlink.h"
#include "configfile/configfile.h"
#include "window/shownconfig.h"

namespace morvane::cli
{

// Runs anything but the window: a subcommand under a QCoreApplication, or help, version and
// wrong usage without one. Returns the exit status.
int Run(const Invocation& invocation, int& argc, char* argv[]);

// What a window shows after reading a unit, for the reader of the file: the rows' captions
// and texts, the selected mode's caption, and the time now.
ConfigNotes NotesAfterRead(const ShownConfiguration& shown);

} // namespace morvane::cli
