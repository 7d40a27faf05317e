#include "cli/arguments.h"

#include "configfile/configfile.h"
#include "port/portresolve.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

namespace morvane::cli
{

namespace
{

const QString kProgram = QStringLiteral("morvane-config");
const QString kRead = QStringLiteral("read");
const QString kWrite = QStringLiteral("write");
const QString kDiff = QStringLiteral("diff");
const QString kPorts = QStringLiteral("ports");

Invocation Usage(const QString& problem)
{
    Invocation call;
    call.action = Action::Usage;
    call.problem = problem;
    return call;
}

Invocation Just(Action action)
{
    Invocation call;
    call.action = action;
    return call;
}

QCommandLineOption HelpOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
}

std::optional<int> DigitsOf(const QString& text)
{
    bool ok = false;
    const int digits = text.toInt(&ok);
    if (!ok || digits < kMinDigits || digits > kMaxDigits)
        return std::nullopt;
    return digits;
}

// An option given twice is most likely a slip, and taking either one might reach another unit.
std::optional<QString> RepeatedOption(const QCommandLineParser& parser,
                                      const QList<QCommandLineOption>& options)
{
    for (const QCommandLineOption& option : options) {
        qsizetype given = 0;
        for (const QString& name : parser.optionNames())
            given += option.names().contains(name) ? 1 : 0;
        if (given < 2)
            continue;
        const QString dashes = option.names().first().size() == 1 ? "-" : "--";
        const QStringList values = parser.values(option);
        if (values.isEmpty())
            return QStringLiteral("%1%2 is given more than once.")
                .arg(dashes, option.names().first());
        return QStringLiteral("%1%2 is given more than once ('%3'); give it once.")
            .arg(dashes, option.names().first(), values.join("', '"));
    }
    return std::nullopt;
}

QString PortProblem(const QString& typed)
{
    const char* forms = kThisPlatform == PortPlatform::Windows
                            ? "a port number from 1 to 32767 or COMn"
                            : "a port number from 1 to 32767 or a device path such as "
                              "/dev/ttyUSB0 or ./ttyB";
    return QStringLiteral("--port takes %1; found '%2'.").arg(forms, typed);
}

// Completes a read from its options; the problem when they do not make one.
Invocation ReadOf(const QCommandLineParser& parser, const QCommandLineOption& output,
                  const QCommandLineOption& digits, Invocation call)
{
    if (!parser.positionalArguments().isEmpty())
        return Usage(QStringLiteral("read takes no argument '%1'; the file to write goes after -o.")
                         .arg(parser.positionalArguments().first()));
    call.file = parser.value(output);
    if (parser.isSet(output) && call.file.isEmpty())
        return Usage(QStringLiteral("-o needs a file name; without -o the configuration goes to "
                                    "standard output."));
    if (parser.isSet(digits)) {
        const std::optional<int> n = DigitsOf(parser.value(digits));
        if (!n)
            return Usage(QStringLiteral("--digits takes a whole number from %1 to %2; found '%3'.")
                             .arg(kMinDigits)
                             .arg(kMaxDigits)
                             .arg(parser.value(digits)));
        call.digits = *n;
    }
    return call;
}

// Write and diff take one FILE, "-" for standard input.
Invocation WriteOf(const QCommandLineParser& parser, const QCommandLineOption& verify,
                   const QCommandLineOption& log, Invocation call)
{
    const bool write = call.action == Action::Write;
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        return Usage(write ? QStringLiteral("write needs the configuration FILE to write.")
                           : QStringLiteral("diff needs the configuration FILE to compare with."));
    if (files.size() > 1)
        return Usage(QStringLiteral("%1 takes one FILE; '%2' is one too many.")
                         .arg(write ? kWrite : kDiff, files.at(1)));
    call.file = files.first();
    call.verify = write && parser.isSet(verify);
    call.logFile = parser.value(log);
    if (parser.isSet(log) && call.logFile.isEmpty())
        return Usage(QStringLiteral("--log needs a file name."));
    return call;
}

Invocation PortsOf(const QCommandLineParser& parser, Invocation call)
{
    if (!parser.positionalArguments().isEmpty())
        return Usage(QStringLiteral("ports takes no argument '%1'.")
                         .arg(parser.positionalArguments().first()));
    return call;
}

Invocation ParseSubcommand(Action action, const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help = HelpOption();
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("P"));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QString(), QStringLiteral("FILE"));
    const QCommandLineOption digits(QStringLiteral("digits"), QString(), QStringLiteral("N"));
    const QCommandLineOption verify(QStringLiteral("verify"));
    const QCommandLineOption trace(QStringLiteral("trace"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption quiet(QStringLiteral("quiet"));
    const QCommandLineOption log(QStringLiteral("log"), QString(), QStringLiteral("FILE"));
    QList<QCommandLineOption> options{help, json, quiet};
    if (action != Action::Ports)
        options << port << trace;
    if (action == Action::Read)
        options << output << digits;
    if (action == Action::Write)
        options << verify;
    if (action == Action::Write || action == Action::Diff)
        options << log;
    parser.addOptions(options);
    // The parser takes its first argument for the program's name.
    if (!parser.parse(QStringList{kProgram} + arguments))
        return Usage(parser.errorText());
    if (parser.isSet(help))
        return Just(Action::Help);
    if (const std::optional<QString> repeated = RepeatedOption(parser, options))
        return Usage(*repeated);
    Invocation call = Just(action);
    call.json = parser.isSet(json);
    call.quiet = parser.isSet(quiet);
    if (action == Action::Ports)
        return PortsOf(parser, call);
    call.trace = parser.isSet(trace);
    if (parser.isSet(port)) {
        call.portText = parser.value(port);
        if (!ResolvePortOption(call.portText.toStdString()))
            return Usage(PortProblem(call.portText));
    }
    return action == Action::Read ? ReadOf(parser, output, digits, call)
                                  : WriteOf(parser, verify, log, call);
}

// "raed" for read: a bare word that names nothing here. A file to open either exists or
// has the dot or the folder of a file name ("site.morvane", "./site"), and goes to the
// window even when missing, which then says that it cannot be read.
bool MistypedSubcommand(const QString& argument)
{
    static const QRegularExpression fileNameSigns(QStringLiteral(R"([./\\])"));
    return !argument.isEmpty() && !argument.contains(fileNameSigns) && !QFileInfo::exists(argument);
}

} // namespace

Invocation ParseArguments(const QStringList& arguments)
{
    QCommandLineParser parser;
    // Everything from the subcommand on is the subcommand's to parse.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help = HelpOption();
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(QStringList{kProgram} + arguments))
        return Usage(parser.errorText());
    if (parser.isSet(help))
        return Just(Action::Help);
    if (parser.isSet(version))
        return Just(Action::Version);

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return Just(Action::Window);
    const QString first = positional.takeFirst();
    if (first == kRead)
        return ParseSubcommand(Action::Read, positional);
    if (first == kWrite)
        return ParseSubcommand(Action::Write, positional);
    if (first == kDiff)
        return ParseSubcommand(Action::Diff, positional);
    if (first == kPorts)
        return ParseSubcommand(Action::Ports, positional);
    if (MistypedSubcommand(first))
        return Usage(QStringLiteral("unknown subcommand '%1'; the subcommands are %2, %3, %4 and "
                                    "%5 (a FILE to open must exist or have a dot in its name).")
                         .arg(first, kRead, kWrite, kDiff, kPorts));
    if (!positional.isEmpty())
        return Usage(QStringLiteral("The window opens one FILE; '%1' is one too many.")
                         .arg(positional.first()));
    Invocation call = Just(Action::Window);
    call.file = first;
    return call;
}

Invocation ParseArguments(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return ParseArguments(arguments);
}

QString HelpText()
{
    return QStringLiteral(
               R"(Usage:
  morvane-config [FILE]
  morvane-config read [--port P] [--digits N] [-o FILE] [--json] [--quiet] [--trace]
  morvane-config write FILE [--port P] [--verify] [--log LOG] [--json] [--quiet]
                       [--trace]
  morvane-config diff FILE [--port P] [--log LOG] [--json] [--quiet] [--trace]
  morvane-config ports [--json]
  morvane-config --help | --version

Without a subcommand the window opens, with FILE in it when one is given.
The subcommands open no window and need no display. They talk to slave 1 at
9600 baud, 8 data bits, no parity, 1 stop bit, and transfer holding registers
3 to 11, as "Read From Controller" and "Write To Controller" do.

  read     read the nine registers into a configuration file (standard output
           without -o)
  write    check FILE as opening it in the window does, then write its nine
           registers to the controller
  diff     read the nine registers and list each one that differs from what
           writing FILE would send; nothing is written
  ports    list the serial ports as the window's port list shows them

A FILE of "-" is standard input for write and diff, standard output for -o.

Options:
  --port P           the port: a number n from 1 to 32767 (the device in
                     MORVANE_COM<n>, else /dev/ttyS<n-1>) or a device path,
                     absolute or relative (./ttyB); 1 when not given
  -o, --output FILE  read: write the configuration to FILE
  --digits N         read: the digits of the controller's display to record in
                     the file, %1 to %2; %3 when not given
  --verify           write: read the registers back and list each one that
                     differs from the file
  --log LOG          write, diff: append one CSV row for the run to LOG, with a
                     header row when LOG is new: time, port, device, adapter
                     serial number, slave, file, its SHA-256, verdict, exit
                     status and the registers that differ; LOG is opened before
                     anything is sent
  --json             the results as one JSON document on standard output: the
                     configuration for read; the port, the verdict and the
                     differences for write and diff; the list for ports
  --quiet            no step lines: only errors on standard error
  --trace            every request and every run of bytes received, on standard
                     error as it happens: time, direction, bytes in hex and what
                     they mean, as the window's line traffic shows them
  -h, --help         this text
  -v, --version      the version

Each step is told on standard error; results go to standard output.
Exit status:
  0  done (and verified, with --verify; the unit agrees with FILE, for diff)
  1  wrong usage
  2  FILE or LOG cannot be read or written, or FILE is not a valid
     configuration, or the results cannot be written to standard output
  3  the port cannot be opened
  4  no valid answer within 20 seconds
  5  the controller refused the request (exception reply)
  6  the connection was lost
  7  --verify or diff found a register that differs
  129, 130, 143  stopped by SIGHUP, SIGINT (Ctrl-C) or SIGTERM; the port is
                 closed
)")
        .arg(kMinDigits)
        .arg(kMaxDigits)
        .arg(kDefaultDigits);
}

QString VersionText()
{
    return kProgram + QStringLiteral(" " MORVANE_VERSION "\n");
}

} // namespace morvane::cli
