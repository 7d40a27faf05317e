// Feeds an arbitrary TCP stream to the Modbus TCP reply reader, expecting a transaction and a
// unit. Nothing may crash or grow without bound; the reader must find frame ends exactly where
// an independent walk over the headers finds them, stay unframeable once a header's length is
// impossible, and hand on only replies to the request, as RTU frames with a good CRC.
// The same bytes, read as an RTU frame, must become a request only with a good CRC.
//
// Input: transaction (two bytes), unit, then the stream.

#include "fuzzcheck.h"
#include "protocol/mbap.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

using namespace morvane;

// Bit by bit, so the check does not lean on the code under test.
bool CrcChecks(const std::vector<std::uint8_t>& frame)
{
    unsigned reg = 0xFFFF;
    for (std::size_t i = 0; i + 2 < frame.size(); ++i) {
        reg ^= frame[i];
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 1) ? (reg >> 1) ^ 0xA001 : reg >> 1;
    }
    return frame[frame.size() - 2] == (reg & 0xFF) && frame[frame.size() - 1] == (reg >> 8);
}

// Where each frame ends (its last byte), and where the stream becomes unframeable.
struct Walk {
    std::vector<std::size_t> frameEnds;
    std::size_t unframeableAt = SIZE_MAX;
};

Walk WalkHeaders(const std::uint8_t* stream, std::size_t size)
{
    Walk walk;
    for (std::size_t at = 0; at + kMbapHeaderSize <= size;) {
        const unsigned length = stream[at + 4] << 8 | stream[at + 5];
        if (length < kMbapShortestLength || length > kMbapLongestLength) {
            walk.unframeableAt = at + kMbapHeaderSize - 1;
            break;
        }
        at += kMbapHeaderSize - 1 + length;
        if (at <= size)
            walk.frameEnds.push_back(at - 1);
    }
    return walk;
}

void CheckReply(const MbapReplyReader& reader, std::uint16_t transaction, std::uint8_t unit,
                const std::uint8_t* frameEnd)
{
    const MbapHeader& h = reader.Header();
    const std::vector<std::uint8_t>& rtu = reader.RtuFrame();
    FUZZ_CHECK(h.transaction == transaction && h.protocol == 0 && h.unit == unit);
    FUZZ_CHECK(rtu.size() == h.length + 2u && rtu[0] == unit && CrcChecks(rtu));
    // The PDU is the frame's own, byte for byte.
    const auto pduLength = static_cast<std::ptrdiff_t>(rtu.size() - 3);
    for (std::ptrdiff_t i = 1; i <= pduLength; ++i)
        FUZZ_CHECK(rtu[std::size_t(i)] == frameEnd[i - pduLength]);
}

void CheckRequest(const std::uint8_t* data, std::size_t size, std::uint16_t transaction)
{
    const std::vector<std::uint8_t> frame(data, data + size);
    const auto request = MbapRequestOfRtuFrame(frame, transaction);
    if (!request)
        return;
    FUZZ_CHECK(size >= 4 && CrcChecks(frame));
    FUZZ_CHECK(request->size() == size + kMbapHeaderSize - 3);
    FUZZ_CHECK((*request)[0] == transaction >> 8 && (*request)[1] == (transaction & 0xFF));
    FUZZ_CHECK(std::size_t((*request)[4] << 8 | (*request)[5]) == size - 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const auto transaction = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
    const std::uint8_t unit = data[2];
    const std::uint8_t* stream = data + 3;
    const std::size_t length = size - 3;
    const Walk walk = WalkHeaders(stream, length);

    MbapReplyReader reader;
    reader.Expect(transaction, unit);
    std::size_t nextEnd = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const MbapStep step = reader.Feed(stream[i]);
        if (i >= walk.unframeableAt) {
            FUZZ_CHECK(step == MbapStep::Unframeable);
            continue;
        }
        const bool frameEnds = nextEnd < walk.frameEnds.size() && walk.frameEnds[nextEnd] == i;
        FUZZ_CHECK(frameEnds == (step != MbapStep::Pending));
        nextEnd += frameEnds;
        if (step == MbapStep::Reply)
            CheckReply(reader, transaction, unit, stream + i);
        if (step == MbapStep::Rejected)
            FUZZ_CHECK(reader.Rejection() != MbapRejection::None &&
                       reader.Rejection() != MbapRejection::LengthOutOfRange);
    }
    CheckRequest(stream, length, transaction);
    return 0;
}
