#pragma once
// Modbus TCP framing beside the link: a request frame the link built for the serial line
// travels with the MBAP header instead of its CRC, and a reply is cut out of the TCP stream,
// checked against the request and handed back to the link as the serial line would carry it,
// so that the RTU framer, the decoder and the wait work unchanged. No sockets and no clock,
// so every path can be tested and fuzzed on its own.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace morvane
{

// Transaction identifier, protocol identifier and length, two bytes each high byte first,
// then the unit identifier. The length counts the unit identifier and the PDU.
inline constexpr std::size_t kMbapHeaderSize = 7;
// A PDU has at most 253 bytes, so no Modbus TCP frame is longer than 260 bytes.
inline constexpr std::uint16_t kMbapLongestLength = 254;
inline constexpr std::uint16_t kMbapShortestLength = 2; // unit identifier and function code
inline constexpr std::size_t kMbapLongestFrame = kMbapHeaderSize - 1 + kMbapLongestLength;

struct MbapHeader {
    std::uint16_t transaction = 0;
    std::uint16_t protocol = 0;
    std::uint16_t length = 0;
    std::uint8_t unit = 0;
    bool operator==(const MbapHeader&) const = default;
};

MbapHeader ReadMbapHeader(std::span<const std::uint8_t, kMbapHeaderSize> bytes);

// The Modbus TCP request for an RTU frame (address, PDU, CRC): the CRC dropped and the header
// put in front, with the address as the unit identifier. Nothing for bytes that are not one
// whole frame with a good CRC: no slave on a serial line would take them either.
std::optional<std::vector<std::uint8_t>> MbapRequestOfRtuFrame(std::span<const std::uint8_t> frame,
                                                               std::uint16_t transaction);

// Why a reply that arrived whole did not count. An impossible length ends the stream: past it
// no frame boundary can be trusted.
enum class MbapRejection {
    None,
    WrongTransaction,
    WrongProtocol,
    WrongUnit,
    LengthMismatch,   // the header's length is not the PDU's own
    LengthOutOfRange, // below 2 or above 254: the stream cannot be followed
};

std::string_view MbapRejectionName(MbapRejection rejection);

enum class MbapStep {
    Pending,     // the byte belongs to a frame not yet complete
    Reply,       // the byte completed a reply to the request: RtuFrame() holds it
    Rejected,    // the byte completed a frame that does not answer the request
    Unframeable, // the header just completed has an impossible length; every byte after it too
};

// Cuts a TCP stream into Modbus TCP frames, one byte at a time, holding at most one frame.
class MbapReplyReader
{
  public:
    // The request now waiting for its reply. A frame already begun is still read to its end,
    // so the stream stays in step.
    void Expect(std::uint16_t transaction, std::uint8_t unit);
    // A new stream: nothing read yet.
    void Restart();
    MbapStep Feed(std::uint8_t b);

    // The header of the frame that the last step other than Pending concerned.
    const MbapHeader& Header() const { return m_header; }
    MbapRejection Rejection() const { return m_rejection; }
    // After Reply: unit identifier, PDU and a freshly computed CRC.
    const std::vector<std::uint8_t>& RtuFrame() const { return m_rtu; }

  private:
    MbapStep HeaderComplete();
    MbapStep FrameComplete();

    std::uint16_t m_transaction = 0;
    std::uint8_t m_unit = 0;
    std::vector<std::uint8_t> m_frame; // the frame being read, header included
    MbapHeader m_header;
    MbapRejection m_rejection = MbapRejection::None;
    std::vector<std::uint8_t> m_rtu;
    bool m_unframeable = false;
};

} // namespace morvane
