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
    // The same byte-wise rule as ModbusCrc16, on a plain run of bytes: hi is the standard CRC's
    // low byte, lo its high byte.
    int hi = 0xFF;
    int lo = 0xFF;
    for (const std::uint8_t b : bytes) {
        const int idx = (b ^ hi) & 0xFF;
        hi = (kModbusCrcTableHi[std::size_t(idx)] ^ lo) & 0xFF;
        lo = kModbusCrcTableLo[std::size_t(idx)] & 0xFF;
    }
    return static_cast<std::uint16_t>(lo * 256 + hi);
}

} // namespace morvane
