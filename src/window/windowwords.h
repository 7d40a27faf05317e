#pragma once
// The words only the window says: its status line, the titles of its message boxes, a field the
// write or the save refuses, the rows with which the line traffic window ends each command, and
// the entries of the port list. The words it shares with the command line are the exchange's
// (exchange/failurewords.h, exchange/trafficwords.h).

#include "controller/registerdiff.h"
#include "controller/registermap.h"
#include "exchange/connection.h"
#include "exchange/failurewords.h"
#include "exchange/portwords.h"
#include "port/portopening.h"
#include "port/systemports.h"
#include "protocol/replywait.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane
{

namespace status
{
inline constexpr std::string_view kReading = "Reading";
inline constexpr std::string_view kWriteSent = "Write Sent";
inline constexpr std::string_view kReadOk = "Read OK";
// A write that the read back confirms.
inline constexpr std::string_view kVerified = "Verified";
} // namespace status

inline constexpr std::string_view kErrorTitle = "Error";
inline constexpr std::string_view kCommunicationErrorTitle = "Communication Error";

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

// The status after a good save or open, naming the file shortly.
std::string SavedStatus(const std::string& fileName);
std::string OpenedStatus(const std::string& fileName);

// The line traffic window: how each command ended ("Read OK", or "ERROR: " and why).
namespace traffic
{
inline constexpr std::string_view kNothingSent = "ERROR: nothing sent, a field is out of range";
inline constexpr std::string_view kNothingSentNotANumber =
    "ERROR: nothing sent, a field is not a number";
inline constexpr std::string_view kAbandoned = "ERROR: stopped, the window was closed";
} // namespace traffic
std::string CommandDoneText(int requestFunction);
// A wait that ended without an answer: timed out, refused, or the connection lost.
std::string CommandFailedText(const ReceiveResult& result, const Connection& connection = {});
std::string CommandOpenFailedText(const OpenFailure& failure);

// How the title names the port of the port field: "port 1", "/dev/ttyUSB0",
// "rtu+tcp://10.0.0.7:4001".
std::string PortPlaceText(const ResolvedPort& port);
// "Morvane Config", and the connection in use when it is not the default one: "Morvane Config
// - slave 5, 19200 8E1, at rtu+tcp://10.0.0.7:4001".
std::string WindowTitleText(const Connection& connection, const ResolvedPort& port);
std::string TrafficSaveFailureText(const std::string& path, const std::string& reason);

// Comparing the window with the controller: the dialog's title and the lines above its rows.
inline constexpr std::string_view kCompareTitle = "Compare with Controller";
inline constexpr std::string_view kVerifyTitle = "Verify After Writing";
inline constexpr std::string_view kControllerAgrees = "The controller holds what the window shows.";
std::string CompareHeading(int differing);
std::string VerifyHeading(int differing);
// How a compare or a verify ended, as the line traffic window's last row says it.
std::string CompareDoneText(const std::vector<RegisterDifference>& differences);
std::string VerifyDoneText(const std::vector<RegisterDifference>& differences);

// The port list's entry that stands alone when there is no port; the other entries' lines are
// the exchange's (PortListEntryText).
inline constexpr std::string_view kNoSerialPortsFound =
    "No serial ports found: plug in the adapter, then open this list again";

} // namespace morvane
