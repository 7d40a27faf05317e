#pragma once
// The two requests the utility sends, read holding registers (3) and write multiple
// registers (16), and their transmission byte by byte with the echo in txtTX.

#include "protocol/link.h"

#include <cstdint>
#include <string>

namespace morvane
{

// The wire address of a 1-based register number: register 1 is address 0, and from register
// 300 on the controller's registers live at 9989 and above. Computed without overflow.
std::int32_t ModbusWireAddress(std::int16_t start);
// The register number a wire address of a request stands for: the inverse of
// ModbusWireAddress over every address it yields.
std::int32_t ModbusRegisterOfWireAddress(std::int32_t address);

// Whether a request fits the frame buffer and the 16-bit address arithmetic: start 1 to
// 23078; for a write, 0 to 196 registers whose RegImage slots all lie within 0 to 400 (for
// ModbusWriteRequest the slots of its slave, for ModbusWriteRequestFromSlot those from
// firstSlot on).
bool ModbusRequestFits(std::int16_t function, std::int16_t slave, std::int16_t start,
                       std::int16_t count);
bool ModbusWriteFitsFromSlot(std::int16_t start, std::int16_t count, std::int32_t firstSlot);

// Each records LastRequest, builds the frame in TxBuf with its CRC and transmits it; with the
// port closed the frame is built but nothing goes out. A request that does not fit is
// neither built nor sent: LastRequest is cleared so that no reply can answer it, the echoes
// are cleared, and the result is false.
bool ModbusReadRequest(Link& link, std::int16_t slave, std::int16_t start, std::int16_t count);
bool ModbusWriteRequest(Link& link, std::int16_t slave, std::int16_t start, std::int16_t count);
// The same write with its values taken from RegImage[firstSlot + k]: RegImage keeps the
// blocks of slaves 1 to 20 only, so a caller that talks to any address from 1 to 247 keeps the
// block in one place of its own, whatever the address on the wire.
bool ModbusWriteRequestFromSlot(Link& link, std::int16_t slave, std::int16_t start,
                                std::int16_t count, std::int32_t firstSlot);

// One value in the byte echoes of txtTX and txtRX: a blank, then the sign column and digits.
std::string ModbusEchoText(int value);

// Sends TxBuf[0..last] one byte at a time, echoing each byte sent as " " plus its
// SignedNumberText. An element outside 0..255 or a byte the port refuses is skipped but
// echoed; nothing is sent or echoed while the port is closed. Both echo boxes are cleared first,
// and the port is flushed once after the last byte so the frame leaves in one piece.
void ModbusTransmit(Link& link, std::int16_t last);

} // namespace morvane
