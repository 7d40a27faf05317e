#include "exchange/connection.h"

#include <algorithm>
#include <charconv>

namespace morvane
{

namespace
{

char ParityLetter(Parity parity)
{
    return ParityName(parity)[0];
}

std::string Plural(int count, std::string_view one, std::string_view many)
{
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

std::optional<int> Digits(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::string_view ParityName(Parity parity)
{
    switch (parity) {
    case Parity::Even:
        return "Even";
    case Parity::Odd:
        return "Odd";
    case Parity::None:
        break;
    }
    return "None";
}

bool Connection::IsValid() const
{
    return slave >= kLowestSlave && slave <= kHighestSlave && IsConnectionBaud(baud) &&
           (stopBits == 1 || stopBits == 2) && timeLimitMs >= kShortestTimeLimitMs &&
           timeLimitMs <= kLongestTimeLimitMs && retries >= 0 && retries <= kMostRetries &&
           (parity == Parity::None || parity == Parity::Even || parity == Parity::Odd);
}

std::string Connection::BaudText() const
{
    return std::to_string(baud);
}

std::string Connection::ParityName() const
{
    return std::string(morvane::ParityName(parity));
}

std::string Connection::LineText() const
{
    return BaudText() + " 8" + ParityLetter(parity) + std::to_string(stopBits);
}

std::string Connection::InWords(std::string_view place) const
{
    std::string words = "slave " + std::to_string(slave) + ", " + LineText();
    if (timeLimitMs != Connection{}.timeLimitMs)
        words += ", waiting " + SecondsText(timeLimitMs) + " s";
    if (retries != 0)
        words += ", " + Plural(retries, "retry", "retries");
    if (!place.empty())
        words += ", at " + std::string(place);
    return words;
}

std::string_view ParityWord(Parity parity)
{
    switch (parity) {
    case Parity::Even:
        return "even";
    case Parity::Odd:
        return "odd";
    case Parity::None:
        break;
    }
    return "none";
}

std::optional<Parity> ParityOfWord(std::string_view word)
{
    for (Parity parity : {Parity::None, Parity::Even, Parity::Odd})
        if (word == ParityWord(parity))
            return parity;
    return std::nullopt;
}

bool IsConnectionBaud(int baud)
{
    return std::find(kConnectionBauds.begin(), kConnectionBauds.end(), baud) !=
           kConnectionBauds.end();
}

std::optional<int> MillisecondsOfSecondsText(std::string_view text)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    if (whole.size() > 6)
        return std::nullopt;
    const std::optional<int> seconds = Digits(whole);
    if (!seconds)
        return std::nullopt;
    if (point == std::string_view::npos)
        return *seconds * 1000;
    std::string fraction(text.substr(point + 1));
    if (fraction.empty() || fraction.size() > 3)
        return std::nullopt;
    fraction.resize(3, '0');
    const std::optional<int> thousandths = Digits(fraction);
    if (!thousandths)
        return std::nullopt;
    return *seconds * 1000 + *thousandths;
}

std::string SecondsText(int milliseconds)
{
    std::string text = std::to_string(milliseconds / 1000);
    const int thousandths = milliseconds % 1000;
    if (thousandths == 0)
        return text;
    std::string fraction = std::to_string(1000 + thousandths).substr(1);
    while (fraction.back() == '0')
        fraction.pop_back();
    return text + "." + fraction;
}

std::string DefaultConnectionText()
{
    const Connection defaults;
    return "slave " + std::to_string(defaults.slave) + ", " + defaults.BaudText() +
           " baud, 8 data bits, no parity, " + Plural(defaults.stopBits, "stop bit", "stop bits") +
           ", " + SecondsText(defaults.timeLimitMs) + " s, no retries";
}

void UseConnection(Link& link, const Connection& connection)
{
    link.PortBaudText = connection.BaudText();
    link.PortParityName = connection.ParityName();
    link.ReceiveTimeLimit = static_cast<float>(connection.timeLimitMs) / 1000.0f;
}

std::chrono::milliseconds ConnectTimeLimit(const Connection& connection)
{
    return std::chrono::milliseconds(connection.timeLimitMs);
}

} // namespace morvane
