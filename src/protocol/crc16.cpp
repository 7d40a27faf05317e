#include "protocol/crc16.h"

#include <algorithm>

namespace morvane
{

namespace
{

constexpr std::array<std::uint16_t, 256> MakeCrcTable()
{
    std::array<std::uint16_t, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = ModbusCrcTableEntry(static_cast<std::uint8_t>(i));
    return table;
}

constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

// Two entries every Modbus document prints, so a slip in the rule fails the build.
static_assert(kCrcTable[1] == 0xC0C1 && kCrcTable[255] == 0x4040);

} // namespace

void ModbusCrcInit(LinkState& state)
{
    for (int i = 0; i < 256; ++i) {
        state.CrcTableHi[i] = static_cast<std::int16_t>(kCrcTable[i] & 0xFF);
        state.CrcTableLo[i] = static_cast<std::int16_t>(kCrcTable[i] >> 8);
    }
}

std::int32_t ModbusCrc16(LinkState& state, std::int16_t count, std::int16_t useTx)
{
    const auto& buffer = useTx != 0 ? state.TxBuf : state.RxBuf;
    const int covered = std::clamp<int>(count, 0, kLinkBufferSize);
    int hi = 0xFF;
    int lo = 0xFF;
    for (int i = 0; i < covered; ++i) {
        const int idx = (buffer[i] ^ hi) & 0xFF;
        hi = (state.CrcTableHi[idx] ^ lo) & 0xFF;
        lo = state.CrcTableLo[idx] & 0xFF;
    }
    state.CrcHi = static_cast<std::int16_t>(hi);
    state.CrcLo = static_cast<std::int16_t>(lo);
    return hi * 256 + lo;
}

std::uint16_t ModbusCrcOfBytes(std::span<const std::uint8_t> bytes)
{
    std::uint16_t crc = 0xFFFF;
    for (const std::uint8_t b : bytes)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kCrcTable[(crc ^ b) & 0xFF]);
    return crc;
}

} // namespace morvane
