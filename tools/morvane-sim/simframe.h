// Reply frames as they go on the line, and the ways the virtual controller spoils them.
// Kept apart from I/O so each fault is a plain transformation of bytes.
#pragma once

#include "simoptions.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace morvane::sim
{

using Frame = std::vector<uint8_t>;

// How a frame travels: as on the serial line (address first, CRC last, also over
// --rtu-tcp), or with the seven bytes of the Modbus TCP header and no CRC.
enum class Framing { Rtu, Mbap };
inline constexpr size_t MbapHeaderSize = 7;

// CRC-16/MODBUS; on the line the low-order byte comes first.
uint16_t RtuCrc(const uint8_t* data, size_t size);
void AppendCrc(Frame& frame);

Frame ExceptionFrame(uint8_t slave, uint8_t function, uint8_t code);
// The refusal of a Modbus TCP request (header and PDU), for its transaction and unit.
Frame MbapExceptionFrame(const uint8_t* request, uint8_t code);

// A Modbus TCP request as the serial line would carry it: unit identifier, PDU and CRC, so
// that what is said and stored of a request does not depend on the transport.
Frame RtuFrameOfMbap(const uint8_t* request, size_t size);

// Applies the address, CRC and noise faults of the options to a well-formed reply. Over
// Modbus TCP the address is the unit identifier and the spoiled CRC is the transaction
// identifier.
Frame ShapeReply(Frame reply, const SimOptions& options, Framing framing = Framing::Rtu);

// Cuts a transmission into at most `pieces` parts of nearly equal size, none empty.
std::vector<Frame> SplitIntoPieces(const Frame& bytes, int pieces);

// The line printed for a received request (a whole RTU frame, CRC included),
// e.g. "request fn=3 addr=2 count=9".
std::string DescribeRequest(const uint8_t* frame, size_t size);

// The wire addresses a write request (function 6, 16 or 23) stores to; count 0 for any
// other request.
struct WrittenSpan {
    int first = 0;
    int count = 0;
};
WrittenSpan WrittenRegisters(const uint8_t* frame, size_t size);

// Line time at `baud`, 8N1: whole characters of ten bits, and the silence that must come
// before a frame.
std::chrono::nanoseconds CharacterTimes(long baud, size_t characters);
std::chrono::nanoseconds FrameSilence(long baud);

std::string HexText(const Frame& bytes);

} // namespace morvane::sim
