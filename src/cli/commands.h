#pragma once
// The subcommands: "read" puts a controller's configuration into a file, "write" puts a
// file's configuration into a controller and, with --verify, proves that it is there; "diff",
// "ports", "scan" and "report" compare, list, find and print.

#include "cli/arguments.h"
#include "cli/controllerlink.h"
#include "configfile/configfile.h"
#include "controller/shownconfig.h"
#include "exchange/reportpage.h"

#include <QByteArray>

#include <memory>

class QCoreApplication;

namespace morvane::cli
{

// A standard stream that was closed (">&-") would give its number to the next file opened,
// the port or the file to save, and results meant for it would go there. Each is held open
// on /dev/null the wrong way round instead, so that a write to it fails as it should. Call
// before anything opens a file.
void HoldClosedStandardStreams();

// What report needs of Qt Gui: the application the page's fonts come from, and the page drawn
// into a PDF. The report's own library hands them in, so that the command line links none of
// Qt Gui and no other subcommand loads it.
struct PageDrawing {
    std::unique_ptr<QCoreApplication> (*application)(int& argc, char* argv[]) = nullptr;
    QByteArray (*pdf)(const ReportPage& page) = nullptr;
};

// Runs anything but the window: a subcommand under a QCoreApplication, or help, version and
// wrong usage without one. Report runs only with `drawing`. Returns the exit status.
int Run(const Invocation& invocation, int& argc, char* argv[],
        const PageDrawing* drawing = nullptr);

// What a window shows after reading a unit, for the reader of the file: the rows' captions
// and texts, the selected mode's caption, and the time now.
ConfigNotes NotesAfterRead(const ShownConfiguration& shown);

} // namespace morvane::cli
