#include "cli/commands.h"

#include "cli/results.h"
#include "cli/runrecord.h"
#include "cli/steplines.h"
#include "controller/configsheet.h"
#include "controller/fields.h"
#include "controller/modetable.h"
#include "controller/shownconfig.h"
#include "exchange/failurewords.h"
#include "exchange/portwords.h"
#include "exchange/reportpage.h"
#include "exchange/trafficwords.h"
#include "exchange/unitscan.h"
#include "files/wholefile.h"
#include "port/stopsignals.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

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
// --quiet: no step lines, only the messages of the steps that fail.
bool g_quiet = false;

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
        if (g_quiet)
            return;
        Print(stderr, what + " ... ");
        g_stepLineOpen = true;
        g_stepLineBroken = false;
    }
    void Done() { Done(m_timed ? StepDoneText(m_clock.elapsed()) : std::string(kStepDone)); }
    void Done(std::string_view outcome) { EndLine(std::string(outcome) + "\n", {}); }
    long long ElapsedMs() const { return m_clock.elapsed(); }
    // Ends the step with "ERROR" and the message below it; returns the exit status.
    ExitCode Fail(ExitCode code, const std::string& message)
    {
        const std::string outcome =
            m_timed ? StepFailedText(m_clock.elapsed()) : std::string(status::kError);
        EndLine(outcome + "\n", TerminalText(message) + "\n");
        return code;
    }
    int Ended(const Outcome& outcome)
    {
        if (outcome.stopSignal != 0) {
            EndLine(StepStoppedText(m_clock.elapsed()) + "\n", outcome.message + "\n");
            return outcome.Status();
        }
        if (!outcome.Done())
            return Fail(outcome.code, outcome.message);
        Done();
        return kDone;
    }

  private:
    // The outcome ends the step line; the message below it is told even when quiet.
    void EndLine(const std::string& outcome, const std::string& message)
    {
        if (g_quiet)
            Print(stderr, message);
        else
            Print(stderr, (g_stepLineBroken ? "... " : "") + outcome + message);
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
    return ControllerLink(PortOf(call), call.connection,
                          call.trace ? PrintTraceLine : ControllerLink::TraceSink());
}

// Reads registers 3 to 11 of the unit on the call's port; kDone, or the exit status.
int ReadUnit(const Invocation& call, Registers& unit)
{
    ControllerLink controller = LinkOf(call);
    Step reading(ReadStepText(controller.Port(), controller.Settings()));
    return reading.Ended(controller.Read(unit));
}

bool IsStandardStream(const QString& file)
{
    return file == QStringLiteral("-");
}

std::string FileInWords(const QString& file)
{
    return IsStandardStream(file) ? std::string(kStandardInput) : Native(file);
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
    if (!call.file.isEmpty() && !IsStandardStream(call.file)) {
        // The file's document is the JSON result as well.
        const ExitCode saved = SaveConfiguration(call.file, text);
        if (saved != kDone || !call.json)
            return saved;
    }
    return PrintResult(text.toStdString(), kDone);
}

// How a write or a diff ends: the differences, or with --json the document, on standard output,
// then the log's row. Returns the exit status.
int Finish(const Invocation& call, RunRecord& record, int status, const std::string& listed = {})
{
    int exitStatus = status;
    if (call.json)
        exitStatus = PrintResult(record.Json(status).toStdString(), ExitCode(status));
    else if (!listed.empty())
        exitStatus = PrintResult(listed, ExitCode(status));
    if (!record.LogOpen())
        return exitStatus;
    if (const std::optional<std::string> failure = record.AppendLogRow(status, exitStatus)) {
        Print(stderr, TerminalText(LogFailureText(Native(call.logFile), *failure)) + "\n");
        return kBadFile;
    }
    return exitStatus;
}

// Before anything is sent: a run that cannot be recorded must not reach a unit.
int OpenLog(const Invocation& call, RunRecord& record)
{
    if (call.logFile.isEmpty())
        return kDone;
    Step opening(LogOpenStepText(Native(call.logFile)), false);
    if (const std::optional<std::string> failure = record.OpenLog()) {
        const std::string message = LogFailureText(Native(call.logFile), *failure);
        record.TakeFailure(TerminalText(message));
        return opening.Fail(kBadFile, message);
    }
    opening.Done();
    return kDone;
}

// The registers a write of the file sends: what the window sends after opening it.
std::optional<Registers> CheckFile(const Invocation& call, RunRecord& record)
{
    Step checking(FileCheckStepText(FileInWords(call.file)), false);
    const ConfigFileResult file = record.ReadFile();
    if (!file.config) {
        const std::string message = ConfigOpenFailureText(FileInWords(call.file), file.problem);
        record.TakeFailure(TerminalText(message));
        checking.Fail(kBadFile, message);
        return std::nullopt;
    }
    checking.Done();
    return ConfigurationAsShown(file.config->digits, file.config->registers).registers;
}

// Ends an exchange's step; kDone, or the status it failed with, its message kept.
int Exchanged(Step& step, const Outcome& outcome, RunRecord& record)
{
    const int code = step.Ended(outcome);
    if (code != kDone)
        record.TakeFailure(TerminalText(outcome.message));
    return code;
}

// Each register that holds something else than expected, one line each in `listed`: as
// written and read back after a write, or as the file means it and the unit holds it.
int Compare(bool afterWriting, const Registers& expected, const Registers& held, RunRecord& record,
            std::string& listed)
{
    Step comparing(std::string(afterWriting ? kCompareStep : kDiffStep), false);
    const std::vector<CaptionedDifference>& differences = record.TakeDifferences(expected, held);
    for (const CaptionedDifference& d : differences) {
        const RegisterDifference& v = d.values;
        listed += (afterWriting ? RegisterDifferenceText(v.reg, d.caption, v.expected, v.held)
                                : FileDifferenceText(v.reg, d.caption, v.expected, v.held)) +
                  "\n";
    }
    comparing.Done(ComparisonText(int(differences.size()), ConfigRegisterCount));
    return differences.empty() ? kDone : kDiffers;
}

int RunWrite(const Invocation& call)
{
    RunRecord record(call, PortOf(call));
    if (const int code = OpenLog(call, record); code != kDone)
        return Finish(call, record, code);
    const std::optional<Registers> written = CheckFile(call, record);
    if (!written)
        return Finish(call, record, kBadFile);

    ControllerLink controller = LinkOf(call);
    Step writing(WriteStepText(controller.Port(), controller.Settings()));
    if (const int code = Exchanged(writing, controller.Write(*written), record); code != kDone)
        return Finish(call, record, code);
    if (!call.verify)
        return Finish(call, record, kDone);

    Registers read{};
    Step reading(ReadBackStepText(controller.Port(), controller.Settings()));
    if (const int code = Exchanged(reading, controller.Read(read), record); code != kDone)
        return Finish(call, record, code);
    std::string listed;
    const int compared = Compare(true, *written, read, record, listed);
    return Finish(call, record, compared, listed);
}

int RunDiff(const Invocation& call)
{
    RunRecord record(call, PortOf(call));
    if (const int code = OpenLog(call, record); code != kDone)
        return Finish(call, record, code);
    const std::optional<Registers> meant = CheckFile(call, record);
    if (!meant)
        return Finish(call, record, kBadFile);

    ControllerLink controller = LinkOf(call);
    Registers held{};
    Step reading(ReadStepText(controller.Port(), controller.Settings()));
    if (const int code = Exchanged(reading, controller.Read(held), record); code != kDone)
        return Finish(call, record, code);
    std::string listed;
    const int compared = Compare(false, *meant, held, record, listed);
    return Finish(call, record, compared, listed);
}

// The window's port list: one entry after the other, each with its indented lines.
int RunPorts(const Invocation& call)
{
    const std::vector<PortListEntry> entries = PortListEntries(HostPortSystem());
    if (call.json)
        return PrintResult(PortListJson(entries).toStdString(), kDone);
    std::string text;
    for (const PortListEntry& entry : entries)
        text += PortListEntryText(entry) + "\n";
    if (!call.quiet && (entries.empty() || !entries.front().choosable))
        Print(stderr, std::string(kNoSerialPorts) + "\n");
    return PrintResult(text, kDone);
}

// One step line a line setting, and below it the units found at it, as they are found.
class ScanReport final : public ScanObserver
{
  public:
    // With --json the units found are kept for one document at the end instead.
    ScanReport(const ResolvedPort& port, bool json) : m_port(port), m_json(json) {}

    void LineStarted(const Connection& line, int) override
    {
        m_step.emplace(ScanStepText(m_port, line, m_slaves));
    }
    void Found(const FoundUnit& unit) override
    {
        if (!m_json)
            m_found += FoundUnitText(unit) + "\n";
    }
    void LineEnded(const Connection&, int found) override
    {
        m_step->Done(ScanStepDoneText(found, m_step->ElapsedMs()));
        m_step.reset();
        if (!m_json && PrintResult(std::exchange(m_found, {}), kDone) != kDone)
            m_outputFailed = true;
    }
    void LineRefused(const Connection& line, const OpenFailure& failure) override
    {
        Step(ScanStepText(m_port, line, m_slaves), false).Done(ScanRefusedText(failure));
    }

    void Plan(std::vector<int> slaves) { m_slaves = std::move(slaves); }
    // A line setting cut short: its step ends with what was found so far.
    void Interrupted(const std::string& outcome, const std::string& message)
    {
        if (m_step)
            m_step->Done(outcome + (message.empty() ? "" : "\n" + TerminalText(message)));
        m_step.reset();
        PrintResult(std::exchange(m_found, {}), kDone);
    }
    bool OutputFailed() const { return m_outputFailed; }
    std::optional<Step>& Current() { return m_step; }

  private:
    const ResolvedPort& m_port;
    std::vector<int> m_slaves;
    std::optional<Step> m_step;
    bool m_json;
    std::string m_found;
    bool m_outputFailed = false;
};

// How a scan ended, its units listed as they were found.
int ScanEnded(const Invocation& call, const ResolvedPort& port, const ScanResult& result,
              ScanReport& report, const StopSignals& stops)
{
    if (const int signalNumber = stops.Caught()) {
        report.Interrupted(StepStoppedText(report.Current() ? report.Current()->ElapsedMs() : 0),
                           "Stopped by " + SignalName(signalNumber) + ".");
        return StoppedExitStatus(signalNumber);
    }
    if (result.openFailure) {
        const std::vector<int> slaves = ScanSlaveOrder(call.scan, call.connection);
        Step opening(ScanStepText(port, result.failedLine, slaves), false);
        return opening.Fail(
            kPortNotOpened,
            OpenFailureText(*result.openFailure, result.failedLine.BaudText(), PortEntry::Option));
    }
    if (!result.lostDevice.empty()) {
        report.Interrupted(std::string(status::kError),
                           ConnectionLostText(result.lostDevice, result.lostReason));
        return kConnectionLost;
    }
    if (report.OutputFailed())
        return kBadFile;
    if (result.units.empty()) {
        Print(stderr, std::string(kNoUnitFound) + "\n");
        return kNoAnswer;
    }
    return kDone;
}

int RunScan(const Invocation& call)
{
    const ResolvedPort port = PortOf(call);
    UnitScan scan(port, call.trace ? [](TrafficRow row) { PrintTraceLine(TrafficLineText(row)); }
                                   : TrafficRecorder::Sink());
    StopSignals stops(CommandLineStopSignals());
    QObject::connect(&stops, &StopSignals::caught, &stops, [&scan] { scan.Cancel(); });
    ScanReport report(port, call.json);
    report.Plan(ScanSlaveOrder(call.scan, call.connection));
    const ScanResult result = scan.Run(call.scan, call.connection, report);
    const int status = ScanEnded(call, port, result, report, stops);
    // A document also after a stop or a lost connection: the units found so far are real.
    if (!call.json || result.openFailure)
        return status;
    return PrintResult(
        UnitsFoundJson(call.portText.toStdString(), port.device, result.units).toStdString(),
        ExitCode(status));
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

int RunReport(const Invocation& call, const PageDrawing& drawing)
{
    ShownConfiguration shown;
    if (const int code = ShownForReport(call, shown); code != kDone)
        return code;
    const std::string file =
        call.fromUnit ? std::string() : Native(QFileInfo(call.file).absoluteFilePath());
    const ReportPage page = PageOf(SheetAfterShowing(shown), PortOf(call), call.connection, file);
    const QByteArray pdf = drawing.pdf(page);
    if (call.page == QStringLiteral("-"))
        return PrintResult(std::string_view(pdf.constData(), std::size_t(pdf.size())), kDone);
    Step saving(PageSaveStepText(Native(call.page)), false);
    if (const std::optional<SaveFailure> failure = SaveWholeFile(call.page, pdf))
        return saving.Fail(kBadFile, PageSaveFailureText(Native(call.page), failure->reason));
    saving.Done();
    return kDone;
}

int RunSubcommand(const Invocation& call, int& argc, char* argv[], const PageDrawing& drawing)
{
    // The serial port's notifications and the wait between bursts need an event loop; a
    // core application gives one without a display. The page's fonts need a GUI application,
    // on a platform that needs no display either.
    const std::unique_ptr<QCoreApplication> app =
        call.action == Action::Report ? drawing.application(argc, argv)
                                      : std::make_unique<QCoreApplication>(argc, argv);
    g_quiet = call.quiet;
    switch (call.action) {
    case Action::Read:
        return RunRead(call);
    case Action::Diff:
        return RunDiff(call);
    case Action::Ports:
        return RunPorts(call);
    case Action::Scan:
        return RunScan(call);
    case Action::Report:
        return RunReport(call, drawing);
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

int Run(const Invocation& call, int& argc, char* argv[], const PageDrawing* drawing)
{
    switch (call.action) {
    case Action::Report:
        if (!drawing || !drawing->application || !drawing->pdf) {
            Print(stderr, "morvane-config: report cannot draw its page here.\n");
            return kUsage;
        }
        return RunSubcommand(call, argc, argv, *drawing);
    case Action::Read:
    case Action::Write:
    case Action::Diff:
    case Action::Ports:
    case Action::Scan:
        return RunSubcommand(call, argc, argv, {});
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
