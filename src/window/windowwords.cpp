#include "window/windowwords.h"

#include "common/numbertext.h"
#include "controller/displayformat.h"
#include "controller/modetable.h"
#include "exchange/trafficwords.h"
#include "protocol/modbus.h"

namespace morvane
{

namespace
{

// "Counter  " is shown with trailing blanks; a sentence has none.
std::string ModeName(int m)
{
    std::string name(ModeCaption(m));
    name.erase(name.find_last_not_of(' ') + 1);
    return name.empty() ? "in use" : name;
}

// Why a port could not be opened, in the few words a row of the traffic window has.
std::string OpenFailureReason(const OpenFailure& f)
{
    if (f.port.kind == ResolvedPort::Kind::BadNetwork)
        return f.port.problem;
    if (f.port.kind == ResolvedPort::Kind::OutOfRange)
        return "port numbers go from 1 to 32767";
    if (f.device.empty())
        return "port numbers begin at 1";
    switch (f.fault) {
    case PortFault::NoSuchDevice:
        return "there is no " + f.device;
    case PortFault::PermissionDenied:
        return "no permission for " + f.device;
    case PortFault::InUse:
        return f.device + " is in use by another program";
    case PortFault::SettingsRefused:
        return f.device + " refused " + f.settings;
    default:
        return f.device + (f.systemText.empty() ? "" : ": " + f.systemText);
    }
}

std::string WriteProblem(const RegisterWrite& write)
{
    switch (write.refusal) {
    case WriteRefusal::NotANumber:
        return "is not a number.";
    case WriteRefusal::AboveRange:
        return "would be sent as " + std::to_string(write.value) +
               ", which one register cannot hold (0 to 65535).";
    case WriteRefusal::BelowRange:
        return "is below -32768, so one register cannot hold it (0 to 65535).";
    default:
        return "is more than one register can hold (0 to 65535).";
    }
}

} // namespace

// Names the row as the window labels it, and says so when the row is greyed out: a value
// typed before the mode changed is still written, though the user no longer sees it as live.
std::string WriteRefusalText(std::string_view nothingDone, const RefusedField& f)
{
    std::string text = std::string(nothingDone) + kLineBreak + f.param + " (" + f.caption +
                       "): \"" + f.text + "\" " + WriteProblem(f.write);
    if (f.unusedInMode) {
        text += kLineBreak + ("The mode " + ModeName(*f.unusedInMode) + " does not use " + f.param +
                              ", but its value is written all the same.");
        if (f.modeUsingRow)
            text += " To correct it, choose a mode that uses it, such as " +
                    ModeName(*f.modeUsingRow) + ".";
    }
    return text + kLineBreak + "Enter a number from -32768 to 65535.";
}

std::string DigitsRefusalText(const std::string& text)
{
    return std::string(kNothingSaved) + kLineBreak + "Digits: \"" + text +
           "\" is not a whole number from " + std::to_string(kMinDigits) + " to " +
           std::to_string(kMaxDigits) + ".";
}

// The system does not always say why (a folder that is gone); the line is left out then.
std::string TrafficSaveFailureText(const std::string& path, const std::string& reason)
{
    std::string text = "Unable to save the line traffic to " + path + kLineBreak;
    if (!reason.empty())
        text += reason + (reason.ends_with('.') ? "" : ".") + kLineBreak;
    return text + "Any file that was there before is unchanged.";
}

std::string SavedStatus(const std::string& fileName)
{
    return "Saved " + fileName;
}

std::string OpenedStatus(const std::string& fileName)
{
    return "Opened " + fileName;
}

namespace
{
// "1 register differs", "2 registers differ"
std::string RegistersDiffer(int differing)
{
    return std::to_string(differing) + (differing == 1 ? " register differs" : " registers differ");
}

// "register 7 differs", "registers 5, 7 differ"
std::string RegistersNamed(const std::vector<RegisterDifference>& differences)
{
    std::string list = differences.size() == 1 ? "register " : "registers ";
    for (std::size_t i = 0; i < differences.size(); ++i)
        list += (i ? ", " : "") + std::to_string(differences[i].reg);
    return list + (differences.size() == 1 ? " differs" : " differ");
}
} // namespace

std::string CompareHeading(int differing)
{
    return RegistersDiffer(differing) + " between the window and the controller:";
}

std::string VerifyHeading(int differing)
{
    return "The controller acknowledged the write, but " + RegistersDiffer(differing) +
           " from what was written:";
}

std::string CompareDoneText(const std::vector<RegisterDifference>& differences)
{
    if (differences.empty())
        return "Compared: the controller holds what the window shows";
    return "Compared: " + RegistersNamed(differences);
}

std::string VerifyDoneText(const std::vector<RegisterDifference>& differences)
{
    if (differences.empty())
        return std::string(status::kVerified);
    return "ERROR: " + RegistersNamed(differences) + " from what was written";
}

std::string CommandDoneText(int requestFunction)
{
    return requestFunction == modbus::kWriteMultipleRegisters ? "Write OK" : "Read OK";
}

std::string CommandFailedText(const ReceiveResult& result, const Connection& connection)
{
    switch (result.outcome) {
    case ReceiveOutcome::Refused:
        return "ERROR: " + ExceptionWords(result.exceptionCode);
    case ReceiveOutcome::ConnectionLost:
        return "ERROR: connection lost";
    default:
        return "ERROR: no answer within " + SecondsText(connection.timeLimitMs) + " s" +
               (connection.retries == 0
                    ? std::string()
                    : ", " + std::to_string(connection.retries + 1) + " attempts");
    }
}

std::string CommandOpenFailedText(const OpenFailure& failure)
{
    if (failure.port.kind == ResolvedPort::Kind::Network)
        return "ERROR: no connection to " + failure.port.label + " (" + failure.systemText + ")";
    return "ERROR: port " + failure.port.label + " cannot be opened (" +
           OpenFailureReason(failure) + ")";
}

std::string PortPlaceText(const ResolvedPort& port)
{
    if (port.kind == ResolvedPort::Kind::Number || port.kind == ResolvedPort::Kind::OutOfRange)
        return "port " + port.label;
    return port.label;
}

std::string WindowTitleText(const Connection& connection, const ResolvedPort& port)
{
    const std::string title = "Morvane Config";
    if (connection.IsDefault())
        return title;
    return title + " - " + connection.InWords(PortPlaceText(port));
}

} // namespace morvane
