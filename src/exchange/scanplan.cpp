#include "exchange/scanplan.h"

#include "controller/modetable.h"
#include "exchange/trafficwords.h"

#include <algorithm>
#include <charconv>

namespace morvane
{

namespace
{

// The characters of a probe: the read request and the read reply for the nine registers.
constexpr int kProbeRequestCharacters = 8;
constexpr int kProbeReplyCharacters = 5 + 2 * ConfigRegisterCount;
// Each slave answers a probe only once the line has been silent 3.5 characters after it.
constexpr double kTurnaroundCharacters = 3.5;

std::vector<std::string_view> Items(std::string_view text)
{
    std::vector<std::string_view> items;
    for (;;) {
        const std::size_t comma = text.find(',');
        items.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos)
            return items;
        text.remove_prefix(comma + 1);
    }
}

std::optional<int> Number(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.size() > 6 || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

template <typename T> void AddOnce(std::vector<T>& list, T value)
{
    if (std::find(list.begin(), list.end(), value) == list.end())
        list.push_back(value);
}

// "a-b" or "a", within the addresses a unit can have.
bool AddSlaveRange(std::string_view item, std::vector<int>& slaves)
{
    const std::size_t dash = item.find('-');
    const std::optional<int> first = Number(item.substr(0, dash));
    const std::optional<int> last =
        dash == std::string_view::npos ? first : Number(item.substr(dash + 1));
    if (!first || !last || *first < kLowestSlave || *last > kHighestSlave || *first > *last)
        return false;
    for (int slave = *first; slave <= *last; ++slave)
        AddOnce(slaves, slave);
    return true;
}

template <typename T, typename Word> std::string Joined(const std::vector<T>& list, Word word)
{
    std::string text;
    for (const T& item : list)
        text += (text.empty() ? "" : ",") + std::string(word(item));
    return text;
}

} // namespace

std::vector<int> ScanPlan::DefaultScanSlaves()
{
    std::vector<int> slaves;
    for (int slave = kLowestSlave; slave <= kHighestSlave; ++slave)
        slaves.push_back(slave);
    return slaves;
}

std::optional<std::vector<int>> ScanSlavesOfText(std::string_view text)
{
    std::vector<int> slaves;
    for (std::string_view item : Items(text))
        if (!AddSlaveRange(item, slaves))
            return std::nullopt;
    return slaves;
}

std::optional<std::vector<int>> ScanBaudsOfText(std::string_view text)
{
    std::vector<int> bauds;
    for (std::string_view item : Items(text)) {
        const std::optional<int> baud = Number(item);
        if (!baud || !IsConnectionBaud(*baud))
            return std::nullopt;
        AddOnce(bauds, *baud);
    }
    return bauds;
}

std::optional<std::vector<Parity>> ScanParitiesOfText(std::string_view text)
{
    std::vector<Parity> parities;
    for (std::string_view item : Items(text)) {
        const std::optional<Parity> parity = ParityOfWord(item);
        if (!parity)
            return std::nullopt;
        AddOnce(parities, *parity);
    }
    return parities;
}

// Runs of consecutive addresses are written as ranges.
std::string ScanSlavesText(const std::vector<int>& slaves)
{
    std::string text;
    for (std::size_t i = 0; i < slaves.size();) {
        std::size_t j = i;
        while (j + 1 < slaves.size() && slaves[j + 1] == slaves[j] + 1)
            ++j;
        text += (text.empty() ? "" : ",") + std::to_string(slaves[i]);
        if (j > i)
            text += "-" + std::to_string(slaves[j]);
        i = j + 1;
    }
    return text;
}

std::string ScanBaudsText(const std::vector<int>& bauds)
{
    return Joined(bauds, [](int baud) { return std::to_string(baud); });
}

std::string ScanParitiesText(const std::vector<Parity>& parities)
{
    return Joined(parities, ParityWord);
}

int BitsPerCharacter(const Connection& line)
{
    return 1 + 8 + (line.parity == Parity::None ? 0 : 1) + line.stopBits;
}

int ProbeTimeLimitMs(const Connection& line, int allowanceMs)
{
    const double characters =
        kProbeRequestCharacters + kTurnaroundCharacters + kProbeReplyCharacters;
    const double lineMs = characters * BitsPerCharacter(line) * 1000.0 / line.baud;
    return static_cast<int>(lineMs + 0.999) + allowanceMs;
}

std::vector<Connection> ScanLineSettings(const ScanPlan& plan, const Connection& current,
                                         bool network)
{
    if (network)
        return {current};
    std::vector<Connection> lines;
    const auto planned = [&plan](const Connection& line) {
        return std::find(plan.bauds.begin(), plan.bauds.end(), line.baud) != plan.bauds.end() &&
               std::find(plan.parities.begin(), plan.parities.end(), line.parity) !=
                   plan.parities.end();
    };
    Connection defaults = current;
    defaults.baud = Connection{}.baud;
    defaults.parity = Connection{}.parity;
    for (const Connection& first : {current, defaults})
        if (planned(first))
            AddOnce(lines, first);
    for (int baud : plan.bauds)
        for (Parity parity : plan.parities) {
            Connection line = current;
            line.baud = baud;
            line.parity = parity;
            AddOnce(lines, line);
        }
    return lines;
}

std::vector<int> ScanSlaveOrder(const ScanPlan& plan, const Connection& current)
{
    std::vector<int> slaves;
    for (int first : {current.slave, Connection{}.slave})
        if (std::find(plan.slaves.begin(), plan.slaves.end(), first) != plan.slaves.end())
            AddOnce(slaves, first);
    for (int slave : plan.slaves)
        AddOnce(slaves, slave);
    return slaves;
}

std::string FoundUnitText(const FoundUnit& unit)
{
    const std::string where =
        "slave " + std::to_string(unit.connection.slave) + ", " + unit.connection.LineText();
    if (!unit.registers)
        return where + ": refused the read (" + ExceptionWords(unit.exceptionCode) + ")";
    const std::optional<std::string> mode = ModeNameHeld(*unit.registers);
    if (!mode)
        return where + ": register 4 holds " + std::to_string(ModeRegisterOf(*unit.registers)) +
               ", no mode";
    return where + ": " + *mode;
}

std::optional<std::string> ModeNameHeld(const Registers& registers)
{
    const int modeRegister = ModeRegisterOf(registers);
    if (modeRegister < mode::kFirst || modeRegister > mode::kLast)
        return std::nullopt;
    std::string caption(ModeCaption(modeRegister));
    caption.erase(caption.find_last_not_of(' ') + 1); // "Counter  " is padded for its option
    return caption;
}

} // namespace morvane
