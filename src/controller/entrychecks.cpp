#include "controller/entrychecks.h"

#include "common/numbertext.h"
#include "controller/fields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace morvane
{
namespace
{

constexpr double kLargest = std::numeric_limits<double>::max();

// Rounding in the fifteenth digit can make the 0 mA and 4 mA formulas chase each other for
// ever; a settled exchange needs at most two rounds (four writes).
constexpr int kMaxPairWrites = 6;

// (to - from) / divisor without overflowing when the two lie near opposite ends of the
// doubles; the division first costs a last bit, but only where the plain form would fail.
double FractionOfSpan(double from, double to, double divisor)
{
    const double span = to - from;
    if (std::isfinite(span))
        return span / divisor;
    return to / divisor - from / divisor;
}

double HeldFinite(double x)
{
    return std::clamp(x, -kLargest, kLargest);
}

double Value(const EntryFields& fields, int index)
{
    return FieldValue(fields.Text(index));
}

} // namespace

DisplayRange DisplayPreview(double digits, double decPlace)
{
    DisplayRange r{"-", "9"};
    // The checks hold Digits to 1..10 before the preview is built; the bound keeps a
    // caller with any other number from building an endless row.
    const double rounded = RoundHalfEven(std::clamp(digits - 1, -1.0, double(kMaxDigits)));
    const int n = static_cast<int>(rounded);
    for (int i = 1; i <= n; ++i) {
        if (digits + 1 - i == decPlace) {
            r.min += '.';
            r.max += '.';
        }
        r.min += '9';
        r.max += '9';
    }
    if (decPlace == 1) {
        r.min += '.';
        r.max += '.';
    }
    if (r.min == "-")
        r.min = "0";
    return r;
}

std::string DecPlaceLimitText(double digits)
{
    std::string text = PlainNumberText(digits);
    if (FieldValue(text) <= digits)
        return text;
    // Fifteen digits rounded up would leave Dec Place above Digits; the shortest exact
    // form reads back as Digits itself.
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, digits);
    return std::string(buf, result.ptr);
}

std::string FourMaText(double zeroMa, double twentyMa)
{
    const double q = FieldValue(SignedNumberText(FractionOfSpan(zeroMa, twentyMa, 5)));
    return PlainNumberText(HeldFinite(zeroMa + q));
}

std::string ZeroMaText(double fourMa, double twentyMa)
{
    return SignedNumberText(HeldFinite(fourMa - FractionOfSpan(fourMa, twentyMa, 4)));
}

void HoldDisplayFormatInRange(EntryFields& fields)
{
    using field::kDecPlace;
    using field::kDigits;
    if (Value(fields, kDigits) < kMinDigits)
        fields.Write(kDigits, std::to_string(kMinDigits));
    if (Value(fields, kDigits) > kMaxDigits)
        fields.Write(kDigits, std::to_string(kMaxDigits));
    if (Value(fields, kDecPlace) < kMinDecPlace)
        fields.Write(kDecPlace, std::to_string(kMinDecPlace));
    if (Value(fields, kDecPlace) > kMaxDecPlace)
        fields.Write(kDecPlace, std::to_string(kMaxDecPlace));
    if (!(Value(fields, kDigits) > Value(fields, kDecPlace)))
        fields.Write(kDecPlace, DecPlaceLimitText(Value(fields, kDigits)));
}

void MilliampPair::Update(EntryFields& fields, int index)
{
    using field::kFourMa;
    using field::kZeroMa;
    if ((index != kZeroMa && index != kFourMa) || m_writeDepth >= kMaxPairWrites)
        return;
    const double twentyMa = Value(fields, field::kTwentyMa);
    const bool fromZeroMa = index == kZeroMa;
    const std::string text = fromZeroMa ? FourMaText(Value(fields, kZeroMa), twentyMa)
                                        : ZeroMaText(Value(fields, kFourMa), twentyMa);
    ++m_writeDepth;
    fields.Write(fromZeroMa ? kFourMa : kZeroMa, text);
    --m_writeDepth;
}

} // namespace morvane
