#include "window/reports.h"

#include "common/numbertext.h"
#include "protocol/modbus.h"
#include "window/modetable.h"

namespace morvane
{

namespace
{

constexpr const char* kLineBreak = "\r\n";

std::string WithReason(const std::string& systemText)
{
    return systemText.empty() ? std::string() : " (" + systemText + ")";
}

std::string PortListSentence(const std::vector<std::string>& ports)
{
    if (ports.empty())
        return "No serial ports were found on this computer.";
    std::string sentence = "Serial ports on this computer: ";
    for (std::size_t i = 0; i < ports.size(); ++i)
        sentence += (i == 0 ? "" : ", ") + ports[i];
    return sentence + ".";
}

std::string MissingDeviceAdvice(const OpenFailure& f, PortEntry entry)
{
    const char* naming = entry == PortEntry::Field ? "type its path into the port field"
                                                   : "give its path with --port";
    std::string text = "There is no device " + f.device + WithReason(f.systemText) + "." +
                       kLineBreak + PortListSentence(f.availablePorts);
    if (f.platform == PortPlatform::Unix && f.port.kind == ResolvedPort::Kind::Number)
        text += std::string(kLineBreak) + "To use another device as port " + f.port.label + ", " +
                naming + " or set " + PortEnvironmentName(f.port.number) + " to it.";
    return text;
}

std::string PermissionAdvice(const OpenFailure& f)
{
    std::string text =
        "You have no permission to use " + f.device + WithReason(f.systemText) + "." + kLineBreak;
    if (f.deviceGroup.empty())
        return text + "Ask the administrator of this computer for access to it.";
    return text + "It belongs to the group " + f.deviceGroup +
           ". Join the group with \"sudo usermod -aG " + f.deviceGroup +
           " $USER\", then log out and in again.";
}

// A gateway or device server that could not be reached: the host, the port, and what to check.
std::string NetworkAdvice(const OpenFailure& f)
{
    const std::string& host = f.port.endpoint.host;
    const std::string port = std::to_string(f.port.endpoint.port);
    const std::string why = WithReason(f.systemText) + "." + kLineBreak;
    switch (f.fault) {
    case PortFault::HostNotFound:
        return "The host " + host + " could not be found" + why +
               "Check the name, or give the gateway's IP address instead.";
    case PortFault::ConnectionRefused:
        return host + " refused a connection on port " + port + why +
               "Check the port number, and that the gateway's Modbus TCP server (or the device "
               "server's raw TCP mode) is enabled on that port.";
    case PortFault::NoRoute:
        return "There is no route from this computer to " + host + why +
               "Check the network cable and this computer's network settings, and that " + host +
               " is the gateway's address.";
    case PortFault::ConnectTimeout:
        return host + " accepted no connection on port " + port + why +
               "Check that the gateway has power and is on this network, and that no firewall "
               "blocks port " +
               port + ".";
    default:
        return f.device + " could not be reached" + WithReason(f.systemText) + ".";
    }
}

// "Counter  " is shown with trailing blanks; a sentence has none.
std::string ModeName(int m)
{
    std::string name(ModeCaption(m));
    name.erase(name.find_last_not_of(' ') + 1);
    return name.empty() ? "in use" : name;
}

// "exception 2 (illegal data address)"; the code alone when it has no standard name.
std::string ExceptionWords(int code)
{
    const std::string_view name = modbus::ExceptionName(code);
    return "exception " + std::to_string(code) +
           (name.empty() ? "" : " (" + std::string(name) + ")");
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

std::string AnswerWords(int count)
{
    return "answer, " + std::to_string(count) + (count == 1 ? " register" : " registers");
}

// A reply the receive passed over says what it would have been.
std::string NotTakenWords(const TrafficFrame& f)
{
    const int function = f.bytes.size() > 1 ? f.bytes[1] : 0;
    const std::string reply = function >= modbus::kExceptionFlag          ? ExceptionWords(f.code)
                              : function == modbus::kReadHoldingRegisters ? AnswerWords(f.count)
                                                                          : "write acknowledged";
    return reply + ", not taken";
}

} // namespace

std::string OpenFailureAdvice(const OpenFailure& f, PortEntry entry)
{
    if (f.port.kind == ResolvedPort::Kind::BadNetwork)
        return f.port.label + " names no unit on the network: " + f.port.problem + "." +
               kLineBreak +
               "Give tcp://HOST[:PORT] for a Modbus TCP gateway, or rtu+tcp://HOST:PORT for a "
               "serial device server.";
    if (f.port.kind == ResolvedPort::Kind::Network)
        return NetworkAdvice(f);
    if (f.port.kind == ResolvedPort::Kind::OutOfRange)
        return "There is no port " + f.port.label + ": port numbers go from 1 to 32767." +
               kLineBreak + PortListSentence(f.availablePorts);
    if (f.device.empty())
        return "There is no port " + f.port.label + ": port numbers begin at 1." + kLineBreak +
               PortListSentence(f.availablePorts);
    switch (f.fault) {
    case PortFault::NoSuchDevice:
        return MissingDeviceAdvice(f, entry);
    case PortFault::PermissionDenied:
        return PermissionAdvice(f);
    case PortFault::InUse:
        return f.device + " is in use: another program holds it." + kLineBreak +
               "Close that program and try again.";
    case PortFault::SettingsRefused:
        return f.device + " refused the settings " + f.settings + WithReason(f.systemText) + ".";
    default:
        return f.device + " could not be opened" + WithReason(f.systemText) + ".";
    }
}

std::string OpenFailureText(const OpenFailure& failure, const std::string& baudText,
                            PortEntry entry)
{
    return "Unable to open Com Port " + failure.port.label + " at " + baudText + " Baud" +
           kLineBreak + OpenFailureAdvice(failure, entry);
}

std::string ConnectionLostText(const std::string& device, const std::string& systemText)
{
    return "The connection to " + device + " was lost" + WithReason(systemText) + "." + kLineBreak +
           "Check that the cable and adapter are plugged in and the controller has power, "
           "then try again.";
}

std::string RefusalText(int requestFunction, int code)
{
    const char* request = requestFunction == modbus::kWriteMultipleRegisters ? "write" : "read";
    std::string text = std::string("The controller refused the ") + request +
                       " request with exception code " + std::to_string(code);
    const std::string_view name = modbus::ExceptionName(code);
    if (!name.empty())
        text += " (" + std::string(name) + ")";
    return text + ".";
}

std::string NoResponseText()
{
    return "No Response From Morvane\r\n"
           "Check Power and Comms Connection\r\n"
           "If necessary install link between MI and COM on K3";
}

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
           "\" is not a whole number from 1 to 10.";
}

std::string ConfigOpenFailureText(const std::string& path, const std::string& problem)
{
    return "Unable to open the configuration file " + path + kLineBreak + problem;
}

std::string ConfigSaveFailureText(const std::string& path, const std::string& reason)
{
    return "Unable to save the configuration to " + path + kLineBreak + reason +
           (reason.ends_with('.') ? "" : ".") + kLineBreak +
           "Any file that was there before is unchanged.";
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

std::string TerminalText(std::string_view message)
{
    std::string text(message);
    for (std::size_t at = text.find(kLineBreak); at != std::string::npos;
         at = text.find(kLineBreak, at))
        text.erase(at, 1);
    return text;
}

std::string PortInWords(const ResolvedPort& port)
{
    if (port.device.empty())
        return "port " + port.label;
    if (port.kind == ResolvedPort::Kind::Path)
        return port.device;
    return port.device + " (port " + port.label + ")";
}

std::string ReadStepText(const ResolvedPort& port)
{
    return "Reading " + std::to_string(ConfigRegisterCount) + " registers from " +
           PortInWords(port);
}

std::string WriteStepText(const ResolvedPort& port)
{
    return "Writing " + std::to_string(ConfigRegisterCount) + " registers to " + PortInWords(port);
}

std::string ReadBackStepText(const ResolvedPort& port)
{
    return "Reading the " + std::to_string(ConfigRegisterCount) + " registers back from " +
           PortInWords(port);
}

std::string FileCheckStepText(const std::string& path)
{
    return "Checking " + path;
}

std::string FileSaveStepText(const std::string& path)
{
    return "Saving the configuration to " + path;
}

std::string StandardOutputFailureText(const std::string& reason)
{
    return "Unable to write to standard output" + std::string(kLineBreak) + reason +
           (reason.ends_with('.') ? "" : ".");
}

std::string StepDoneText(long long elapsedMs)
{
    return std::string(kStepDone) + " in " + std::to_string(elapsedMs) + " ms";
}

std::string StepFailedText(long long elapsedMs)
{
    return std::string(status::kError) + " after " + std::to_string(elapsedMs) + " ms";
}

std::string StepStoppedText(long long elapsedMs)
{
    return "stopped after " + std::to_string(elapsedMs) + " ms";
}

std::string ComparisonText(int differing, int compared)
{
    if (differing == 0)
        return "all " + std::to_string(compared) + " agree";
    return std::to_string(differing) + (differing == 1 ? " differs" : " differ");
}

std::string RegisterDifferenceText(int reg, std::string_view caption, long written, long read)
{
    while (!caption.empty() && (caption.back() == ' ' || caption.back() == ':'))
        caption.remove_suffix(1);
    return "Register " + std::to_string(reg) + " (" + std::string(caption) + "): wrote " +
           std::to_string(written) + ", read " + std::to_string(read);
}

std::string TrafficMeaningText(const TrafficFrame& f)
{
    const auto registers = [&f] {
        return "registers " + std::to_string(f.first) + " to " + std::to_string(f.last) +
               " of slave " + std::to_string(f.slave);
    };
    switch (f.meaning) {
    case TrafficMeaning::ReadRequest:
        return "read request, " + registers();
    case TrafficMeaning::WriteRequest:
        return "write request, " + registers();
    case TrafficMeaning::OtherRequest:
        return "not a request of this program";
    case TrafficMeaning::ReadAnswer:
        return AnswerWords(f.count);
    case TrafficMeaning::WriteAcknowledged:
        return "write acknowledged";
    case TrafficMeaning::Exception:
        return ExceptionWords(f.code);
    case TrafficMeaning::CrcWrong:
        return "CRC wrong";
    case TrafficMeaning::OtherSlave:
        return "from slave " + std::to_string(f.slave) + ", ignored";
    case TrafficMeaning::NotAnAnswer:
        return "does not answer the request";
    case TrafficMeaning::Echo:
        return "echo of the request";
    case TrafficMeaning::NotTaken:
        return NotTakenWords(f);
    case TrafficMeaning::NoFrame:
        break;
    }
    return "no frame";
}

std::string CommandDoneText(int requestFunction)
{
    return requestFunction == modbus::kWriteMultipleRegisters ? "Write OK" : "Read OK";
}

std::string CommandFailedText(const ReceiveResult& result)
{
    switch (result.outcome) {
    case ReceiveOutcome::Refused:
        return "ERROR: " + ExceptionWords(result.exceptionCode);
    case ReceiveOutcome::ConnectionLost:
        return "ERROR: connection lost";
    default:
        return "ERROR: no answer within " + PlainNumberText(kReceiveTimeLimit) + " s";
    }
}

std::string CommandOpenFailedText(const OpenFailure& failure)
{
    return "ERROR: port " + failure.port.label + " cannot be opened (" +
           OpenFailureReason(failure) + ")";
}

std::string PortListEntryText(const PortListEntry& entry)
{
    if (!entry.choosable && !entry.variables.empty()) {
        const PortVariable& v = entry.variables.front();
        return "port " + std::to_string(v.number) + ": " + PortEnvironmentName(v.number) + "=" +
               v.target +
               (v.fault == PortVariableFault::NoSuchDevice ? " — no such device"
                                                           : " — not a serial device");
    }
    const SerialPortDetails& port = entry.port;
    std::string text = port.device;
    std::string about;
    for (const std::string& word : {port.description, port.manufacturer})
        if (!word.empty())
            about += (about.empty() ? "" : ", ") + word;
    if (!port.serialNumber.empty())
        about += (about.empty() ? "" : ", ") + ("serial number " + port.serialNumber);
    // The lines under the device are indented, so that entries stand apart.
    for (const std::string& line : {about, port.stableName})
        if (!line.empty())
            text += "\n    " + line;
    for (const PortVariable& v : entry.variables)
        text += "\n    port " + std::to_string(v.number) + ": " + PortEnvironmentName(v.number) +
                "=" + v.target;
    return text;
}

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
    std::string text;
    if (result.outcome == ReceiveOutcome::Refused)
        text = RefusalText(requestFunction, result.exceptionCode);
    else if (result.outcome == ReceiveOutcome::ConnectionLost && !result.device.empty())
        text = ConnectionLostText(result.device, result.systemText);
    else
        return false;
    view.SetStatus(status::kError);
    view.ShowMessage(kCommunicationErrorTitle, text);
    return true;
}

} // namespace morvane
