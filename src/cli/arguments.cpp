#include "cli/arguments.h"

#include "cli/connectionoptions.h"
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
const QString kScan = QStringLiteral("scan");
const QString kReport = QStringLiteral("report");

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
    if (NamesNetworkEndpoint(typed.toStdString()) || typed.contains(QStringLiteral("://"))) {
        const EndpointReading reading = ReadNetworkEndpoint(typed.toStdString());
        return QStringLiteral("--port '%1' names no unit on the network: %2; give "
                              "tcp://HOST[:PORT] or rtu+tcp://HOST:PORT.")
            .arg(typed, QString::fromStdString(reading.problem));
    }
    const char* forms = kThisPlatform == PortPlatform::Windows
                            ? "a port number from 1 to 32767, COMn"
                            : "a port number from 1 to 32767, a device path such as "
                              "/dev/ttyUSB0 or ./ttyB";
    return QStringLiteral("--port takes %1, or a unit on the network as tcp://HOST[:PORT] or "
                          "rtu+tcp://HOST:PORT; found '%2'.")
        .arg(forms, typed);
}

// Takes --digits when given; the problem when it is no Digits.
Invocation WithDigits(const QCommandLineParser& parser, const QCommandLineOption& digits,
                      Invocation call)
{
    if (!parser.isSet(digits))
        return call;
    const std::optional<int> n = DigitsOf(parser.value(digits));
    if (!n)
        return Usage(QStringLiteral("--digits takes a whole number from %1 to %2; found '%3'.")
                         .arg(kMinDigits)
                         .arg(kMaxDigits)
                         .arg(parser.value(digits)));
    call.digits = *n;
    return call;
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
    return WithDigits(parser, digits, call);
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

Invocation ScanOf(const QCommandLineParser& parser, const ConnectionOptions& connection,
                  const ScanOptions& options, Invocation call)
{
    if (!parser.positionalArguments().isEmpty())
        return Usage(QStringLiteral("scan takes no argument '%1'.")
                         .arg(parser.positionalArguments().first()));
    if (const auto problem = ReadScanOptions(parser, connection, options, call.scan))
        return Usage(*problem);
    return call;
}

// A page of a file, or of the unit read now: one or the other, and always somewhere to put it.
Invocation ReportOf(const QCommandLineParser& parser, const QCommandLineOption& output,
                    const QCommandLineOption& digits, const QCommandLineOption& fromUnit,
                    Invocation call)
{
    const QStringList files = parser.positionalArguments();
    call.fromUnit = parser.isSet(fromUnit);
    if (call.fromUnit && !files.isEmpty())
        return Usage(QStringLiteral("report takes a FILE or --from-unit, not both; '%1' is one "
                                    "too many.")
                         .arg(files.first()));
    if (!call.fromUnit && files.isEmpty())
        return Usage(QStringLiteral("report needs the configuration FILE, or --from-unit to read "
                                    "the unit."));
    if (files.size() > 1)
        return Usage(
            QStringLiteral("report takes one FILE; '%1' is one too many.").arg(files.at(1)));
    if (!parser.isSet(output) || parser.value(output).isEmpty())
        return Usage(QStringLiteral("report needs -o PAGE.pdf, or -o - for standard output."));
    if (parser.isSet(digits) && !call.fromUnit)
        return Usage(
            QStringLiteral("--digits goes with --from-unit; a FILE holds its own Digits."));
    call.file = files.value(0);
    call.page = parser.value(output);
    return WithDigits(parser, digits, call);
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
    const ConnectionOptions connection;
    const ScanOptions scan;
    const QCommandLineOption fromUnit(QStringLiteral("from-unit"));
    // A report's result is its PDF, with no document beside it.
    QList<QCommandLineOption> options{help, quiet};
    if (action != Action::Report)
        options << json;
    if (action != Action::Ports)
        options << port << trace << connection.All();
    if (action == Action::Read)
        options << output << digits;
    if (action == Action::Report)
        options << output << digits << fromUnit;
    if (action == Action::Write)
        options << verify;
    if (action == Action::Write || action == Action::Diff)
        options << log;
    if (action == Action::Scan)
        options << scan.All();
    parser.addOptions(options);
    // The parser takes its first argument for the program's name.
    if (!parser.parse(QStringList{kProgram} + arguments))
        return Usage(parser.errorText());
    if (parser.isSet(help))
        return Just(Action::Help);
    if (const std::optional<QString> repeated = RepeatedOption(parser, options))
        return Usage(*repeated);
    Invocation call = Just(action);
    call.json = action != Action::Report && parser.isSet(json);
    call.quiet = parser.isSet(quiet);
    if (action == Action::Ports)
        return PortsOf(parser, call);
    call.trace = parser.isSet(trace);
    if (parser.isSet(port)) {
        call.portText = parser.value(port);
        if (!ResolvePortOption(call.portText.toStdString()))
            return Usage(PortProblem(call.portText));
    }
    const bool scanning = action == Action::Scan;
    if (const auto problem = ReadConnectionOptions(parser, connection, scanning, call.connection))
        return Usage(*problem);
    if (scanning)
        return ScanOf(parser, connection, scan, call);
    if (action == Action::Report)
        return ReportOf(parser, output, digits, fromUnit, call);
    if (action == Action::Report)
        return ReportOf(parser, output, digits, fromUnit, call);
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
    if (first == kScan)
        return ParseSubcommand(Action::Scan, positional);
    if (first == kReport)
        return ParseSubcommand(Action::Report, positional);
    if (MistypedSubcommand(first))
        return Usage(QStringLiteral("unknown subcommand '%1'; the subcommands are %2, %3, %4, %5, "
                                    "%6 and %7 (a FILE to open must exist or have a dot in its "
                                    "name).")
                         .arg(first, kRead, kWrite, kDiff, kPorts, kScan, kReport));
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
  morvane-config read [--port P] [CONNECTION] [--digits N] [-o FILE] [--json]
                      [--quiet] [--trace]
  morvane-config write FILE [--port P] [CONNECTION] [--verify] [--log LOG]
                       [--json] [--quiet] [--trace]
  morvane-config diff FILE [--port P] [CONNECTION] [--log LOG] [--json] [--quiet]
                      [--trace]
  morvane-config scan [--port P] [CONNECTION] [--slaves LIST] [--bauds LIST]
                      [--parity LIST] [--probe-timeout SECONDS] [--json]
                      [--quiet] [--trace]
  morvane-config ports [--json]
  morvane-config report FILE [--port P] [CONNECTION] [--quiet] -o PAGE.pdf
  morvane-config report --from-unit [--port P] [CONNECTION] [--digits N]
                        [--quiet] [--trace] -o PAGE.pdf
  morvane-config --help | --version

Without a subcommand the window opens, with FILE in it when one is given.
The subcommands open no window and need no display. Unless told otherwise they
talk to slave 1 at 9600 baud, 8 data bits, no parity, 1 stop bit, wait 20
seconds for an answer, and transfer holding registers 3 to 11, as "Read From
Controller" and "Write To Controller" do.

  read     read the nine registers into a configuration file (standard output
           without -o)
  write    check FILE as opening it in the window does, then write its nine
           registers to the controller
  diff     read the nine registers and list each one that differs from what
           writing FILE would send; nothing is written
  ports    list the serial ports as the window's port list shows them
  scan     find the units on a line: read the registers at every address, at
           each speed and parity, and list on standard output each unit that
           answers (its address, speed, parity and mode). Nothing is written.
           The current settings (the connection options) come first, then the
           defaults, then the rest. On the network only the addresses are
           tried.
  report   the page the window prints, as a PDF: of FILE as the window shows it
           after opening it, or with --from-unit of the unit, read now

A FILE of "-" is standard input for write and diff, standard output for -o.

Options:
  --port P           the port: a number n from 1 to 32767 (the device in
                     MORVANE_COM<n>, else /dev/ttyS<n-1>), a device path,
                     absolute or relative (./ttyB), tcp://HOST[:PORT] for a
                     Modbus TCP gateway (port 502 when not given), or
                     rtu+tcp://HOST:PORT for a serial device server in raw TCP
                     mode; 1 when not given
  -o, --output FILE  read: write the configuration to FILE; report: write the
                     PDF to FILE, or to standard output when FILE is -
  --digits N         read, report --from-unit: the digits of the controller's
                     display to record, %1 to %2; %3 when not given
  --from-unit        report: read the unit on the port instead of a FILE
  --verify           write: read the registers back and list each one that
                     differs from the file
  --log LOG          write, diff: append one CSV row for the run to LOG, with a
                     header row when LOG is new: time, port, device, adapter
                     serial number, slave, file, its SHA-256, verdict, exit
                     status and the registers that differ; LOG is opened before
                     anything is sent
  --json             the results as one JSON document on standard output: the
                     configuration for read; the port, the verdict and the
                     differences for write and diff; the list for ports; the
                     units found for scan
  --quiet            no step lines: only errors on standard error
  --trace            every request and every run of bytes received, on standard
                     error as it happens: time, direction, bytes in hex and what
                     they mean, as the window's line traffic shows them; on the
                     network also the connects, closes and MBAP headers
  -h, --help         this text
  -v, --version      the version

Connection, on every subcommand but ports:
  --slave N          the unit's address, 1 to 247; 1 when not given
  --baud N           the line's speed: 1200, 2400, 4800, 9600, 19200, 38400,
                     57600 or 115200; 9600 when not given
  --parity P         none, even or odd; none when not given
  --stop-bits N      1 or 2; 1 when not given
  --timeout SECONDS  how long to wait for an answer, 0.1 to 60, such as 5 or
                     0.5; also the limit of a network connect; 20 when not given
  --retries N        ask again up to N times (0 to 5) when the time runs out
                     without an answer, or with only bytes that answer nothing;
                     never after a refusal or a lost connection; 0 when not
                     given
  On the network the speed, parity and stop bits are the gateway's own.

Scan:
  --slaves LIST      the addresses to try, such as 1-247 (the default), 5 or
                     1-10,17
  --bauds LIST       the speeds to try, such as 9600,19200; every speed above
                     when not given
  --parity LIST      the parities to try, such as none or none,even; all three
                     when not given
  --probe-timeout SECONDS
                     the time a unit may take to turn a probe round, beyond
                     the line time of the request and its reply (31 characters
                     and the 3.5 of silence between them at the speed tried);
                     0.05 when not given
  A scan's probes keep to their own time limits and are not retried.

Each step is told on standard error; results go to standard output.
Exit status:
  0  done (and verified, with --verify; the unit agrees with FILE, for diff);
     scan: at least one unit found
  1  wrong usage
  2  FILE or LOG cannot be read or written, or FILE is not a valid
     configuration, or the results cannot be written to standard output
  3  the port cannot be opened, or no connection can be made
  4  no valid answer within the time limit; scan: no unit found
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
