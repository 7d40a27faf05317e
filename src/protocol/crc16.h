#pragma once
// CRC-16 of Modbus RTU (reflected polynomial 0xA001, preset 0xFFFF, no final XOR), computed
// byte-wise with the two published lookup tables.

#include "protocol/linkstate.h"

#include <cstdint>
#include <span>

namespace morvane
{

// Fills CrcTableHi (low byte of each entry) and CrcTableLo (high byte) again from the tables
// built at compile time. A new LinkState has them already.
void ModbusCrcInit(LinkState& state);

// Runs over the first count bytes of TxBuf (useTx nonzero) or RxBuf (useTx zero) and leaves
// the check bytes in CrcHi (sent first) and CrcLo. Only the low 8 bits of each element count;
// a count of zero or less covers nothing, one above the buffer covers the whole buffer.
// Returns CrcHi * 256 + CrcLo.
std::int32_t ModbusCrc16(LinkState& state, std::int16_t count, std::int16_t useTx);

// The same check over any bytes, without a link: its low byte goes on the wire first.
std::uint16_t ModbusCrcOfBytes(std::span<const std::uint8_t> bytes);

} // namespace morvane
