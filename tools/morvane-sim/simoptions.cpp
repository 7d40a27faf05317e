#include "simoptions.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace morvane::sim
{

namespace
{

std::optional<long> ParseInteger(std::string_view text, long lowest, long highest)
{
    long value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

// Negative values are accepted as their 16-bit complement, the form the utility sends them in.
std::string ParseRegisters(std::string_view text, std::array<uint16_t, 9>& registers)
{
    size_t index = 0;
    while (true) {
        size_t comma = text.find(',');
        std::string_view item = text.substr(0, comma);
        if (index == registers.size())
            return "--registers takes at most 9 values (registers 3 to 11)";
        auto value = ParseInteger(item, -32768, 65535);
        if (!value)
            return "--registers: '" + std::string(item) + "' is not a value from -32768 to 65535";
        registers[index++] = static_cast<uint16_t>(*value & 0xFFFF);
        if (comma == std::string_view::npos)
            return {};
        text.remove_prefix(comma + 1);
    }
}

std::string ParseDisagreement(std::string_view text, SimOptions& options)
{
    size_t equals = text.find('=');
    auto reg = ParseInteger(text.substr(0, equals), 3, 11);
    auto value = equals == std::string_view::npos
                     ? std::nullopt
                     : ParseInteger(text.substr(equals + 1), -32768, 65535);
    if (!reg || !value)
        return "--disagree takes REG=VALUE: a register from 3 to 11 and a value from -32768 to "
               "65535";
    options.disagree[static_cast<size_t>(*reg - 3)] = static_cast<uint16_t>(*value & 0xFFFF);
    return {};
}

struct IntegerSwitch {
    const char* name;
    long lowest;
    long highest;
};

constexpr IntegerSwitch IntegerSwitches[] = {
    {"--delay", 0, 600000},
    {"--exception", 1, 255},
    {"--noise", 0, 4096},
    {"--pieces", 1, 260},
    {"--gap", 0, 60000},
    {"--slave-answer", 0, 255},
    {"--bad-crc-first", 0, 1L << 30},
    {"--hangup-after", 0, 1L << 30},
    {"--pace", 0, 4000000},
    {"--tcp", 0, 65535},
    {"--rtu-tcp", 0, 65535},
    {"--slave", 1, 247},
    {"--baud", 1, 4000000},
};

void StoreInteger(std::string_view name, long value, SimOptions& options)
{
    if (name == "--delay")
        options.delayMs = static_cast<int>(value);
    else if (name == "--exception")
        options.exceptionCode = static_cast<int>(value);
    else if (name == "--noise")
        options.noiseBytes = static_cast<int>(value);
    else if (name == "--pieces")
        options.pieces = static_cast<int>(value);
    else if (name == "--gap")
        options.gapMs = static_cast<int>(value);
    else if (name == "--slave-answer")
        options.answerSlave = static_cast<int>(value);
    else if (name == "--bad-crc-first")
        options.badCrcFirst = static_cast<int>(value);
    else if (name == "--hangup-after")
        options.hangupAfter = value;
    else if (name == "--pace")
        options.paceBaud = value;
    else if (name == "--slave")
        options.slave = static_cast<int>(value);
    else if (name == "--baud")
        options.baud = value;
    else if (name == "--tcp" || name == "--rtu-tcp") {
        options.transport = name == "--tcp" ? Transport::Tcp : Transport::RtuOverTcp;
        options.tcpPort = static_cast<int>(value);
    }
}

std::string ParseParity(std::string_view value, SimOptions& options)
{
    if (value == "none")
        options.parity = 'N';
    else if (value == "even")
        options.parity = 'E';
    else if (value == "odd")
        options.parity = 'O';
    else
        return "--parity takes none, even or odd";
    return {};
}

bool StoreFlag(std::string_view name, SimOptions& options)
{
    if (name == "--silent")
        options.silent = true;
    else if (name == "--bad-crc")
        options.badCrc = true;
    else if (name == "--verbose")
        options.verbose = true;
    else
        return false;
    return true;
}

std::string StoreValued(std::string_view name, std::string_view value, SimOptions& options)
{
    if (name == "--link") {
        if (value.empty())
            return "--link needs a path";
        options.linkPath = value;
        return {};
    }
    if (name == "--registers")
        return ParseRegisters(value, options.registers);
    if (name == "--disagree")
        return ParseDisagreement(value, options);
    if (name == "--parity")
        return ParseParity(value, options);
    if ((name == "--tcp" || name == "--rtu-tcp") && options.transport != Transport::Pty)
        return "give one of --tcp and --rtu-tcp, once";
    for (const IntegerSwitch& known : IntegerSwitches) {
        if (name != known.name)
            continue;
        auto number = ParseInteger(value, known.lowest, known.highest);
        if (!number)
            return std::string(name) + " takes a whole number from " +
                   std::to_string(known.lowest) + " to " + std::to_string(known.highest);
        StoreInteger(name, *number, options);
        return {};
    }
    return "unknown option " + std::string(name);
}

std::string CheckCombination(const SimOptions& options)
{
    if (options.transport != Transport::Pty && !options.linkPath.empty())
        return "--link names a pseudo-terminal: it does not go with --tcp or --rtu-tcp";
    return {};
}

} // namespace

std::string ParseSimOptions(int argc, char** argv, SimOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        std::string_view name = argument.substr(0, argument.find('='));
        bool inlineValue = name.size() < argument.size();
        if (!inlineValue && StoreFlag(name, options))
            continue;
        std::string_view value;
        if (inlineValue)
            value = argument.substr(name.size() + 1);
        else if (i + 1 < argc)
            value = argv[++i];
        else
            return "option " + std::string(name) + " needs a value (or is unknown)";
        std::string error = StoreValued(name, value, options);
        if (!error.empty())
            return error;
    }
    return CheckCombination(options);
}

const char* SimUsage()
{
    return R"(usage: morvane-sim [options]
A virtual Morvane controller: a Modbus RTU slave (address 1) on a new pseudo-terminal,
or with --tcp or --rtu-tcp behind a TCP port on 127.0.0.1.
Holding registers 3 to 11 (wire addresses 2 to 10) start as 2,1,0,100,500,20,1,3,0
and keep what is written; other addresses answer exception 2 (illegal data address).
The first line of standard output is what to open: the device, or the URL the utility
takes as its port (tcp://127.0.0.1:PORT, rtu+tcp://127.0.0.1:PORT); then one line per
request received for its slave address, printed before its reply, e.g.
"request fn=3 addr=2 count=9" or "request fn=16 addr=2 count=9 values=2,1,0,100,500,20,1,3,0";
"hangup" before a hang-up. Like a real line, a reply is lost when no program has the
device open (or no master is connected).

  --tcp PORT           serve Modbus TCP on 127.0.0.1:PORT (0: a free port, printed)
  --rtu-tcp PORT       serve the serial line's own frames, CRC included, over TCP on
                       127.0.0.1:PORT, like a serial device server in raw mode
                       (0: a free port). Over TCP one master is served at a time; every
                       switch below works on every transport
  --slave ID           the controller's own address, 1 to 247 (default 1); requests for
                       other addresses (over Modbus TCP: other unit identifiers) are ignored
  --baud N             the speed it listens at (default: any) ...
  --parity P           ... and its parity: none, even or odd (default: any). Both are shown
                       on standard error; on a pseudo-terminal, whose settings the utility's
                       open sets, a request sent at another speed or parity is ignored as
                       one a real controller could not make out. Over TCP they are recorded
                       only: the line settings are the gateway's
  --link PATH          also make a symbolic link PATH to the device (removed on exit)
  --registers A,B,...  start registers 3, 4, ... with these values (-32768..65535)
  --silent             receive requests but never answer (and store nothing)
  --delay MS           answer MS milliseconds late
  --exception CODE     refuse every request with this exception code (stores nothing)
  --bad-crc            invert both CRC bytes of every reply; over Modbus TCP, which has
                       no CRC, invert both bytes of its transaction identifier instead
  --bad-crc-first N    spoil only the first N replies as --bad-crc does, then answer
                       well: a line that garbles one reply and recovers
  --noise N            send N noise bytes (0xFF, 0x00 alternating) before each reply
                       (over Modbus TCP they break the stream's framing)
  --pieces N           send each reply in N pieces ...
  --gap MS             ... MS milliseconds apart (default 20)
  --slave-answer ID    answer with slave address ID (valid CRC; over Modbus TCP the unit
                       identifier)
  --hangup-after N     answer N requests; on the next one close the device (or the
                       connection and the TCP port) and exit
  --disagree REG=VALUE acknowledge writes as usual, but then hold VALUE in register REG
                       (3 to 11; VALUE as in --registers) instead of the value written for
                       it, like a controller that clamps a setting; reads return VALUE from
                       the first write of REG on; repeat it for more registers
  --pace BAUD          take the time of a line at BAUD baud, 10 bits a byte (0, the
                       default: no pacing): answer no sooner than 3.5 characters after
                       the end of the request (1.75 ms above 19200 baud), then send
                       byte by byte, each when its stop bit would be out. With --delay
                       the reply starts MS after the request's end, or after the silence
                       if that is longer; --noise bytes take line time like the reply;
                       each piece of --pieces is paced and --gap is silence between them
  --verbose            trace frames on standard error
  --help               this text
)";
}

} // namespace morvane::sim
