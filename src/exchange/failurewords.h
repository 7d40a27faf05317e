#pragma once
// What the technician is told: the status words, the text of every message, and the order in
// which a failure reaches the status line, the message box and the watchdog. The link and the
// port only say what happened; the words are all here, for the window and the command line.

#include "controller/registermap.h"
#include "port/portopening.h"
#include "port/systemports.h"
#include "protocol/linkhost.h"
#include "protocol/replywait.h"
#include "protocol/trafficdecode.h"

#include <optional>
#include <string>
#include <string_view>

namespace morvane
{

namespace status
{
inline constexpr std::string_view kReading = "Reading";
inline constexpr std::string_view kWriteSent = "Write Sent";
inline constexpr std::string_view kReadOk = "Read OK";
inline constexpr std::string_view kError = "ERROR";
} // namespace status

inline constexpr std::string_view kErrorTitle = "Error";
inline constexpr std::string_view kCommunicationErrorTitle = "Communication Error";

// Where the user names the port, for the advice to point at: the window's port field or the
// command line's --port.
enum class PortEntry { Field, Option };

// The lines below "Unable to open Com Port ...": the device, the reason in plain words and the
// remedy where one is known.
std::string OpenFailureAdvice(const OpenFailure& failure, PortEntry entry = PortEntry::Field);
// The whole message of a port that cannot be opened.
std::string OpenFailureText(const OpenFailure& failure, const std::string& baudText,
                            PortEntry entry = PortEntry::Field);

// The whole text of the connection-lost message.
std::string ConnectionLostText(const std::string& device, const std::string& systemText);

// The message of an exception reply to the request with the given function code.
std::string RefusalText(int requestFunction, int code);

// The watchdog's message: the controller has not answered a write within a second.
std::string NoResponseText();

// A field the write cannot send, as the window shows it.
struct RefusedField {
    std::string param;   // "Param4"
    std::string caption; // the row's caption without ": ", "5V Value"
    std::string text;    // the field's text
    RegisterWrite write;
    // Set when the mode in use greys the row out: that mode, and a mode that opens the row.
    std::optional<int> unusedInMode;
    std::optional<int> modeUsingRow;
};
// The first line of a refusal: what did not happen.
inline constexpr std::string_view kNothingWritten = "Nothing was written to the controller.";
inline constexpr std::string_view kNothingSaved = "The configuration was not saved.";
std::string WriteRefusalText(std::string_view nothingDone, const RefusedField& field);

// A Digits text that a configuration file cannot hold.
std::string DigitsRefusalText(const std::string& text);

// Configuration files: what a failed open or save says, naming the file, and the status after
// a good one, naming it shortly.
std::string ConfigOpenFailureText(const std::string& path, const std::string& problem);
std::string ConfigSaveFailureText(const std::string& path, const std::string& reason);
std::string SavedStatus(const std::string& fileName);
std::string OpenedStatus(const std::string& fileName);

// The command line: one line per step, "<step> ... <outcome>", and the failures in the
// window's words with plain line breaks.
std::string TerminalText(std::string_view message);
// How a step names the port: "/dev/ttyUSB0 (port 1)", "/dev/pts/3", "port 0".
std::string PortInWords(const ResolvedPort& port);
std::string ReadStepText(const ResolvedPort& port);
std::string WriteStepText(const ResolvedPort& port);
std::string ReadBackStepText(const ResolvedPort& port);
std::string FileCheckStepText(const std::string& path);
std::string FileSaveStepText(const std::string& path);
// Results that did not reach standard output: a full disk, a closed or full stream.
std::string StandardOutputFailureText(const std::string& reason);
inline constexpr std::string_view kCompareStep = "Comparing the registers read back with the file";
inline constexpr std::string_view kStepDone = "done";
std::string StepDoneText(long long elapsedMs);
std::string StepFailedText(long long elapsedMs);
std::string StepStoppedText(long long elapsedMs);
// The comparison's outcome: "all 9 agree", "1 differs", "3 differ".
std::string ComparisonText(int differing, int compared);
// A register that holds something other than what was written, with its row's caption as a
// window shows it for the mode written: "Register 5 (0V Value): wrote 100, read 7".
std::string RegisterDifferenceText(int reg, std::string_view caption, long written, long read);

// The line traffic window: the direction of a row, what its bytes mean, and how each command
// ended ("Read OK", or "ERROR: " and why).
namespace traffic
{
inline constexpr std::string_view kSent = "sent";
inline constexpr std::string_view kReceived = "received";
inline constexpr std::string_view kNothingSent = "ERROR: nothing sent, a field is out of range";
inline constexpr std::string_view kNothingSentNotANumber =
    "ERROR: nothing sent, a field is not a number";
inline constexpr std::string_view kAbandoned = "ERROR: stopped, the window was closed";
} // namespace traffic
std::string TrafficMeaningText(const TrafficFrame& frame);
std::string CommandDoneText(int requestFunction);
// A wait that ended without an answer: timed out, refused, or the connection lost.
std::string CommandFailedText(const ReceiveResult& result);
std::string CommandOpenFailedText(const OpenFailure& failure);
std::string TrafficSaveFailureText(const std::string& path, const std::string& reason);

// The port list: one entry's lines, and the entry that stands alone when there is no port.
inline constexpr std::string_view kNoSerialPortsFound =
    "No serial ports found: plug in the adapter, then open this list again";
std::string PortListEntryText(const PortListEntry& entry);

// The part of the window the commands speak through.
class CommandView
{
  public:
    virtual ~CommandView() = default;
    virtual void SetStatus(std::string_view text) = 0; // the status line Text2
    // A message box with one OK button and no icon; returns when the user dismisses it.
    virtual void ShowMessage(std::string_view title, const std::string& text) = 0;
};

// A port that cannot be opened. The watchdog is stopped before the message as well as after:
// a tick while the box waits would stack a second message on it.
void ReportOpenFailure(CommandView& view, LinkHost& host, const OpenFailure& failure,
                       const std::string& baudText);

// The watchdog's tick, stopped on both sides of its message for the same reason.
void ReportNoResponse(CommandView& view, LinkHost& host);

// A wait that ended in a refusal or a lost connection: "ERROR", then the message that says
// which. False for the other outcomes, which have nothing to say beyond the status: a silent
// controller, or a port whose opener has already said why it is closed.
bool ReportReplyFault(CommandView& view, const ReceiveResult& result, int requestFunction);

} // namespace morvane
