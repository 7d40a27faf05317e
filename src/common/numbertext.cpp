#include "common/numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace morvane
{
namespace
{

constexpr double kLargest = std::numeric_limits<double>::max();

// A double carries about 17 significant decimal digits; the digits kept beyond that only
// decide the rounding, and one sticky digit stands for everything dropped after them.
constexpr std::size_t kMaxMantissaDigits = 780;

// Decimal exponents far beyond what a double can hold; holding the exponent within this
// band keeps its arithmetic from overflowing however many digits the text has.
constexpr std::int64_t kExponentBand = 100000;

bool IsSkipped(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

// Walks a text the way the field reading sees it: with blanks, tabs and line feeds gone.
class Scanner
{
  public:
    explicit Scanner(std::string_view text) : m_text(text) { SkipBlanks(); }

    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }
    void Next()
    {
        ++m_pos;
        SkipBlanks();
    }

  private:
    void SkipBlanks()
    {
        while (m_pos < m_text.size() && IsSkipped(m_text[m_pos]))
            ++m_pos;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int DigitValue(char c, int radix)
{
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (Upper(c) >= 'A' && Upper(c) <= 'F')
        v = Upper(c) - 'A' + 10;
    return (v >= 0 && v < radix) ? v : -1;
}

// What was read of a text: the number, and whether it had digits where it needs them (in the
// exponent too, when there is one).
struct Reading {
    double value = 0;
    bool hasDigits = false;
};

Reading ReadRadixInteger(Scanner& s, int radix)
{
    Reading r;
    for (int d = DigitValue(s.Peek(), radix); d >= 0; d = DigitValue(s.Peek(), radix)) {
        r.value = std::min(r.value * radix + d, kLargest);
        r.hasDigits = true;
        s.Next();
    }
    return r;
}

std::int64_t ReadExponent(Scanner& s, bool& hasDigits)
{
    bool negative = false;
    if (s.Peek() == '+' || s.Peek() == '-') {
        negative = s.Peek() == '-';
        s.Next();
    }
    std::int64_t exponent = 0;
    hasDigits = false;
    for (; s.Peek() >= '0' && s.Peek() <= '9'; s.Next()) {
        exponent = std::min<std::int64_t>(exponent * 10 + (s.Peek() - '0'), kExponentBand);
        hasDigits = true;
    }
    return negative ? -exponent : exponent;
}

// The significant digits of a decimal number and the power of ten of its last kept digit.
struct Decimal {
    std::string digits;
    std::int64_t exponent = 0;
    bool sticky = false; // nonzero digits were dropped beyond kMaxMantissaDigits
};

void AddDigit(Decimal& d, char c, bool afterPoint)
{
    if (d.digits.empty() && c == '0') {
        if (afterPoint)
            --d.exponent;
        return;
    }
    if (d.digits.size() < kMaxMantissaDigits) {
        d.digits.push_back(c);
        if (afterPoint)
            --d.exponent;
    } else {
        d.sticky = d.sticky || c != '0';
        if (!afterPoint)
            ++d.exponent;
    }
    d.exponent = std::clamp(d.exponent, -kExponentBand, kExponentBand);
}

double DecimalToDouble(Decimal& d)
{
    if (d.digits.empty())
        return 0;
    if (d.sticky)
        d.digits.push_back('1'), --d.exponent;
    // The position of the leading digit decides overflow and underflow before any parsing.
    const std::int64_t magnitude = d.exponent + static_cast<std::int64_t>(d.digits.size());
    if (magnitude > 310)
        return kLargest;
    if (magnitude < -330)
        return 0;
    std::string text = d.digits + "e" + std::to_string(d.exponent);
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range)
        return magnitude > 0 ? kLargest : 0;
    if (ec != std::errc() || !std::isfinite(value))
        return kLargest;
    return value;
}

Reading ReadDecimal(Scanner& s)
{
    Decimal d;
    bool seenPoint = false;
    bool mantissaDigits = false;
    for (;; s.Next()) {
        const char c = s.Peek();
        if (c >= '0' && c <= '9') {
            AddDigit(d, c, seenPoint);
            mantissaDigits = true;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    bool exponentDigits = true;
    if (const char e = Upper(s.Peek()); e == 'E' || e == 'D') {
        s.Next();
        d.exponent =
            std::clamp(d.exponent + ReadExponent(s, exponentDigits), -kExponentBand, kExponentBand);
    }
    return {DecimalToDouble(d), mantissaDigits && exponentDigits};
}

Reading ReadFieldNumber(Scanner& s)
{
    if (s.Peek() == '&') {
        s.Next();
        const char radix = Upper(s.Peek());
        if (radix != 'H' && radix != 'O')
            return {};
        s.Next();
        return ReadRadixInteger(s, radix == 'H' ? 16 : 8);
    }
    bool negative = false;
    if (s.Peek() == '+' || s.Peek() == '-') {
        negative = s.Peek() == '-';
        s.Next();
    }
    Reading r = ReadDecimal(s);
    if (negative)
        r.value = -r.value;
    return r;
}

std::string FormatShortest(double x)
{
    if (std::isnan(x))
        x = 0;
    x = std::clamp(x, -kLargest, kLargest);
    if (x == 0)
        x = 0; // no "-0"
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
    std::string text(buf, ec == std::errc() ? end : buf);
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return Upper(c); });
    return text;
}

} // namespace

double FieldValue(std::string_view text)
{
    Scanner s(text);
    return ReadFieldNumber(s).value;
}

bool IsOneNumber(std::string_view text)
{
    Scanner s(text);
    return ReadFieldNumber(s).hasDigits && s.AtEnd();
}

std::string PlainNumberText(double x)
{
    return FormatShortest(x);
}

std::string SignedNumberText(double x)
{
    std::string digits = FormatShortest(std::fabs(x));
    if (digits.size() > 1 && digits[0] == '0' && digits[1] == '.')
        digits.erase(0, 1);
    const bool negative = x < 0 && digits != "0";
    return (negative ? "-" : " ") + digits;
}

double RoundHalfEven(double x)
{
    if (!std::isfinite(x))
        return x;
    const double below = std::floor(x);
    const double fraction = x - below; // exact for every finite double
    if (fraction > 0.5)
        return below + 1;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

namespace
{
template <typename Int> std::optional<Int> RoundToInt(double x)
{
    const double r = RoundHalfEven(x);
    if (!(r >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          r <= static_cast<double>(std::numeric_limits<Int>::max())))
        return std::nullopt;
    return static_cast<Int>(r);
}
} // namespace

std::optional<std::int16_t> RoundToInt16(double x)
{
    return RoundToInt<std::int16_t>(x);
}
std::optional<std::int32_t> RoundToInt32(double x)
{
    return RoundToInt<std::int32_t>(x);
}

} // namespace morvane
