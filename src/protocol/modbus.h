#pragma once
// Facts of Modbus RTU that the requests, the framer and the decoder share: function codes,
// exceptions, and how a 16-bit value travels as two bytes.

#include <cstdint>
#include <string_view>

namespace morvane::modbus
{

// Function codes. The utility sends only 3 and 16; the framer knows the length of the replies
// to the others so that it can step over a frame that is not meant for it.
inline constexpr int kReadCoils = 1;
inline constexpr int kReadDiscreteInputs = 2;
inline constexpr int kReadHoldingRegisters = 3;
inline constexpr int kReadInputRegisters = 4;
inline constexpr int kWriteSingleCoil = 5;
inline constexpr int kWriteSingleRegister = 6;
inline constexpr int kWriteMultipleCoils = 15;
inline constexpr int kWriteMultipleRegisters = 16;

// Replies whose third byte counts the data bytes that follow.
constexpr bool HasByteCount(int function)
{
    return function >= kReadCoils && function <= kReadInputRegisters;
}

// Replies that echo an address and a quantity or value: always 8 bytes.
constexpr bool HasFixedLength(int function)
{
    return function == kWriteSingleCoil || function == kWriteSingleRegister ||
           function == kWriteMultipleCoils || function == kWriteMultipleRegisters;
}
inline constexpr int kFixedReplyLength = 8;

// A slave refuses a request by answering with its function code plus this flag and one
// exception code: address, function, code and two CRC bytes.
inline constexpr int kExceptionFlag = 0x80;
inline constexpr int kExceptionReplyLength = 5;

// Exception codes with a standard name.
inline constexpr int kIllegalFunction = 1;
inline constexpr int kIllegalDataAddress = 2;
inline constexpr int kIllegalDataValue = 3;
inline constexpr int kSlaveDeviceFailure = 4;

// The standard name of an exception code ("illegal data address"); empty for other codes.
std::string_view ExceptionName(int code);

// Two-byte fields go on the wire high byte first. The high byte is the quotient by 256,
// truncated; the low byte of a header field (wire address, register count) is its low 8 bits.
constexpr std::int16_t HighByte(std::int32_t value)
{
    return static_cast<std::int16_t>(value / 256);
}
constexpr std::int16_t LowByte(std::int32_t value)
{
    return static_cast<std::int16_t>(value & 0xFF);
}
// The low byte of a register value is the remainder, which keeps the value's sign: a value
// below zero yields no byte at all and is left out of the frame, instead of going out as some
// other number. For 0 to 65535 it equals LowByte.
constexpr std::int16_t ValueLowByte(std::int32_t value)
{
    return static_cast<std::int16_t>(value % 256);
}
constexpr std::int32_t Word(std::int32_t high, std::int32_t low)
{
    return high * 256 + low;
}

} // namespace morvane::modbus
