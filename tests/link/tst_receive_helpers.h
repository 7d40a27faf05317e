#pragma once
// Frames for the link tests, written in hex as they appear on the wire.

#include "link/link.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace morvane::testing
{

inline std::vector<std::uint8_t> Bytes(const QByteArray& raw)
{
    return {raw.begin(), raw.end()};
}

inline std::vector<std::uint8_t> Hex(const char* hex)
{
    return Bytes(QByteArray::fromHex(hex));
}

inline QByteArray ToHex(const std::vector<std::uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())).toHex();
}

// Replies to the read request of slave 1, registers 3 to 11.
inline constexpr const char* kReadReply = // design values 2, 1, 0, 100, 500, 20, 1, 3, 0
    "010312000200010000006401f400140001000300008713";
inline constexpr const char* kReadReplyEdges = // FFFF 0100 7FFF 8000 0001 .. 0005
    "010312ffff01007fff800000010002000300040005815b";
inline constexpr const char* kReadReplyOdd19 = // byte count 19, one byte beyond nine registers
    "010313000200010000006401f40014000100030000aaeecc";
inline constexpr const char* kReadReplyEight = // byte count 16: eight registers
    "010310000200010000006401f4001400010003abda";
inline constexpr const char* kReadReplyOtherSlave =
    "020312000200010000006401f40014000100030000b420";
inline constexpr const char* kReadInputReply = // function 4, otherwise the same data
    "010412000200010000006401f4001400010003000032a4";
// Replies to the write request of slave 1, registers 3 to 11.
inline constexpr const char* kWriteReply = "011000020009a1cf";
inline constexpr const char* kWriteReplyOtherAddress = "011000030009f00f";
inline constexpr const char* kWriteReplyOtherCount = "011000020008600f";

inline const std::vector<int> kDesignValues{2, 1, 0, 100, 500, 20, 1, 3, 0};

} // namespace morvane::testing
