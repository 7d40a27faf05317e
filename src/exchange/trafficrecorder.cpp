#include "exchange/trafficrecorder.h"

#include "exchange/trafficwords.h"

#include <cmath>
#include <cstdio>

namespace morvane
{

namespace
{

constexpr std::string_view kModbusTcpScheme = "tcp://";

std::vector<std::uint8_t> MbapHeaderBytes(const MbapHeader& h)
{
    const auto high = [](std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); };
    const auto low = [](std::uint16_t v) { return static_cast<std::uint8_t>(v & 0xFF); };
    return {high(h.transaction),
            low(h.transaction),
            high(h.protocol),
            low(h.protocol),
            high(h.length),
            low(h.length),
            h.unit};
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

TrafficRecorder::TrafficRecorder(SerialPort& port, std::int16_t expectedSlave, Clock clock,
                                 Sink sink)
    : m_port(port), m_decoder(expectedSlave), m_clock(std::move(clock)), m_sink(std::move(sink))
{
}

void TrafficRecorder::CommandEnded(std::string_view words)
{
    Note(words);
}

void TrafficRecorder::Note(std::string_view words)
{
    Settle();
    m_sink({TimeOfDayText(m_clock()), {}, {}, std::string(words)});
}

// The request's own row comes before the header that went with it; a reply's header comes as
// the reply is cut from the stream, before the link takes its bytes.
void TrafficRecorder::Tcp(const TcpEvent& event)
{
    std::string direction;
    std::string bytes;
    switch (event.kind) {
    case TcpEvent::Kind::Connected:
        Settle();
        m_crcTravels = !event.endpoint.starts_with(kModbusTcpScheme);
        break;
    case TcpEvent::Kind::Closed:
        Settle();
        m_crcTravels = true;
        break;
    case TcpEvent::Kind::MbapSent:
        EndOfSending();
        direction = traffic::kSent;
        bytes = HexText(MbapHeaderBytes(event.header));
        break;
    case TcpEvent::Kind::MbapReceived:
    case TcpEvent::Kind::MbapRejected:
        direction = traffic::kReceived;
        bytes = HexText(MbapHeaderBytes(event.header));
        break;
    }
    m_sink({TimeOfDayText(m_clock()), std::move(direction), std::move(bytes), TcpEventText(event)});
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
        TrafficRow row = TrafficRowOf(frame);
        if (!m_crcTravels && frame.meaning != TrafficMeaning::NoFrame && frame.bytes.size() > 2)
            row.bytes = HexText({frame.bytes.begin(), frame.bytes.end() - 2});
        m_sink(std::move(row));
    }
}

} // namespace morvane
