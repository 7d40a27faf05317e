#pragma once
// The words both front ends use when an exchange or a configuration file fails: the window
// shows them in its message boxes, the command line prints them below its step lines. The link
// and the port only say what happened; these functions turn it into text and show nothing.

#include "port/portopening.h"
#include "protocol/replywait.h"

#include <optional>
#include <string>
#include <string_view>

namespace morvane
{

// Lines within one message end so, as the window's message boxes take them; the command line
// prints them with plain line breaks.
inline constexpr char kLineBreak[] = "\r\n";

namespace status
{
// The status line after a failure, and the command line's word for a step that failed.
inline constexpr std::string_view kError = "ERROR";
} // namespace status

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

// The message of a wait that ended in a refusal or a lost connection. Nothing for the other
// outcomes, which have nothing to say beyond "ERROR": a silent controller, or a port whose
// opener has already said why it is closed.
std::optional<std::string> ReplyFaultText(const ReceiveResult& result, int requestFunction);

// Configuration files: what a failed open or save says, naming the file.
std::string ConfigOpenFailureText(const std::string& path, const std::string& problem);
std::string ConfigSaveFailureText(const std::string& path, const std::string& reason);
// The printed page of a configuration saved as a PDF.
std::string PageSaveFailureText(const std::string& path, const std::string& reason);

} // namespace morvane
