#pragma once
// The link's working memory: the frame buffers, the register image and the records that tie
// a reply to the request it answers. One instance lives as long as the main window; it starts
// zeroed but for the CRC tables, which it starts with filled, and nothing clears it between
// frames.

#include "protocol/crctables.h"

#include <array>
#include <cstdint>

namespace morvane
{

// Every frame buffer and the register image have indices 0 to 400.
inline constexpr int kLinkBufferSize = 401;

// Where a register lives in RegImage: 20 slots per slave address, so register n of slave s is
// in slot (s - 1) * 20 + n, and for slave 1 the slot is the register number. The requests,
// the decoder (through ImageBase) and the commands all place registers by this one rule.
constexpr int RegisterSlot(int slave, int reg)
{
    return (slave - 1) * 20 + reg;
}

// What the last request asked for; a reply is checked against it.
struct LastRequestRecord {
    std::int16_t slave = 0;
    std::int16_t function = 0; // 3 or 16
    std::int16_t start = 0;    // 1-based register number, as the caller gave it
    std::int16_t count = 0;
};

// The receiver's progress through the reply being assembled.
struct ReceiverRecord {
    std::int16_t count = 0; // bytes of the current frame accepted so far; 0 = hunting
    std::int16_t function = 0;
    std::int16_t expectedLength = 0; // CRC included, known from the third byte on
    float startTime = 0;             // seconds since midnight at which the receive began
};

struct LinkState {
    // Register values 0 to 65535, placed by RegisterSlot.
    std::array<std::int32_t, kLinkBufferSize> RegImage{};
    // One frame byte (0 to 255) per element, frame byte k at index k.
    std::array<std::int16_t, kLinkBufferSize> TxBuf{};
    std::array<std::int16_t, kLinkBufferSize> RxBuf{};
    LastRequestRecord LastRequest;
    // Slot that receives the first register of a read reply; the reader sets it with
    // RegisterSlot.
    std::int16_t ImageBase = 0;
    // Check bytes of the last CRC computation; CrcHi goes on the wire first.
    std::int16_t CrcHi = 0;
    std::int16_t CrcLo = 0;
    CrcTable CrcTableHi = kModbusCrcTableHi;
    CrcTable CrcTableLo = kModbusCrcTableLo;
    ReceiverRecord RxState;
};

} // namespace morvane
