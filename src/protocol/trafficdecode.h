#pragma once
// Reading the line after the fact: the bytes of each exchange cut into the frames the reply
// framer makes of them, each with what it means for the request before it. The decoder runs
// its own framer over its own copy of the link's records, with the request it saw go out as
// LastRequest, so it sees what the receive sees without ever touching it.

#include "protocol/linkstate.h"

#include <cstdint>
#include <vector>

namespace morvane
{

// Bytes that form no frame are cut where the line falls silent for more than 3.5 character
// times: 10 bits a character at 9600 baud.
inline constexpr double kTrafficGapSeconds = 3.5 * 10 / 9600;

enum class TrafficMeaning {
    ReadRequest,       // slave, first and last register
    WriteRequest,      // slave, first and last register
    OtherRequest,      // sent bytes that are neither
    ReadAnswer,        // count registers
    WriteAcknowledged, //
    Exception,         // the request refused with code
    CrcWrong,          // a frame of the slave asked whose check bytes do not match
    OtherSlave,        // a whole frame with a good CRC from another slave, passed over
    NotAnAnswer,       // a good frame of the slave asked that does not answer the request
    NoFrame,           // bytes the framer took into no frame
};

struct TrafficFrame {
    double time = 0; // seconds since midnight when its first byte went or came
    bool sent = false;
    std::vector<std::uint8_t> bytes;
    TrafficMeaning meaning = TrafficMeaning::NoFrame;
    int slave = 0; // the request's slave, or the other slave
    int first = 0; // a request's registers
    int last = 0;
    int count = 0; // registers in a read answer
    int code = 0;  // exception code
};

class TrafficDecoder
{
  public:
    // expectedSlave: the slave the receive takes replies from, as ModbusReceive is given it.
    explicit TrafficDecoder(std::int16_t expectedSlave);

    // A request went out at `time`; what came before it is settled first.
    std::vector<TrafficFrame> Sent(double time, const std::vector<std::uint8_t>& bytes);
    // One byte came in at `time`.
    std::vector<TrafficFrame> Received(double time, std::uint8_t b);
    // Nothing came in until `time`: loose bytes older than the gap are settled.
    std::vector<TrafficFrame> Quiet(double time);
    // The exchange is over: everything pending is settled, a frame begun but never finished
    // among it.
    std::vector<TrafficFrame> Finish();

  private:
    struct TimedByte {
        std::uint8_t value;
        double time;
    };
    using Run = std::vector<TimedByte>;

    void SettleLoose(std::vector<TrafficFrame>& out);
    void SettleQuietStretch(std::vector<TrafficFrame>& out, std::size_t begin, std::size_t end);
    std::size_t OtherSlaveFrameAt(std::size_t from, std::size_t end);
    TrafficFrame FrameOf(const Run& run, std::size_t begin, std::size_t end,
                         TrafficMeaning meaning) const;
    TrafficFrame CompletedFrame(bool crcGood) const;

    std::int16_t m_expectedSlave;
    LinkState m_link; // the framer's record, the CRC tables and LastRequest
    LinkState m_scan; // a second framer that looks for other slaves' frames in loose bytes
    Run m_loose;      // bytes the framer passed over, oldest first
    Run m_frame;      // the frame the framer is assembling
};

} // namespace morvane
