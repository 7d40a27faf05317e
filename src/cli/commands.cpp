#include "cli/commands.h"

#include "window/fields.h"
#include "window/modetable.h"
#include "window/reports.h"
#include "window/shownconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSaveFile>

#include <cstdio>

namespace morvane::cli
{

namespace
{

void Print(std::FILE* stream, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
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
    }
    void Done() { Done(m_timed ? StepDoneText(m_clock.elapsed()) : std::string(kStepDone)); }
    void Done(std::string_view outcome) { Print(stderr, std::string(outcome) + "\n"); }
    // Ends the step with "ERROR" and the message below it; returns the exit status.
    ExitCode Fail(ExitCode code, const std::string& message)
    {
        const std::string outcome =
            m_timed ? StepFailedText(m_clock.elapsed()) : std::string(status::kError);
        Print(stderr, outcome + "\n" + TerminalText(message) + "\n");
        return code;
    }
    ExitCode Ended(const Exchange& exchange)
    {
        if (!exchange.Done())
            return Fail(exchange.code, exchange.message);
        Done();
        return kDone;
    }

  private:
    bool m_timed;
    QElapsedTimer m_clock;
};

std::string Native(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdString();
}

int ModeRegisterOf(const Registers& registers)
{
    return registers[std::size_t(field::kMode - field::kFirstRegisterField)];
}

ExitCode SaveConfiguration(const QString& path, const QByteArray& text)
{
    Step step(FileSaveStepText(Native(path)), false);
    // Renamed over the old file only once complete, as the window saves.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        return step.Fail(kBadFile,
                         ConfigSaveFailureText(Native(path), file.errorString().toStdString()));
    step.Done();
    return kDone;
}

int RunRead(const Invocation& call)
{
    ControllerLink controller(ResolvePort(call.portText.toStdString()));
    Configuration config;
    config.digits = call.digits;
    Step reading(ReadStepText(controller.Port()));
    Registers unit{};
    if (const ExitCode code = reading.Ended(controller.Read(unit)); code != kDone)
        return code;
    // Recorded as a window holds them after reading this unit, so that writing the file sends
    // what the window would.
    const ShownConfiguration shown = ConfigurationAsShown(config.digits, unit);
    config.registers = shown.registers;
    const QByteArray text = ConfigFileText(config, NotesAfterRead(shown));
    if (!call.file.isEmpty())
        return SaveConfiguration(call.file, text);
    Print(stdout, text.toStdString());
    return kDone;
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
    Print(stdout, differences);
    return differing == 0 ? kDone : kDiffers;
}

int RunWrite(const Invocation& call)
{
    Step checking(FileCheckStepText(Native(call.file)), false);
    const ConfigFileResult file = ReadConfigFile(call.file);
    if (!file.config)
        return checking.Fail(kBadFile, ConfigOpenFailureText(Native(call.file), file.problem));
    checking.Done();

    ControllerLink controller(ResolvePort(call.portText.toStdString()));
    // What the window sends after opening the file.
    const Registers written =
        ConfigurationAsShown(file.config->digits, file.config->registers).registers;
    Step writing(WriteStepText(controller.Port()));
    if (const ExitCode code = writing.Ended(controller.Write(written)); code != kDone)
        return code;
    if (!call.verify)
        return kDone;

    Registers read{};
    Step reading(ReadBackStepText(controller.Port()));
    if (const ExitCode code = reading.Ended(controller.Read(read)); code != kDone)
        return code;
    return Compare(written, read);
}

int RunSubcommand(const Invocation& call, int& argc, char* argv[])
{
    // The serial port's notifications and the wait between bursts need an event loop; a
    // core application gives one without a display.
    QCoreApplication app(argc, argv);
    return call.action == Action::Read ? RunRead(call) : RunWrite(call);
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

int Run(const Invocation& call, int& argc, char* argv[])
{
    switch (call.action) {
    case Action::Read:
    case Action::Write:
        return RunSubcommand(call, argc, argv);
    case Action::Help:
        Print(stdout, HelpText().toStdString());
        return kDone;
    case Action::Version:
        Print(stdout, VersionText().toStdString());
        return kDone;
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
