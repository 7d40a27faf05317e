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
    const char* forms = kThisPlatform == PortPlatform::Windows
                            ? "a port number from 1 to 32767 or COMn"
                            : "a port number from 1 to 32767 or a device path such as "
                              "/dev/ttyUSB0 or ./ttyB";
    return QStringLiteral("--port takes %1; found '%2'.").arg(forms, typed);
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

Invocation WriteOf(const QCommandLineParser& parser, const QCommandLineOption& verify,
                   Invocation call)
{
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        return Usage(QStringLiteral("write needs the configuration FILE to write."));
    if (files.size() > 1)
        return Usage(
            QStringLiteral("write takes one FILE; '%1' is one too many.").arg(files.at(1)));
    call.file = files.first();
    call.verify = parser.isSet(verify);
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
    const QCommandLineOption fromUnit(QStringLiteral("from-unit"));
    QList<QCommandLineOption> options{help, port, trace};
    if (action == Action::Read)
        options << output << digits;
    else if (action == Action::Report)
        options << output << digits << fromUnit;
    else
        options << verify;
    parser.addOptions(options);
    // The parser takes its first argument for the program's name.
    if (!parser.parse(QStringList{kProgram} + arguments))
        return Usage(parser.errorText());
    if (parser.isSet(help))
        return Just(Action::Help);
    if (const std::optional<QString> repeated = RepeatedOption(parser, options))
        return Usage(*repeated);
    Invocation call = Just(action);
    call.trace = parser.isSet(trace);
    if (parser.isSet(port)) {
        call.portText = parser.value(port);
        if (!ResolvePortOption(call.portText.toStdString()))
            return Usage(PortProblem(call.portText));
    }
    if (action == Action::Report)
        return ReportOf(parser, output, digits, fromUnit, call);
    return action == Action::Read ? ReadOf(parser, output, digits, call)
                                  : WriteOf(parser, verify, call);
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
    if (first == kReport)
        return ParseSubcommand(Action::Report, positional);
    if (MistypedSubcommand(first))
        return Usage(QStringLiteral("unknown subcommand '%1'; the subcommands are %2, %3 and %4 "
                                    "(a FILE to open must exist or have a dot in its name).")
                         .arg(first, kRead, kWrite, kReport));
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
  morvane-config read [--port P] [--digits N] [-o FILE] [--trace]
  morvane-config write FILE [--port P] [--verify] [--trace]
  morvane-config report FILE [--port P] -o PAGE.pdf
  morvane-config report --from-unit [--port P] [--digits N] [--trace] -o PAGE.pdf
  morvane-config --help | --version

Without a subcommand the window opens, with FILE in it when one is given.
The subcommands open no window and need no display. They talk to slave 1 at
9600 baud, 8 data bits, no parity, 1 stop bit, and transfer holding registers
3 to 11, as "Read From Controller" and "Write To Controller" do.

  read     read the nine registers into a configuration file (standard output
           without -o)
  write    check FILE as opening it in the window does, then write its nine
           registers to the controller
  report   the page the window prints, as a PDF: of FILE as the window shows it
           after opening it, or with --from-unit of the unit, read now

Options:
  --port P           the port: a number n from 1 to 32767 (the device in
                     MORVANE_COM<n>, else /dev/ttyS<n-1>) or a device path,
                     absolute or relative (./ttyB); 1 when not given
  -o, --output FILE  read: write the configuration to FILE; report: write the
                     PDF to FILE, or to standard output when FILE is -
  --digits N         read, report --from-unit: the digits of the controller's
                     display to record, %1 to %2; %3 when not given
  --from-unit        report: read the unit on the port instead of a FILE
  --verify           write: read the registers back and list each one that
                     differs from the file
  --trace            every request and every run of bytes received, on standard
                     error as it happens: time, direction, bytes in hex and what
                     they mean, as the window's line traffic shows them
  -h, --help         this text
  -v, --version      the version

Each step is told on standard error; results go to standard output.
Exit status:
  0  done (and verified, with --verify)
  1  wrong usage
  2  FILE cannot be read or written, or is not a valid configuration, or the
     results cannot be written to standard output
  3  the port cannot be opened
  4  no valid answer within 20 seconds
  5  the controller refused the request (exception reply)
  6  the connection was lost
  7  --verify found a register that differs
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
