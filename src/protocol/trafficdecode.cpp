#include "protocol/trafficdecode.h"

#include "protocol/crc16.h"
#include "protocol/modbus.h"
#include "protocol/replydecode.h"
#include "protocol/requests.h"
#include "protocol/rtuframer.h"

namespace morvane
{

namespace
{

constexpr double kSecondsPerDay = 86400;

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

} // namespace

TrafficDecoder::TrafficDecoder(std::int16_t expectedSlave) : m_expectedSlave(expectedSlave)
{
    ModbusCrcInit(m_link);
    ModbusCrcInit(m_scan);
}

std::vector<TrafficFrame> TrafficDecoder::Sent(double time, const std::vector<std::uint8_t>& bytes)
{
    std::vector<TrafficFrame> out = Finish();
    out.push_back(RequestFrame(time, bytes, m_link.LastRequest));
    m_scan.LastRequest = m_link.LastRequest;
    return out;
}

std::vector<TrafficFrame> TrafficDecoder::Received(double time, std::uint8_t b)
{
    std::vector<TrafficFrame> out;
    const FrameStep step = ModbusReceiveByte(m_link, m_expectedSlave, b);
    m_frame.push_back({b, time});
    switch (step) {
    case FrameStep::Accepted:
        break;
    case FrameStep::Dropped:
        // A frame given up at its function byte never was one.
        m_loose.insert(m_loose.end(), m_frame.begin(), m_frame.end());
        m_frame.clear();
        break;
    case FrameStep::Valid:
    case FrameStep::Invalid:
        SettleLoose(out);
        out.push_back(CompletedFrame(step == FrameStep::Valid));
        m_frame.clear();
        break;
    }
    return out;
}

std::vector<TrafficFrame> TrafficDecoder::Quiet(double time)
{
    std::vector<TrafficFrame> out;
    if (m_frame.empty() && !m_loose.empty() && GapBetween(m_loose.back().time, time))
        SettleLoose(out);
    return out;
}

std::vector<TrafficFrame> TrafficDecoder::Finish()
{
    std::vector<TrafficFrame> out;
    m_loose.insert(m_loose.end(), m_frame.begin(), m_frame.end());
    m_frame.clear();
    SettleLoose(out);
    ModbusResetReceiver(m_link);
    return out;
}

// Loose bytes make one row per stretch between silences, except where a whole frame of
// another slave lies among them.
void TrafficDecoder::SettleLoose(std::vector<TrafficFrame>& out)
{
    std::size_t begin = 0;
    for (std::size_t i = 1; i <= m_loose.size(); ++i) {
        if (i == m_loose.size() || GapBetween(m_loose[i - 1].time, m_loose[i].time)) {
            SettleQuietStretch(out, begin, i);
            begin = i;
        }
    }
    m_loose.clear();
}

void TrafficDecoder::SettleQuietStretch(std::vector<TrafficFrame>& out, std::size_t begin,
                                        std::size_t end)
{
    std::size_t plain = begin;
    for (std::size_t i = begin; i < end;) {
        const std::size_t length = OtherSlaveFrameAt(i, end);
        if (length == 0) {
            ++i;
            continue;
        }
        if (plain < i)
            out.push_back(FrameOf(m_loose, plain, i, TrafficMeaning::NoFrame));
        out.push_back(FrameOf(m_loose, i, i + length, TrafficMeaning::OtherSlave));
        i += length;
        plain = i;
    }
    if (plain < end)
        out.push_back(FrameOf(m_loose, plain, end, TrafficMeaning::NoFrame));
}

// The framer again, this time taking the byte at `from` as the slave it listens for.
std::size_t TrafficDecoder::OtherSlaveFrameAt(std::size_t from, std::size_t end)
{
    const std::uint8_t slave = m_loose[from].value;
    if (slave == m_expectedSlave)
        return 0;
    ModbusResetReceiver(m_scan);
    for (std::size_t i = from; i < end; ++i) {
        const FrameStep step = ModbusReceiveByte(m_scan, slave, m_loose[i].value);
        if (step == FrameStep::Valid)
            return i - from + 1;
        if (step != FrameStep::Accepted)
            return 0;
    }
    return 0;
}

TrafficFrame TrafficDecoder::FrameOf(const Run& run, std::size_t begin, std::size_t end,
                                     TrafficMeaning meaning) const
{
    TrafficFrame frame{run[begin].time, false, {}, meaning};
    for (std::size_t i = begin; i < end; ++i)
        frame.bytes.push_back(run[i].value);
    frame.slave = frame.bytes.front();
    return frame;
}

// The frame just completed is in m_link.RxBuf, as the receive would hold it.
TrafficFrame TrafficDecoder::CompletedFrame(bool crcGood) const
{
    TrafficFrame frame = FrameOf(m_frame, 0, m_frame.size(), TrafficMeaning::CrcWrong);
    if (!crcGood)
        return frame;
    switch (ModbusClassifyReply(m_link)) {
    case ReplyKind::Answer:
        if (m_link.LastRequest.function == modbus::kReadHoldingRegisters) {
            frame.meaning = TrafficMeaning::ReadAnswer;
            frame.count = m_link.RxBuf[2] / 2;
        } else {
            frame.meaning = TrafficMeaning::WriteAcknowledged;
        }
        break;
    case ReplyKind::Refusal:
        frame.meaning = TrafficMeaning::Exception;
        frame.code = m_link.RxBuf[2];
        break;
    case ReplyKind::Unrelated:
        frame.meaning = TrafficMeaning::NotAnAnswer;
        break;
    }
    return frame;
}

} // namespace morvane
