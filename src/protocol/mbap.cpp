#include "protocol/mbap.h"

#include "protocol/crc16.h"
#include "protocol/modbus.h"

namespace morvane
{

namespace
{

constexpr std::size_t kRtuAddressAndCrc = 3;
constexpr std::size_t kUnitIndex = kMbapHeaderSize - 1;

std::uint16_t Word(const std::uint8_t* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

void AppendWord(std::vector<std::uint8_t>& bytes, std::uint16_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

// The length a PDU gives itself; nothing for functions whose replies the link never takes,
// which the RTU framer drops in any case.
std::optional<std::size_t> OwnPduLength(std::span<const std::uint8_t> pdu)
{
    const int function = pdu[0];
    if (function & modbus::kExceptionFlag)
        return modbus::kExceptionReplyLength - kRtuAddressAndCrc;
    if (modbus::HasFixedLength(function))
        return modbus::kFixedReplyLength - kRtuAddressAndCrc;
    if (modbus::HasByteCount(function))
        return pdu.size() < 2 ? 2 : 2 + std::size_t{pdu[1]};
    return std::nullopt;
}

} // namespace

MbapHeader ReadMbapHeader(std::span<const std::uint8_t, kMbapHeaderSize> bytes)
{
    return {Word(&bytes[0]), Word(&bytes[2]), Word(&bytes[4]), bytes[kUnitIndex]};
}

std::optional<std::vector<std::uint8_t>> MbapRequestOfRtuFrame(std::span<const std::uint8_t> frame,
                                                               std::uint16_t transaction)
{
    if (frame.size() < kRtuAddressAndCrc + 1 || frame.size() - 2 > kMbapLongestLength)
        return std::nullopt;
    const std::size_t crcAt = frame.size() - 2;
    const std::uint16_t crc = ModbusCrcOfBytes(frame.first(crcAt));
    if (frame[crcAt] != (crc & 0xFF) || frame[crcAt + 1] != (crc >> 8))
        return std::nullopt;
    std::vector<std::uint8_t> request;
    request.reserve(kMbapHeaderSize - 1 + crcAt);
    AppendWord(request, transaction);
    AppendWord(request, 0);
    AppendWord(request, static_cast<std::uint16_t>(crcAt));
    request.insert(request.end(), frame.begin(),
                   frame.begin() + static_cast<std::ptrdiff_t>(crcAt));
    return request;
}

std::string_view MbapRejectionName(MbapRejection rejection)
{
    switch (rejection) {
    case MbapRejection::None:
        break;
    case MbapRejection::WrongTransaction:
        return "wrong transaction";
    case MbapRejection::WrongProtocol:
        return "wrong protocol";
    case MbapRejection::WrongUnit:
        return "wrong unit";
    case MbapRejection::LengthMismatch:
        return "length";
    case MbapRejection::LengthOutOfRange:
        return "length out of range";
    }
    return {};
}

void MbapReplyReader::Expect(std::uint16_t transaction, std::uint8_t unit)
{
    m_transaction = transaction;
    m_unit = unit;
}

void MbapReplyReader::Restart()
{
    m_frame.clear();
    m_header = {};
    m_rejection = MbapRejection::None;
    m_rtu.clear();
    m_unframeable = false;
}

MbapStep MbapReplyReader::Feed(std::uint8_t b)
{
    if (m_unframeable)
        return MbapStep::Unframeable;
    m_frame.push_back(b);
    if (m_frame.size() == kMbapHeaderSize)
        return HeaderComplete();
    if (m_frame.size() > kMbapHeaderSize && m_frame.size() == kUnitIndex + m_header.length)
        return FrameComplete();
    return MbapStep::Pending;
}

MbapStep MbapReplyReader::HeaderComplete()
{
    m_header = ReadMbapHeader(std::span<const std::uint8_t, kMbapHeaderSize>(m_frame));
    if (m_header.length < kMbapShortestLength || m_header.length > kMbapLongestLength) {
        m_rejection = MbapRejection::LengthOutOfRange;
        m_unframeable = true;
        m_frame.clear();
        return MbapStep::Unframeable;
    }
    return MbapStep::Pending;
}

MbapStep MbapReplyReader::FrameComplete()
{
    const std::span<const std::uint8_t> pdu = std::span(m_frame).subspan(kMbapHeaderSize);
    const std::optional<std::size_t> ownLength = OwnPduLength(pdu);
    if (m_header.protocol != 0)
        m_rejection = MbapRejection::WrongProtocol;
    else if (m_header.transaction != m_transaction)
        m_rejection = MbapRejection::WrongTransaction;
    else if (m_header.unit != m_unit)
        m_rejection = MbapRejection::WrongUnit;
    else if (ownLength && *ownLength != pdu.size())
        m_rejection = MbapRejection::LengthMismatch;
    else
        m_rejection = MbapRejection::None;
    if (m_rejection == MbapRejection::None) {
        m_rtu.assign(m_frame.begin() + kUnitIndex, m_frame.end());
        const std::uint16_t crc = ModbusCrcOfBytes(m_rtu);
        m_rtu.push_back(static_cast<std::uint8_t>(crc & 0xFF));
        m_rtu.push_back(static_cast<std::uint8_t>(crc >> 8));
    }
    m_frame.clear();
    return m_rejection == MbapRejection::None ? MbapStep::Reply : MbapStep::Rejected;
}

} // namespace morvane
