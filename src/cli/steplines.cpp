#include "cli/steplines.h"

#include "controller/configblock.h"
#include "controller/registerdiff.h"
#include "exchange/failurewords.h"

namespace morvane::cli
{

std::string TerminalText(std::string_view message)
{
    std::string text(message);
    for (std::size_t at = text.find(kLineBreak); at != std::string::npos;
         at = text.find(kLineBreak, at))
        text.erase(at, 1);
    return text;
}

std::string PlaceInWords(const ResolvedPort& port, const Connection& connection)
{
    return connection.IsDefault() ? PortInWords(port) : connection.InWords(PortInWords(port));
}

std::string ReadStepText(const ResolvedPort& port, const Connection& connection)
{
    return "Reading " + std::to_string(ConfigRegisterCount) + " registers from " +
           PlaceInWords(port, connection);
}

std::string WriteStepText(const ResolvedPort& port, const Connection& connection)
{
    return "Writing " + std::to_string(ConfigRegisterCount) + " registers to " +
           PlaceInWords(port, connection);
}

std::string ReadBackStepText(const ResolvedPort& port, const Connection& connection)
{
    return "Reading the " + std::to_string(ConfigRegisterCount) + " registers back from " +
           PlaceInWords(port, connection);
}

std::string ScanStepText(const ResolvedPort& port, const Connection& line,
                         const std::vector<int>& slaves)
{
    const std::string addresses = "Scanning addresses " + ScanSlavesText(slaves);
    if (port.kind == ResolvedPort::Kind::Network)
        return addresses + " at " + PortInWords(port);
    return addresses + " at " + line.LineText() + " on " + PortInWords(port);
}

std::string ScanStepDoneText(int found, long long elapsedMs)
{
    return (found == 0 ? std::string("none") : std::to_string(found)) + " found in " +
           std::to_string(elapsedMs) + " ms";
}

std::string ScanRefusedText(const OpenFailure& failure)
{
    return "the port refused these settings" +
           (failure.systemText.empty() ? std::string() : " (" + failure.systemText + ")");
}

std::string FileCheckStepText(const std::string& path)
{
    return "Checking " + path;
}

std::string LogOpenStepText(const std::string& path)
{
    return "Opening the log " + path;
}

std::string LogFailureText(const std::string& path, const std::string& reason)
{
    return "Unable to write to the log " + path + kLineBreak + reason +
           (reason.ends_with('.') ? "" : ".");
}

std::string FileSaveStepText(const std::string& path)
{
    return "Saving the configuration to " + path;
}

std::string PageSaveStepText(const std::string& path)
{
    return "Saving the PDF to " + path;
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

namespace
{
std::string RegisterNamed(int reg, std::string_view caption)
{
    while (!caption.empty() && (caption.back() == ' ' || caption.back() == ':'))
        caption.remove_suffix(1);
    return "Register " + std::to_string(reg) + " (" + std::string(caption) + "): ";
}
} // namespace

std::string RegisterDifferenceText(int reg, std::string_view caption, long written, long read)
{
    return RegisterNamed(reg, caption) + "wrote " + std::to_string(written) + ", read " +
           std::to_string(read);
}

std::string FileDifferenceText(int reg, std::string_view caption, std::uint16_t inFile,
                               std::uint16_t inUnit)
{
    return RegisterNamed(reg, caption) + "file " + RegisterValueWords(reg, inFile) + ", unit " +
           RegisterValueWords(reg, inUnit);
}

} // namespace morvane::cli
