#pragma once
// The configuration block that both commands, the command line and the file move as one: nine
// holding registers of slave 1, registers 3 to 11, each one of the fields Text1(1) to Text1(9).

#include "controller/fields.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace morvane
{

inline constexpr std::int16_t ConfigSlaveAddress = 1;
inline constexpr std::int16_t ConfigFirstRegister = 3;
inline constexpr std::int16_t ConfigRegisterCount = 9;

static_assert(field::RegisterOfField(field::kFirstRegisterField) == ConfigFirstRegister &&
              field::RegisterOfField(field::kLastRegisterField) ==
                  ConfigFirstRegister + ConfigRegisterCount - 1);

// The nine values as they travel: [k] is register 3 + k, 0 to 65535.
using Registers = std::array<std::uint16_t, ConfigRegisterCount>;

// Where register field `f` (Dec Place to Parity) keeps its value among the nine.
constexpr std::size_t RegisterIndexOfField(int f)
{
    return static_cast<std::size_t>(field::RegisterOfField(f) - ConfigFirstRegister);
}

// The value of register 4, the input mode.
constexpr int ModeRegisterOf(const Registers& registers)
{
    return registers[RegisterIndexOfField(field::kMode)];
}

} // namespace morvane
