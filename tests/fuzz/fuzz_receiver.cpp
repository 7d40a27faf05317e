// Feeds arbitrary bytes, in arbitrary chunks and with arbitrary clock steps, to the receive
// that follows a read or a write request. Nothing may crash, read out of bounds or hang,
// and RegImage may change only when a frame that answers the request went over the line.
// The traffic decoder, given the request and the bytes the receive took, must put each byte
// in one row and find an answer or a refusal exactly where the receive found one, also when
// every byte comes after a silence.
//
// Input: flags (bit 0: write, bit 1: start just before midnight), start time, register
// count, then chunks of [length][clock step in 0.1 s, or 0xFF: the device goes][bytes].

#include "fakelinkhost.h"
#include "fakeserialport.h"
#include "fuzzcheck.h"
#include "protocol/crc16.h"
#include "protocol/replywait.h"
#include "protocol/requests.h"
#include "protocol/trafficdecode.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <sstream>
#include <vector>

namespace
{

using namespace morvane;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kDeviceGoes = 0xFF;

struct Chunk {
    std::uint8_t step;
    Bytes bytes;
};

struct Script {
    bool write = false;
    double start = 0;
    std::int16_t count = 9;
    std::deque<Chunk> chunks;
};

Script ReadScript(const std::uint8_t* data, std::size_t size)
{
    Script script;
    if (size < 3)
        return script;
    script.write = data[0] & 1;
    script.start = (data[0] & 2) ? 86400 - data[1] / 10.0 : data[1] * 300.0;
    script.count = static_cast<std::int16_t>(1 + data[2] % 125);
    for (std::size_t at = 3; at + 2 <= size;) {
        const std::size_t length = std::min<std::size_t>(data[at], size - at - 2);
        script.chunks.push_back({data[at + 1], Bytes(data + at + 2, data + at + 2 + length)});
        at += 2 + length;
    }
    return script;
}

// An independent CRC, bit by bit, so the check does not lean on the code under test.
bool CrcChecks(const std::uint8_t* frame, std::size_t length)
{
    unsigned reg = 0xFFFF;
    for (std::size_t i = 0; i + 2 < length; ++i) {
        reg ^= frame[i];
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 1) ? (reg >> 1) ^ 0xA001 : reg >> 1;
    }
    return frame[length - 2] == (reg & 0xFF) && frame[length - 1] == (reg >> 8);
}

// Whether the line carried a valid read reply from slave 1 for `count` registers whose
// values are the ones now in RegImage from slot 3 on.
bool LineCarriedAnswer(const Bytes& line, int count, const LinkState& state)
{
    for (std::size_t p = 0; p + 5 <= line.size(); ++p) {
        const std::size_t length = line[p + 2] + 5u;
        if (line[p] != 1 || line[p + 1] != 3 || line[p + 2] / 2 != count ||
            p + length > line.size() || !CrcChecks(&line[p], length))
            continue;
        bool same = true;
        for (int k = 0; k < count && same; ++k)
            same = state.RegImage[3 + k] == line[p + 3 + 2 * k] * 256 + line[p + 4 + 2 * k];
        if (same)
            return true;
    }
    return false;
}

void CheckImage(const Script& script, const LinkState& before, const LinkState& after,
                const ReceiveResult& result, const Bytes& line)
{
    if (before.RegImage == after.RegImage)
        return;
    FUZZ_CHECK(result.outcome == ReceiveOutcome::Answered && !script.write);
    for (int slot = 0; slot < kLinkBufferSize; ++slot)
        FUZZ_CHECK(before.RegImage[slot] == after.RegImage[slot] ||
                   (slot >= 3 && slot < 3 + script.count));
    FUZZ_CHECK(LineCarriedAnswer(line, script.count, after));
}

void CheckOutcome(const Script& script, const ReceiveResult& result,
                  const testing::FakeLinkHost& host, const testing::FakeSerialPort& port,
                  double start, const Bytes& line, const LinkState& after)
{
    switch (result.outcome) {
    case ReceiveOutcome::Answered:
        // An answer came over the line; a read's answer is what RegImage now holds.
        FUZZ_CHECK(!line.empty() && !host.rxEcho.empty());
        FUZZ_CHECK(script.write || LineCarriedAnswer(line, script.count, after));
        break;
    case ReceiveOutcome::Refused:
        FUZZ_CHECK(!line.empty());
        FUZZ_CHECK(result.exceptionCode >= 0 && result.exceptionCode <= 255);
        break;
    case ReceiveOutcome::TimedOut: {
        double waited = host.now - start;
        if (waited < 0)
            waited += 86400;
        FUZZ_CHECK(waited > kReceiveTimeLimit - 0.01);
        break;
    }
    case ReceiveOutcome::ConnectionLost:
        // The port was open when the wait began, so the caller learns which device went.
        FUZZ_CHECK(!port.PortOpen() && !host.WatchdogActive());
        FUZZ_CHECK(result.device == port.DeviceName());
        break;
    }
}

// The bytes the receive took, read back from their echo.
Bytes TakenBytes(const std::string& echo)
{
    Bytes taken;
    std::istringstream numbers(echo);
    for (int value = 0; numbers >> value;)
        taken.push_back(static_cast<std::uint8_t>(value));
    return taken;
}

// With `pausing`, each byte comes a second after the one before, and the decoder is told of
// the silence before it: it may settle whatever it holds at any point.
void CheckTraffic(const Script& script, const ReceiveResult& result, const Bytes& sent,
                  const Bytes& taken, bool pausing)
{
    TrafficDecoder decoder(1);
    std::vector<TrafficFrame> rows = decoder.Sent(0, sent);
    const auto take = [&rows](std::vector<TrafficFrame> frames) {
        for (TrafficFrame& row : frames)
            rows.push_back(std::move(row));
    };
    double time = 0;
    for (std::uint8_t b : taken) {
        if (pausing)
            take(decoder.Quiet(time += 1));
        take(decoder.Received(time, b));
    }
    take(decoder.Finish());

    FUZZ_CHECK(!rows.empty() && rows[0].sent && rows[0].first == 3 &&
               rows[0].last == 2 + script.count);
    Bytes received;
    const TrafficFrame* decision = nullptr;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        FUZZ_CHECK(!rows[i].sent && !rows[i].bytes.empty());
        received.insert(received.end(), rows[i].bytes.begin(), rows[i].bytes.end());
        const TrafficMeaning m = rows[i].meaning;
        if (!decision && (m == TrafficMeaning::ReadAnswer ||
                          m == TrafficMeaning::WriteAcknowledged || m == TrafficMeaning::Exception))
            decision = &rows[i];
    }
    FUZZ_CHECK(received == taken);
    switch (result.outcome) {
    case ReceiveOutcome::Answered:
        FUZZ_CHECK(decision &&
                   decision->meaning == (script.write ? TrafficMeaning::WriteAcknowledged
                                                      : TrafficMeaning::ReadAnswer));
        break;
    case ReceiveOutcome::Refused:
        FUZZ_CHECK(decision && decision->meaning == TrafficMeaning::Exception &&
                   decision->code == result.exceptionCode);
        break;
    default:
        FUZZ_CHECK(!decision);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Script script = ReadScript(data, size);
    testing::FakeSerialPort port;
    testing::FakeLinkHost host;
    Link link(port, host);
    ModbusCrcInit(link.state);
    for (int slot = 0; slot < kLinkBufferSize; ++slot)
        link.state.RegImage[slot] = (slot * 37) & 0xFFFF;
    link.state.ImageBase = 3;
    port.SetPortOpen(true);
    host.now = script.start >= 86400 ? 0 : script.start;
    host.pumpStepSeconds = 0;

    Bytes line; // everything delivered to the port, in order
    host.onPump = [&](int maxWaitMs) {
        // Once the script is spent, each idle pump is a second of silence.
        double step = maxWaitMs == 0 ? 0.0001 : script.chunks.empty() ? 1.0 : 0;
        if (maxWaitMs > 0 && !script.chunks.empty()) {
            const Chunk chunk = std::move(script.chunks.front());
            script.chunks.pop_front();
            if (chunk.step == kDeviceGoes)
                port.LoseConnection();
            else
                step = chunk.step / 10.0;
            port.QueueInput(chunk.bytes);
            line.insert(line.end(), chunk.bytes.begin(), chunk.bytes.end());
        }
        host.now += step;
        if (host.now >= 86400)
            host.now -= 86400;
    };

    script.write ? ModbusWriteRequest(link, 1, 3, script.count)
                 : ModbusReadRequest(link, 1, 3, script.count);
    const LinkState before = link.state;
    const double start = host.now;
    std::int16_t flag = 0;
    const ReceiveResult result = ModbusReceive(link, 1, flag);
    CheckOutcome(script, result, host, port, start, line, link.state);
    CheckImage(script, before, link.state, result, line);
    for (bool pausing : {false, true})
        CheckTraffic(script, result, port.sent, TakenBytes(host.rxEcho), pausing);
    return 0;
}
