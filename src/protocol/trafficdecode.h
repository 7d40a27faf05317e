#pragma once
// Reading the line after the fact: the bytes of each exchange cut into frames, each with what
// it means for the request before it. The decoder runs its own framer over its own copy of the
// link's records, with the request it saw go out as LastRequest, so it finds the answer or
// refusal exactly where the receive takes it without ever touching the receive. Everything
// else waits until the line has settled, and then whole frames come first wherever they lie
// (another slave's reply, the echo of the request, a reply the receive passed over): only the
// bytes between them are called rejected.

#include "protocol/linkstate.h"

#include <cstddef>
#include <cstdint>
#include <optional>
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
    Echo,              // the request's own bytes coming back, as an adapter that echoes sends them
    NotTaken,          // an answer or refusal (count, code) that the receive did not take
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
    // Another slave's replies from the next exchange on.
    void SetExpectedSlave(std::int16_t slave) { m_expectedSlave = slave; }

    // A request went out at `time`; what came before it is settled first.
    std::vector<TrafficFrame> Sent(double time, const std::vector<std::uint8_t>& bytes);
    // One byte came in at `time`. The answer or refusal the receive takes comes out at once,
    // after what came before it; other bytes wait until the line settles or the exchange ends.
    std::vector<TrafficFrame> Received(double time, std::uint8_t b);
    // Nothing came in until `time`: once the line has been silent for longer than the gap and
    // no frame is under way, what is pending is settled.
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
    enum class ScanEnd { Whole, Broken, Unfinished };
    struct Scan {
        ScanEnd end;
        std::size_t length; // of a whole frame
    };

    void Settle(std::vector<TrafficFrame>& out, std::size_t end);
    void SettleRejected(std::vector<TrafficFrame>& out, std::size_t begin, std::size_t end);
    void SettleLoose(std::vector<TrafficFrame>& out, std::size_t begin, std::size_t end) const;
    std::optional<TrafficFrame> WholeFrameAt(std::size_t from, std::size_t end);
    Scan ScanFrame(std::size_t from, std::size_t end);
    bool EchoAt(std::size_t from, std::size_t end, bool partly) const;
    bool FrameUnderWay();
    bool SomeFrameBegun();
    TrafficFrame FrameOf(std::size_t begin, std::size_t end, TrafficMeaning meaning) const;

    std::int16_t m_expectedSlave;
    LinkState m_link; // the receive's framer: its record, the CRC tables and LastRequest
    LinkState m_scan; // a second framer that looks for frames among the pending bytes
    std::vector<std::uint8_t> m_request; // the last request, to know its echo
    bool m_taken = false;                // the receive has taken its answer or refusal
    Run m_pending;                       // received and not yet settled, oldest first
    // What FrameUnderWay found, until a byte comes or the pending bytes are settled.
    std::optional<bool> m_underWay;
};

} // namespace morvane
