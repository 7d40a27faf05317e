#include "protocol/crc16.h"

#include <algorithm>

namespace morvane
{

void ModbusCrcInit(LinkState& state)
{
    state.CrcTableHi = kModbusCrcTableHi;
    state.CrcTableLo = kModbusCrcTableLo;
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
