#include "cli/steplines.h"

#include "controller/configblock.h"
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

std::string RegisterDifferenceText(int reg, std::string_view caption, long written, long read)
{
    while (!caption.empty() && (caption.back() == ' ' || caption.back() == ':'))
        caption.remove_suffix(1);
    return "Register " + std::to_string(reg) + " (" + std::string(caption) + "): wrote " +
           std::to_string(written) + ", read " + std::to_string(read);
}

} // namespace morvane::cli
