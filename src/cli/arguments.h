#pragma once
// What the command line asks for. A subcommand, help or the version is decided here, before
// any application object exists, so that they never need a display; everything else opens
// the window.

#include "controller/displayformat.h"
#include "exchange/connection.h"
#include "exchange/scanplan.h"

#include <QString>
#include <QStringList>

namespace morvane::cli
{

// The program's exit status, for scripts that stop at the first unit that fails.
enum ExitCode : int {
    kDone = 0,           // done, and with --verify the unit holds what was written
    kUsage = 1,          // unknown option, missing or extra argument
    kBadFile = 2,        // the file or standard output cannot be written, or the file read
                         // is no valid configuration
    kPortNotOpened = 3,  // the serial port cannot be opened
    kNoAnswer = 4,       // no valid answer within the time limit; a scan found no unit
    kRefused = 5,        // the controller answered with an exception
    kConnectionLost = 6, // the device went away during the exchange
    kDiffers = 7,        // --verify read back something other than what was written, or diff
                         // found the unit holding something other than the file means
    // 128 + n: stopped by signal n (StoppedExitStatus): 129 SIGHUP, 130 SIGINT, 143 SIGTERM
};

enum class Action { Window, Read, Write, Diff, Ports, Scan, Report, Help, Version, Usage };

struct Invocation {
    Action action = Action::Window;
    // Window: the file to open, if any. Read: the output file, empty or "-" for standard
    // output. Write and Diff: the file to write or compare with, "-" for standard input.
    // Report: the file to record, empty with --from-unit.
    QString file;
    QString page;                           // Report: where the PDF goes, "-" for standard output
    bool fromUnit = false;                  // Report: record the unit, read now
    QString portText = QStringLiteral("1"); // as --port takes it, checked
    int digits = kDefaultDigits;
    bool verify = false;
    bool trace = false; // every frame on standard error as it goes or comes
    bool json = false;  // one JSON document on standard output
    bool quiet = false; // no step lines: only errors on standard error
    QString logFile;    // Write and Diff: the production log to append a row to; empty: none
    Connection connection;
    ScanPlan scan;   // Scan: what to try
    QString problem; // Usage: what is wrong, one sentence
};

// The arguments without the program's name.
Invocation ParseArguments(const QStringList& arguments);
// The same from main's arguments, read as the system's encoding without an application.
Invocation ParseArguments(int argc, char* argv[]);

QString HelpText();
QString VersionText();

} // namespace morvane::cli
