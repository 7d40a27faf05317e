#pragma once
// The arithmetic behind the entry checks: the display range preview and the 0 mA / 4 mA
// pair. Plain functions of the field values; the window reads and writes the fields.

#include <string>

namespace morvane
{

inline constexpr double kMinDigits = 1;
inline constexpr double kMaxDigits = 10;
inline constexpr double kMinDecPlace = 0;
inline constexpr double kMaxDecPlace = 9;

struct DisplayRange {
    std::string min; // most negative number the display shows: "-999.9"
    std::string max; // largest: "9999.9"
};

// What a display of `digits` digits with its point at `decPlace` (counted from the right,
// 0 for none) can show: a row of nines with the point in place, the minus sign taking the
// leftmost digit. Fractional values match no position, so they place no interior point.
DisplayRange DisplayPreview(double digits, double decPlace);

// The Dec Place text that holds Dec Place at Digits: Digits in plain number form, or, when
// that form (15 significant digits) would read back above Digits, the exact form.
std::string DecPlaceLimitText(double digits);

// The 4 mA value, a fifth of the way from the 0 mA value to the 20 mA value.
std::string FourMaText(double zeroMa, double twentyMa);

// The 0 mA value that puts `fourMa` a fifth of the way to the 20 mA value.
std::string ZeroMaText(double fourMa, double twentyMa);

} // namespace morvane
