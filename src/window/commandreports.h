#pragma once
// The order in which a failure reaches the window: its status line, a message box and the
// watchdog. The words are the exchange's and the window's own; this is only when each is shown.

#include "port/portopening.h"
#include "protocol/linkhost.h"
#include "protocol/replywait.h"

#include <string>
#include <string_view>

namespace morvane
{

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
