#pragma once
// How a register's value shows in its field, and how a field's text becomes the register
// value that is sent. A register travels as 16 bits, 0 to 65535; a field shows and takes its
// signed reading, except that the timer modes show the duration in Text1(3) unsigned, since a
// timer runs up to 65535 seconds.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morvane
{

// The text that field `field` shows for register value `value`, with `modeRegister` the
// value of register 4: "32767", "-32768" for 32768, "-1" for 65535, and in the timer modes
// "40000" in Text1(3).
std::string RegisterValueText(int field, std::int32_t value, std::int32_t modeRegister);

// The register value a field's text stands for: its number, plus 65536 when below zero,
// rounded half to even. Empty when the result does not fit 32 bits (such as "1e20").
std::optional<std::int32_t> FieldRegisterValue(std::string_view text);

// Whether a value can travel in one register. FieldRegisterValue yields values outside it
// for texts such as "70000", "-70000" or "-0.25" (which rounds to 65536).
constexpr bool FitsRegister(std::int32_t value)
{
    return value >= 0 && value <= 65535;
}

// Why a field's text cannot be written to the controller.
enum class WriteRefusal {
    None,
    NotANumber, // more than one number, or none: "5OO", "2,5", "12abc", ""
    AboveRange, // its register value lies above 65535 ("70000", "-0.25")
    BelowRange, // its number lies below -32768: its complement would be another positive value
    Beyond32Bits,
};

struct RegisterWrite {
    std::int32_t value = 0; // the register value to send; when refused, what it would have been
    WriteRefusal refusal = WriteRefusal::None;
};

// The register value a field's text is written as, or why it cannot be: a number from -32768
// to -1 travels as its 16-bit complement, 0 to 65535 unchanged, anything else is refused, and
// so is a text that is not one number as a whole.
RegisterWrite RegisterWriteOfText(std::string_view text);

} // namespace morvane
