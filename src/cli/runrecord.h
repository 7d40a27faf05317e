#pragma once
// What a write or a diff keeps of its run for whoever checks it afterwards: the file it took and
// that file's SHA-256, the registers that differ, the failure's message, and how it ended. It
// becomes the JSON document of --json and the row of --log; the log is opened before anything
// is sent, so that a run that could not be recorded never reaches a unit.

#include "cli/arguments.h"
#include "cli/results.h"
#include "configfile/configfile.h"
#include "files/recordlog.h"
#include "port/portresolve.h"

#include <optional>
#include <string>

namespace morvane::cli
{

class RunRecord
{
  public:
    RunRecord(const Invocation& call, const ResolvedPort& port);

    bool LogOpen() const { return m_log.IsOpen(); }
    // Opens --log, writing its header when it is new; the system's reason when it cannot.
    std::optional<std::string> OpenLog();

    // Reads the file of the command, standard input for "-", and keeps its SHA-256.
    ConfigFileResult ReadFile();
    // Keeps the registers that differ, with their rows' captions as a window shows them for
    // the mode `expected` holds, and returns them.
    const std::vector<CaptionedDifference>& TakeDifferences(const Registers& expected,
                                                            const Registers& held);
    void TakeFailure(const std::string& message) { m_result.message = message; }

    // The document of --json for a run that ended with this status.
    QByteArray Json(int status);
    // Appends the run's row to the log: the verdict of the exchange's status, and the status the
    // program exits with, which may be another when the results did not reach standard output.
    // The system's reason when it cannot.
    std::optional<std::string> AppendLogRow(int status, int exitStatus);

  private:
    const Invocation& m_call;
    ResolvedPort m_port;
    RunResult m_result;
    std::string m_adapterSerial;
    RecordLog m_log;
};

} // namespace morvane::cli
