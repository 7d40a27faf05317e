#pragma once
// What a subcommand found, for scripts: one JSON document on standard output (--json), and the
// word for how a write or a diff ended that the document and the production log share.

#include "cli/arguments.h"
#include "controller/registerdiff.h"
#include "exchange/scanplan.h"
#include "port/systemports.h"

#include <QByteArray>

#include <string>
#include <vector>

namespace morvane::cli
{

// A register that differs, with its row's caption as a window shows it for the file's mode.
struct CaptionedDifference {
    RegisterDifference values;
    std::string caption; // "Disp Delay"
};

// How a write or a diff ended.
struct RunResult {
    Action action = Action::Write;
    std::string port;     // as --port gave it
    std::string endpoint; // the device or network endpoint it stood for
    int slave = 0;
    std::string file; // as given, "-" for standard input
    std::string sha256;
    std::string verdict;
    std::string message; // the failure's message; empty when there was none
    std::vector<CaptionedDifference> differences;
};

// "written", "verified" or "agrees" for a run that ended well; "differs"; or the failure's
// word: "bad file", "port not opened", "no answer", "refused", "connection lost", "stopped".
std::string VerdictWord(Action action, bool verify, int exitStatus);

// {"command": "write", "port": ..., "endpoint": ..., "slave": 1, "file": ..., "sha256": ...,
//  "verdict": ..., "message": ..., "differences": [{"register": 7, "caption": "Disp Delay",
//  "file": 500, "unit": 999}]}; "message" only after a failure.
QByteArray RunResultJson(const RunResult& result);

// {"ports": [{"device": ..., "stableName": ..., "description": ..., "manufacturer": ...,
//  "serialNumber": ..., "portNumbers": [{"number": 1, "variable": "MORVANE_COM1", "target":
//  ...}], "choosable": true, "problem": ...}]}; "problem" only for a variable that leads to no
// port, which is then the entry's one port number.
QByteArray PortListJson(const std::vector<PortListEntry>& entries);

// {"port": ..., "endpoint": ..., "units": [{"slave": 5, "baud": 19200, "parity": "even",
//  "stopBits": 1, "registers": [...], "mode": "Up/Down Counter"}]}: the document of scan
// --json. A unit that refused the read has "exception" and its code in place of the registers,
// one whose register 4 holds no mode has no "mode".
QByteArray UnitsFoundJson(const std::string& port, const std::string& endpoint,
                          const std::vector<FoundUnit>& units);

} // namespace morvane::cli
