#include "window/trafficlog.h"

#include "common/numbertext.h"
#include "controller/configblock.h"
#include "window/reports.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace morvane
{

namespace
{

std::string Counted(int count, std::string_view one, std::string_view many)
{
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// One kind of frame that came back, and what a technician checks for it. Noise is counted in
// bytes, the others in frames.
std::string CameBackLine(const TrafficFrame& frame, int count)
{
    const std::string replies = Counted(count, "reply", "replies");
    switch (frame.meaning) {
    case TrafficMeaning::CrcWrong:
        return replies + " with a wrong CRC: check the baud rate and the wiring";
    case TrafficMeaning::OtherSlave:
        return replies + " from slave " + std::to_string(frame.slave) +
               ": check the address, which must be " + std::to_string(ConfigSlaveAddress);
    case TrafficMeaning::NotAnAnswer:
        return replies + (count == 1 ? " that does" : " that do") +
               " not answer the request: check that slave " + std::to_string(ConfigSlaveAddress) +
               " is a Morvane and no other master uses the line";
    case TrafficMeaning::NoFrame:
        return Counted(count, "byte", "bytes") +
               " forming no frame (noise): check the wiring, the baud rate and the parity";
    default:
        return Counted(count, "frame", "frames") + ": " + TrafficMeaningText(frame);
    }
}

} // namespace

std::string TimeOfDayText(double seconds)
{
    constexpr long long kMsPerDay = 86400000;
    long long ms = std::isfinite(seconds) ? static_cast<long long>(std::floor(seconds * 1000)) : 0;
    ms = (ms % kMsPerDay + kMsPerDay) % kMsPerDay;
    char text[16];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000);
    return text;
}

std::string HexText(const std::vector<std::uint8_t>& bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

TrafficRow TrafficRowOf(const TrafficFrame& frame)
{
    return {TimeOfDayText(frame.time),
            std::string(frame.sent ? traffic::kSent : traffic::kReceived), HexText(frame.bytes),
            TrafficMeaningText(frame)};
}

std::string TrafficLineText(const TrafficRow& row)
{
    return row.time + '\t' + row.direction + '\t' + row.bytes + '\t' + row.meaning;
}

std::string WhatCameBackText(const std::vector<TrafficFrame>& received)
{
    struct Kind {
        const TrafficFrame* first;
        int count;
    };
    std::vector<Kind> kinds;
    for (const TrafficFrame& frame : received) {
        if (frame.sent)
            continue;
        const int amount = frame.meaning == TrafficMeaning::NoFrame ? int(frame.bytes.size()) : 1;
        const std::string kind = CameBackLine(frame, 1);
        const auto same = std::find_if(kinds.begin(), kinds.end(), [&](const Kind& k) {
            return CameBackLine(*k.first, 1) == kind;
        });
        if (same == kinds.end())
            kinds.push_back({&frame, amount});
        else
            same->count += amount;
    }
    if (kinds.empty())
        return {};
    std::string text = "No valid answer from Morvane within " + PlainNumberText(kReceiveTimeLimit) +
                       " s, but bytes came back:";
    for (const Kind& kind : kinds)
        text += "\r\n" + CameBackLine(*kind.first, kind.count) + ".";
    return text;
}

TrafficRecorder::TrafficRecorder(SerialPort& port, std::int16_t expectedSlave, Clock clock,
                                 Sink sink)
    : m_port(port), m_decoder(expectedSlave), m_clock(std::move(clock)), m_sink(std::move(sink))
{
}

void TrafficRecorder::CommandEnded(std::string_view words)
{
    Settle();
    m_sink({TimeOfDayText(m_clock()), {}, {}, std::string(words)});
}

void TrafficRecorder::Settle()
{
    EndOfSending();
    Emit(m_decoder.Finish());
}

void TrafficRecorder::SetPortOpen(bool open)
{
    EndOfSending();
    m_port.SetPortOpen(open);
}

bool TrafficRecorder::Output(std::uint8_t byte)
{
    const bool handed = m_port.Output(byte);
    if (handed) {
        if (m_sending.empty())
            m_sendingSince = m_clock();
        m_sending.push_back(byte);
    }
    return handed;
}

void TrafficRecorder::Flush()
{
    m_port.Flush();
    EndOfSending();
}

int TrafficRecorder::InBufferCount()
{
    EndOfSending();
    const int count = m_port.InBufferCount();
    if (count <= 0)
        Emit(m_decoder.Quiet(m_clock()));
    return count;
}

std::optional<std::uint8_t> TrafficRecorder::Input()
{
    EndOfSending();
    const std::optional<std::uint8_t> byte = m_port.Input();
    if (byte)
        Emit(m_decoder.Received(m_clock(), *byte));
    return byte;
}

// A frame is complete at its flush; a port that closed before the flush sent what it took.
void TrafficRecorder::EndOfSending()
{
    if (m_sending.empty())
        return;
    Emit(m_decoder.Sent(m_sendingSince, m_sending));
    m_sending.clear();
}

void TrafficRecorder::Emit(const std::vector<TrafficFrame>& frames)
{
    for (const TrafficFrame& frame : frames) {
        if (m_frames)
            m_frames(frame);
        m_sink(TrafficRowOf(frame));
    }
}

} // namespace morvane
