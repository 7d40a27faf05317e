#pragma once
// Frames for the link tests, written in hex as they appear on the wire.

#include "fakelinkhost.h"
#include "fakeserialport.h"
#include "protocol/crc16.h"
#include "protocol/link.h"
#include "protocol/replywait.h"
#include "protocol/requests.h"

#include <QByteArray>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
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

// A link on a fake port and a fake window whose clock moves only when events are pumped:
// by the wait asked for (the idle sleep) or by byteStep for a dispatch without waiting.
// Each idle pump delivers the next queued chunk, as a line delivers a burst.
struct ReceiveHarness {
    static constexpr int kUntouched = 4242;

    ReceiveHarness()
    {
        ModbusCrcInit(link.state);
        link.state.RegImage.fill(kUntouched);
        link.state.ImageBase = 3;
        port.SetPortOpen(true);
        host.pumpStepSeconds = 0;
        host.onPump = [this](int maxWaitMs) { OnPump(maxWaitMs); };
    }

    void OnPump(int maxWaitMs)
    {
        waits.push_back(maxWaitMs);
        host.now += maxWaitMs > 0 ? maxWaitMs / 1000.0 : byteStep;
        if (host.now >= 86400)
            host.now -= 86400;
        if (maxWaitMs > 0 && !chunks.empty()) {
            port.QueueInput(chunks.front());
            chunks.pop_front();
        }
        if (extraOnPump)
            extraOnPump(maxWaitMs);
    }

    void Read() { ModbusReadRequest(link, 1, 3, 9); }
    void Write() { ModbusWriteRequest(link, 1, 3, 9); }
    void Queue(const char* hex) { chunks.push_back(Hex(hex)); }

    ReceiveResult Receive()
    {
        startedAt = host.now;
        std::int16_t flag = 0;
        return ModbusReceive(link, 1, flag);
    }

    // Seconds from the start of the receive to now, across midnight.
    double Elapsed() const
    {
        const double d = host.now - startedAt;
        return d < 0 ? d + 86400 : d;
    }

    bool ImageUntouched() const
    {
        for (std::int32_t v : link.state.RegImage)
            if (v != kUntouched)
                return false;
        return true;
    }

    std::vector<int> Registers(int first, int count) const
    {
        return {link.state.RegImage.begin() + first, link.state.RegImage.begin() + first + count};
    }

    FakeSerialPort port;
    FakeLinkHost host;
    Link link{port, host};
    std::deque<std::vector<std::uint8_t>> chunks;
    std::vector<int> waits; // maxWaitMs of every pump, in order
    double byteStep = 0.0001;
    double startedAt = 0;
    std::function<void(int)> extraOnPump;
};

} // namespace morvane::testing
