#include "protocol/trafficdecode.h"

#include "protocol/modbus.h"
#include "protocol/replydecode.h"
#include "protocol/requests.h"
#include "protocol/rtuframer.h"

#include <algorithm>

namespace morvane
{

namespace
{

constexpr double kSecondsPerDay = 86400;
// The longest reply the framer knows: address, function, a byte count of 255, the data, CRC.
constexpr std::size_t kLongestFrame = 255 + 5;

// Across midnight the later time of day is the smaller one.
bool GapBetween(double earlier, double later)
{
    double seconds = later - earlier;
    if (seconds < 0)
        seconds += kSecondsPerDay;
    return seconds > kTrafficGapSeconds;
}

// Function, wire address and register count of a request, as the requests build them.
TrafficFrame RequestFrame(double time, const std::vector<std::uint8_t>& bytes,
                          LastRequestRecord& request)
{
    TrafficFrame frame{time, true, bytes, TrafficMeaning::OtherRequest};
    request = {};
    if (bytes.size() < 8)
        return frame;
    const int function = bytes[1];
    if (function != modbus::kReadHoldingRegisters && function != modbus::kWriteMultipleRegisters)
        return frame;
    frame.meaning = function == modbus::kReadHoldingRegisters ? TrafficMeaning::ReadRequest
                                                              : TrafficMeaning::WriteRequest;
    frame.slave = bytes[0];
    frame.first = ModbusRegisterOfWireAddress(modbus::Word(bytes[2], bytes[3]));
    frame.count = modbus::Word(bytes[4], bytes[5]);
    frame.last = frame.first + frame.count - 1;
    request = {std::int16_t(frame.slave), std::int16_t(function), std::int16_t(frame.first),
               std::int16_t(frame.count)};
    return frame;
}

// What a whole frame of the slave asked, now in `framed`'s RxBuf, means for the request.
void DescribeReply(TrafficFrame& frame, const LinkState& framed, ReplyKind kind, bool taken)
{
    switch (kind) {
    case ReplyKind::Answer:
        if (framed.LastRequest.function == modbus::kReadHoldingRegisters) {
            frame.meaning = TrafficMeaning::ReadAnswer;
            frame.count = framed.RxBuf[2] / 2;
        } else {
            frame.meaning = TrafficMeaning::WriteAcknowledged;
        }
        break;
    case ReplyKind::Refusal:
        frame.meaning = TrafficMeaning::Exception;
        frame.code = framed.RxBuf[2];
        break;
    case ReplyKind::Unrelated:
        frame.meaning = TrafficMeaning::NotAnAnswer;
        return;
    }
    if (!taken)
        frame.meaning = TrafficMeaning::NotTaken;
}

} // namespace

TrafficDecoder::TrafficDecoder(std::int16_t expectedSlave) : m_expectedSlave(expectedSlave) {}

std::vector<TrafficFrame> TrafficDecoder::Sent(double time, const std::vector<std::uint8_t>& bytes)
{
    std::vector<TrafficFrame> out = Finish();
    out.push_back(RequestFrame(time, bytes, m_link.LastRequest));
    m_request = bytes;
    m_taken = false;
    return out;
}

std::vector<TrafficFrame> TrafficDecoder::Received(double time, std::uint8_t b)
{
    std::vector<TrafficFrame> out;
    m_pending.push_back({b, time});
    m_underWay.reset();
    if (ModbusReceiveByte(m_link, m_expectedSlave, b) != FrameStep::Valid || m_taken)
        return out;
    const ReplyKind kind = ModbusClassifyReply(m_link);
    if (kind == ReplyKind::Unrelated)
        return out;
    // The receive takes this frame and no later one; the frame is the last bytes received.
    m_taken = true;
    const std::size_t length =
        std::min(m_pending.size(), std::size_t(m_link.RxState.expectedLength));
    Settle(out, m_pending.size() - length);
    TrafficFrame frame = FrameOf(0, m_pending.size(), TrafficMeaning::NotAnAnswer);
    DescribeReply(frame, m_link, kind, true);
    out.push_back(std::move(frame));
    m_pending.clear();
    return out;
}

std::vector<TrafficFrame> TrafficDecoder::Quiet(double time)
{
    std::vector<TrafficFrame> out;
    if (!m_pending.empty() && GapBetween(m_pending.back().time, time) && !FrameUnderWay())
        Settle(out, m_pending.size());
    return out;
}

std::vector<TrafficFrame> TrafficDecoder::Finish()
{
    std::vector<TrafficFrame> out;
    Settle(out, m_pending.size());
    ModbusResetReceiver(m_link);
    return out;
}

// Whole frames first, wherever they begin; the bytes between them are what the line rejected.
void TrafficDecoder::Settle(std::vector<TrafficFrame>& out, std::size_t end)
{
    std::size_t rest = 0;
    for (std::size_t i = 0; i < end;) {
        std::optional<TrafficFrame> whole = WholeFrameAt(i, end);
        if (!whole) {
            ++i;
            continue;
        }
        SettleRejected(out, rest, i);
        i += whole->bytes.size();
        rest = i;
        out.push_back(std::move(*whole));
    }
    SettleRejected(out, rest, end);
    m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(end));
    m_underWay.reset();
}

// The framer over bytes that hold no whole frame: frames of the slave asked that fail their
// CRC, and the bytes that made no frame at all.
void TrafficDecoder::SettleRejected(std::vector<TrafficFrame>& out, std::size_t begin,
                                    std::size_t end)
{
    ModbusResetReceiver(m_scan);
    m_scan.LastRequest = m_link.LastRequest;
    std::size_t loose = begin;
    std::size_t frameBegin = begin;
    for (std::size_t i = begin; i < end; ++i) {
        const FrameStep step = ModbusReceiveByte(m_scan, m_expectedSlave, m_pending[i].value);
        if (step == FrameStep::Accepted && m_scan.RxState.count == 1)
            frameBegin = i;
        // Valid cannot come: the search for whole frames took every one that begins here.
        if (step != FrameStep::Invalid)
            continue;
        SettleLoose(out, loose, frameBegin);
        out.push_back(FrameOf(frameBegin, i + 1, TrafficMeaning::CrcWrong));
        loose = i + 1;
    }
    SettleLoose(out, loose, end);
}

// One row per stretch between silences.
void TrafficDecoder::SettleLoose(std::vector<TrafficFrame>& out, std::size_t begin,
                                 std::size_t end) const
{
    for (std::size_t i = begin + 1; i <= end; ++i) {
        if (i == end || GapBetween(m_pending[i - 1].time, m_pending[i].time)) {
            out.push_back(FrameOf(begin, i, TrafficMeaning::NoFrame));
            begin = i;
        }
    }
}

std::optional<TrafficFrame> TrafficDecoder::WholeFrameAt(std::size_t from, std::size_t end)
{
    if (EchoAt(from, end, false))
        return FrameOf(from, from + m_request.size(), TrafficMeaning::Echo);
    const Scan scan = ScanFrame(from, end);
    if (scan.end != ScanEnd::Whole)
        return std::nullopt;
    TrafficFrame frame = FrameOf(from, from + scan.length, TrafficMeaning::OtherSlave);
    // The receive's own framer found none of these where the receive would have taken it.
    if (frame.slave == m_expectedSlave)
        DescribeReply(frame, m_scan, ModbusClassifyReply(m_scan), false);
    return frame;
}

// The framer once more, listening for whatever slave the byte at `from` names. A refusal of
// any function whose replies the framer knows counts as a whole frame here: another slave may
// be refusing some other master's request, or the slave asked a request before this one.
TrafficDecoder::Scan TrafficDecoder::ScanFrame(std::size_t from, std::size_t end)
{
    m_scan.LastRequest = m_link.LastRequest;
    const int refused = from + 1 < end ? m_pending[from + 1].value - modbus::kExceptionFlag : 0;
    if (modbus::HasByteCount(refused) || modbus::HasFixedLength(refused))
        m_scan.LastRequest.function = std::int16_t(refused);
    ModbusResetReceiver(m_scan);
    const std::uint8_t slave = m_pending[from].value;
    Scan scan{ScanEnd::Unfinished, 0};
    for (std::size_t i = from; i < std::min(end, from + kLongestFrame); ++i) {
        const FrameStep step = ModbusReceiveByte(m_scan, slave, m_pending[i].value);
        if (step == FrameStep::Accepted)
            continue;
        scan = {step == FrameStep::Valid ? ScanEnd::Whole : ScanEnd::Broken, i - from + 1};
        break;
    }
    m_scan.LastRequest = m_link.LastRequest; // for the reply's meaning
    return scan;
}

// The request's bytes from `from` on: all of them, or when `partly`, as many as have come.
bool TrafficDecoder::EchoAt(std::size_t from, std::size_t end, bool partly) const
{
    const std::size_t length = m_request.size();
    if (length == 0 || (!partly && end - from < length) || (partly && end - from >= length))
        return false;
    for (std::size_t k = 0; k < length && from + k < end; ++k)
        if (m_pending[from + k].value != m_request[k])
            return false;
    return true;
}

// Whether the pending bytes may still grow into a frame: the receive is inside one, or some
// slave's frame or the echo has begun (at least an address and a function whose reply length
// the framer knows) and not ended. A reply cut by a silence is then still seen whole.
bool TrafficDecoder::FrameUnderWay()
{
    if (m_link.RxState.count > 0)
        return true;
    if (!m_underWay)
        m_underWay = SomeFrameBegun();
    return *m_underWay;
}

bool TrafficDecoder::SomeFrameBegun()
{
    const std::size_t end = m_pending.size();
    for (std::size_t from = end > kLongestFrame ? end - kLongestFrame : 0; from + 1 < end; ++from)
        if (EchoAt(from, end, true) || ScanFrame(from, end).end == ScanEnd::Unfinished)
            return true;
    return false;
}

TrafficFrame TrafficDecoder::FrameOf(std::size_t begin, std::size_t end,
                                     TrafficMeaning meaning) const
{
    TrafficFrame frame{m_pending[begin].time, false, {}, meaning};
    for (std::size_t i = begin; i < end; ++i)
        frame.bytes.push_back(m_pending[i].value);
    frame.slave = frame.bytes.front();
    return frame;
}

} // namespace morvane
