#include "exchange/trafficrecorder.h"

#include "exchange/trafficwords.h"

#include <cmath>
#include <cstdio>

namespace morvane
{

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
