#pragma once
// The two lookup tables of the Modbus RTU CRC-16 (reflected polynomial 0xA001), built by the
// compiler: they exist before any code runs, so a link state never computes with empty ones.

#include <array>
#include <cstdint>

namespace morvane
{

// The standard byte-wise table entry for index i: i shifted right eight times, 0xA001 XOR-ed
// in after every shift that drops a 1 bit.
constexpr std::uint16_t ModbusCrcTableEntry(std::uint8_t index)
{
    std::uint16_t reg = index;
    for (int bit = 0; bit < 8; ++bit)
        reg = (reg & 1U) ? static_cast<std::uint16_t>((reg >> 1) ^ 0xA001U)
                         : static_cast<std::uint16_t>(reg >> 1);
    return reg;
}

using CrcTable = std::array<std::int16_t, 256>;

// The low byte of each entry (`highByte` false), or the high byte.
constexpr CrcTable ModbusCrcTableBytes(bool highByte)
{
    CrcTable table{};
    for (int i = 0; i < 256; ++i) {
        const std::uint16_t entry = ModbusCrcTableEntry(static_cast<std::uint8_t>(i));
        table[std::size_t(i)] = static_cast<std::int16_t>(highByte ? entry >> 8 : entry & 0xFF);
    }
    return table;
}

// CrcTableHi holds the low bytes and CrcTableLo the high bytes: the names are those of the
// check bytes they produce, CrcHi going on the wire first.
inline constexpr CrcTable kModbusCrcTableHi = ModbusCrcTableBytes(false);
inline constexpr CrcTable kModbusCrcTableLo = ModbusCrcTableBytes(true);

// Two entries every Modbus document prints, so a slip in the rule fails the build.
static_assert(kModbusCrcTableHi[1] == 0xC1 && kModbusCrcTableLo[1] == 0xC0 &&
              kModbusCrcTableHi[255] == 0x40 && kModbusCrcTableLo[255] == 0x40);

} // namespace morvane
