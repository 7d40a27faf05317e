#include "cli/commands.h"

#include "cli/steplines.h"
#include "controller/configsheet.h"
#include "controller/fields.h"
#include "controller/modetable.h"
#include "controller/shownconfig.h"
#include "exchange/failurewords.h"
#include "exchange/reportpage.h"
#include "files/wholefile.h"
#include "report/pagedrawing.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace morvane::cli
{

namespace
{

// Nothing when the whole text is out; otherwise the system's reason.
std::optional<std::string> Printed(std::FILE* stream, std::string_view text)
{
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() || std::fflush(stream) != 0)
        return std::strerror(errno != 0 ? errno : EIO);
    return std::nullopt;
}

// Standard error is where a failure would be told, so there is nowhere to tell its own.
void Print(std::FILE* stream, std::string_view text)
{
    Printed(stream, text);
}

// A result that never reached standard output (a full disk, a closed stream) is a file that
// could not be written, not a success.
ExitCode PrintResult(std::string_view text, ExitCode code)
{
    if (const std::optional<std::string> reason = Printed(stdout, text)) {
        Print(stderr, TerminalText(StandardOutputFailureText(*reason)) + "\n");
        return kBadFile;
    }
    return code;
}

// A step's start is printed without its line end, for the outcome to follow on the same line;
// a trace line in between ends it first, and the outcome then comes on a line of its own.
bool g_stepLineOpen = false;
bool g_stepLineBroken = false;

void PrintTraceLine(const std::string& line)
{
    if (g_stepLineOpen)
        Print(stderr, "\n");
    g_stepLineBroken = g_stepLineBroken || g_stepLineOpen;
    g_stepLineOpen = false;
    Print(stderr, line + "\n");
}

// One line on standard error per step: its start before the wait, so that a technician sees
// what the program waits for, and its outcome when it ends.
class Step
{
  public:
    // An exchange with the controller tells how long it took; a file step does not.
    explicit Step(const std::string& what, bool timed = true) : m_timed(timed)
    {
        m_clock.start();
        Print(stderr, what + " ... ");
        g_stepLineOpen = true;
        g_stepLineBroken = false;
    }
    void Done() { Done(m_timed ? StepDoneText(m_clock.elapsed()) : std::string(kStepDone)); }
    void Done(std::string_view outcome) { EndLine(std::string(outcome) + "\n"); }
    // Ends the step with "ERROR" and the message below it; returns the exit status.
    ExitCode Fail(ExitCode code, const std::string& message)
    {
        const std::string outcome =
            m_timed ? StepFailedText(m_clock.elapsed()) : std::string(status::kError);
        EndLine(outcome + "\n" + TerminalText(message) + "\n");
        return code;
    }
    int Ended(const Outcome& outcome)
    {
        if (outcome.stopSignal != 0) {
            EndLine(StepStoppedText(m_clock.elapsed()) + "\n" + outcome.message + "\n");
            return outcome.Status();
        }
        if (!outcome.Done())
            return Fail(outcome.code, outcome.message);
        Done();
        return kDone;
    }

  private:
    void EndLine(const std::string& text)
    {
        Print(stderr, (g_stepLineBroken ? "... " : "") + text);
        g_stepLineOpen = false;
        g_stepLineBroken = false;
    }

    bool m_timed;
    QElapsedTimer m_clock;
};

std::string Native(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdString();
}

ExitCode SaveConfiguration(const QString& path, const QByteArray& text)
{
    Step step(FileSaveStepText(Native(path)), false);
    if (const std::optional<SaveFailure> failure = SaveWholeFile(path, text))
        return step.Fail(kBadFile, ConfigSaveFailureText(Native(path), failure->reason));
    step.Done();
    return kDone;
}

// The arguments have checked the text, so there is always a port.
ResolvedPort PortOf(const Invocation& call)
{
    return ResolvePortOption(call.portText.toStdString()).value_or(ResolvedPort{});
}

ControllerLink LinkOf(const Invocation& call)
{
    return ControllerLink(PortOf(call), call.trace ? PrintTraceLine : ControllerLink::TraceSink());
}

// Reads registers 3 to 11 of the unit on the call's port; kDone, or the exit status.
int ReadUnit(const Invocation& call, Registers& unit)
{
    ControllerLink controller = LinkOf(call);
    Step reading(ReadStepText(controller.Port()));
    return reading.Ended(controller.Read(unit));
}

int RunRead(const Invocation& call)
{
    Configuration config;
    config.digits = call.digits;
    Registers unit{};
    if (const int code = ReadUnit(call, unit); code != kDone)
        return code;
    // Recorded as a window holds them after reading this unit, so that writing the file sends
    // what the window would.
    const ShownConfiguration shown = ConfigurationAsShown(config.digits, unit);
    config.registers = shown.registers;
    const QByteArray text = ConfigFileText(config, NotesAfterRead(shown));
    if (!call.file.isEmpty())
        return SaveConfiguration(call.file, text);
    return PrintResult(text.toStdString(), kDone);
}

// Lists on standard output each register that holds something else than was written.
ExitCode Compare(const Registers& written, const Registers& read)
{
    Step comparing(std::string(kCompareStep), false);
    const auto captions = CaptionsAfterRead(ModeRegisterOf(written));
    std::string differences;
    int differing = 0;
    for (int k = 0; k < ConfigRegisterCount; ++k) {
        if (written[std::size_t(k)] == read[std::size_t(k)])
            continue;
        ++differing;
        const int reg = ConfigFirstRegister + k;
        differences +=
            RegisterDifferenceText(reg, captions[std::size_t(field::FieldOfRegister(reg))],
                                   written[std::size_t(k)], read[std::size_t(k)]) +
            "\n";
    }
    comparing.Done(ComparisonText(differing, ConfigRegisterCount));
    return PrintResult(differences, differing == 0 ? kDone : kDiffers);
}

int RunWrite(const Invocation& call)
{
    Step checking(FileCheckStepText(Native(call.file)), false);
    const ConfigFileResult file = ReadConfigFile(call.file);
    if (!file.config)
        return checking.Fail(kBadFile, ConfigOpenFailureText(Native(call.file), file.problem));
    checking.Done();

    ControllerLink controller = LinkOf(call);
    // What the window sends after opening the file.
    const Registers written =
        ConfigurationAsShown(file.config->digits, file.config->registers).registers;
    Step writing(WriteStepText(controller.Port()));
    if (const int code = writing.Ended(controller.Write(written)); code != kDone)
        return code;
    if (!call.verify)
        return kDone;

    Registers read{};
    Step reading(ReadBackStepText(controller.Port()));
    if (const int code = reading.Ended(controller.Read(read)); code != kDone)
        return code;
    return Compare(written, read);
}

// The configuration the page records, as a new window shows it after opening the file or
// reading the unit; kDone, or the exit status.
int ShownForReport(const Invocation& call, ShownConfiguration& shown)
{
    if (call.fromUnit) {
        Registers unit{};
        const int code = ReadUnit(call, unit);
        shown = ConfigurationAsShown(call.digits, unit);
        return code;
    }
    Step checking(FileCheckStepText(Native(call.file)), false);
    const ConfigFileResult file = ReadConfigFile(call.file);
    if (!file.config)
        return checking.Fail(kBadFile, ConfigOpenFailureText(Native(call.file), file.problem));
    checking.Done();
    shown = ConfigurationAsShown(file.config->digits, file.config->registers);
    return kDone;
}

int RunReport(const Invocation& call)
{
    ShownConfiguration shown;
    if (const int code = ShownForReport(call, shown); code != kDone)
        return code;
    const std::string file =
        call.fromUnit ? std::string() : Native(QFileInfo(call.file).absoluteFilePath());
    const ReportPage page = PageOf(SheetAfterShowing(shown), PortOf(call), file);
    const QByteArray pdf = report::PagePdf(page, report::LocalePaper());
    if (call.page == QStringLiteral("-"))
        return PrintResult(std::string_view(pdf.constData(), std::size_t(pdf.size())), kDone);
    Step saving(PageSaveStepText(Native(call.page)), false);
    if (const std::optional<SaveFailure> failure = SaveWholeFile(call.page, pdf))
        return saving.Fail(kBadFile, PageSaveFailureText(Native(call.page), failure->reason));
    saving.Done();
    return kDone;
}

int RunSubcommand(const Invocation& call, int& argc, char* argv[])
{
    // The serial port's notifications and the wait between bursts need an event loop; a
    // core application gives one without a display. The page's fonts need a GUI application,
    // on a platform that needs no display either.
    const std::unique_ptr<QCoreApplication> app =
        call.action == Action::Report ? report::DrawingApplication(argc, argv)
                                      : std::make_unique<QCoreApplication>(argc, argv);
    switch (call.action) {
    case Action::Read:
        return RunRead(call);
    case Action::Report:
        return RunReport(call);
    default:
        return RunWrite(call);
    }
}

} // namespace

ConfigNotes NotesAfterRead(const ShownConfiguration& shown)
{
    const int modeRegister = ModeRegisterOf(shown.registers);
    const auto captions = CaptionsAfterRead(modeRegister);
    ConfigNotes notes;
    for (int f = field::kFirstRegisterField; f <= field::kLastRegisterField; ++f)
        notes.fields.emplace_back(captions[std::size_t(f)], shown.texts[std::size_t(f)]);
    notes.mode = ModeCaption(ModeSelectedBy(modeRegister));
    notes.saved = QDateTime::currentDateTimeUtc();
    return notes;
}

void HoldClosedStandardStreams()
{
#ifndef _WIN32
    for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
        if (::fcntl(stream, F_GETFD) != -1 || errno != EBADF)
            continue;
        // Opened the wrong way round, so that a write to it fails instead of vanishing.
        const int held = ::open("/dev/null", stream == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (held >= 0 && held != stream) {
            ::dup2(held, stream);
            ::close(held);
        }
    }
#endif
}

int Run(const Invocation& call, int& argc, char* argv[])
{
    switch (call.action) {
    case Action::Read:
    case Action::Write:
    case Action::Report:
        return RunSubcommand(call, argc, argv);
    case Action::Help:
        return PrintResult(HelpText().toStdString(), kDone);
    case Action::Version:
        return PrintResult(VersionText().toStdString(), kDone);
    case Action::Usage:
        Print(stderr, "morvane-config: " + call.problem.toStdString() +
                          "\nTry 'morvane-config --help' for more.\n");
        return kUsage;
    case Action::Window:
        break;
    }
    return kUsage;
}

} // namespace morvane::cli
