#pragma once
// The numbers behind the entry fields: how a field's text is read as a number, how the
// program writes numbers back into fields, and how a number becomes an integer.
// Plain C++ without Qt or the C locale, so the same text reads the same everywhere.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morvane
{

// The number a field's text denotes. Blanks, tabs and line feeds are skipped anywhere;
// then a sign, digits with at most one '.', and an exponent introduced by E or D.
// "&H" and "&O" at the start read hexadecimal and octal integers. Reading stops at the
// first other character; a text without a leading number reads as 0.
// Never returns a non-finite value: a number beyond the range of a double reads as the
// largest finite double of its sign, and one too small to represent reads as zero.
double FieldValue(std::string_view text);

// Whether FieldValue reads the whole text as one number: blanks aside, nothing before or after
// it, and digits where the number needs them ("-7", " 25", "1e3", "&H10"; not "5OO", "2,5", "",
// "-", "4E"). A text that fails this still has a FieldValue, for the checks while typing.
bool IsOneNumber(std::string_view text);

// Shortest decimal text with at most 15 significant digits: "5", "-12.5", "0.25".
// Magnitudes of 1E+15 and above, and below 1E-5, use an exponent ("1E+20", "2.5E-07").
std::string PlainNumberText(double x);

// The same digits with a sign column: " 20", " 0", "-5", " .25", "-.25".
std::string SignedNumberText(double x);

// Nearest integer, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// Non-finite input is returned unchanged.
double RoundHalfEven(double x);

// Half-even rounding that says when the result does not fit the integer type,
// instead of converting out of range.
std::optional<std::int16_t> RoundToInt16(double x);
std::optional<std::int32_t> RoundToInt32(double x);

} // namespace morvane
