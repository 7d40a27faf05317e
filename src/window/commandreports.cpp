#include "window/commandreports.h"

#include "exchange/failurewords.h"
#include "window/windowwords.h"

#include <optional>

namespace morvane
{

void ReportOpenFailure(CommandView& view, LinkHost& host, const OpenFailure& failure,
                       const std::string& baudText)
{
    host.StopWatchdog();
    view.ShowMessage(kErrorTitle, OpenFailureText(failure, baudText));
    view.SetStatus(status::kError);
    host.StopWatchdog();
}

void ReportNoResponse(CommandView& view, LinkHost& host)
{
    host.StopWatchdog();
    view.ShowMessage(kCommunicationErrorTitle, NoResponseText());
    host.StopWatchdog();
}

bool ReportReplyFault(CommandView& view, const ReceiveResult& result, int requestFunction)
{
    const std::optional<std::string> text = ReplyFaultText(result, requestFunction);
    if (!text)
        return false;
    view.SetStatus(status::kError);
    view.ShowMessage(kCommunicationErrorTitle, *text);
    return true;
}

} // namespace morvane
