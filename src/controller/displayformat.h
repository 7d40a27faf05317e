#pragma once
// The controller's display as the window sets it up: Digits, the number of digits it has, and
// Dec Place, the position of its decimal point counted from the right. Digits is the window's
// own and travels only in a configuration file; Dec Place is register 3.

namespace morvane
{

inline constexpr int kMinDigits = 1;
inline constexpr int kMaxDigits = 10;
// The Digits a new window, a file and the command line's read start from.
inline constexpr int kDefaultDigits = 5;
inline constexpr int kMinDecPlace = 0;
inline constexpr int kMaxDecPlace = 9;

// kDefaultDigits as the Digits field's design text.
inline constexpr char kDefaultDigitsText[] = {char('0' + kDefaultDigits), '\0'};
static_assert(kDefaultDigits >= kMinDigits && kDefaultDigits <= 9, "one digit, in range");

} // namespace morvane
