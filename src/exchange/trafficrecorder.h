#pragma once
// Recording what goes over the line, for the line traffic window and the command line's
// --trace: a serial port that passes every call through unchanged and notes the bytes on their
// way, and the rows the technician reads, made from them by the traffic decoder and the
// traffic's words.

#include "port/networkport.h"
#include "protocol/serialport.h"
#include "protocol/trafficdecode.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane
{

struct TrafficRow {
    std::string time;      // "14:03:07.215"
    std::string direction; // "sent", "received"; empty for a command's end
    std::string bytes;     // "01 03 00 02 00 09 24 0C"
    std::string meaning;   // "read request, registers 3 to 11 of slave 1", "Read OK"
};

// "HH:MM:SS.mmm" of seconds since midnight, the milliseconds cut, not rounded.
std::string TimeOfDayText(double secondsSinceMidnight);
// Two upper-case hex digits a byte, one blank between bytes.
std::string HexText(const std::vector<std::uint8_t>& bytes);
TrafficRow TrafficRowOf(const TrafficFrame& frame);
// One line of the copied or saved text: the four columns separated by tabs.
std::string TrafficLineText(const TrafficRow& row);

class TrafficRecorder final : public SerialPort
{
  public:
    using Clock = std::function<double()>; // seconds since midnight
    using Sink = std::function<void(TrafficRow)>;
    using FrameSink = std::function<void(const TrafficFrame&)>;

    // Rows go to `sink` as the decoder settles them; `expectedSlave` as the receive is given.
    TrafficRecorder(SerialPort& port, std::int16_t expectedSlave, Clock clock, Sink sink);

    // A command ended with these words: what it left unsettled comes first.
    void CommandEnded(std::string_view words);
    // A row of words between the frames, as a request about to be sent again.
    void Note(std::string_view words);
    // What happened on a network connection, a row each: its connects and closes and the MBAP
    // headers that travel instead of the frames' CRC, whose rows then show them without it.
    void Tcp(const TcpEvent& event);
    // The slave whose replies the next exchanges take; between exchanges only.
    void SetExpectedSlave(std::int16_t slave) { m_decoder.SetExpectedSlave(slave); }
    // Settles what is pending now, as at the end of a command.
    void Settle();
    // Each frame goes to `frames` too, before its row goes to the sink.
    void WatchFrames(FrameSink frames) { m_frames = std::move(frames); }

    bool PortOpen() const override { return m_port.PortOpen(); }
    void SetPortOpen(bool open) override;
    void SetCommPort(std::int16_t port) override { m_port.SetCommPort(port); }
    void SetDevicePath(std::string path) override { m_port.SetDevicePath(std::move(path)); }
    std::string DeviceName() const override { return m_port.DeviceName(); }
    void SetSettings(std::string_view settings) override { m_port.SetSettings(settings); }
    void SetInputMode(int mode) override { m_port.SetInputMode(mode); }
    void SetInputLen(int length) override { m_port.SetInputLen(length); }
    void SetRTSEnable(bool enable) override { m_port.SetRTSEnable(enable); }
    bool Output(std::uint8_t byte) override;
    void Flush() override;
    int InBufferCount() override;
    std::optional<std::uint8_t> Input() override;
    PortFault LastFault() const override { return m_port.LastFault(); }
    std::string LastFaultText() const override { return m_port.LastFaultText(); }

  private:
    void EndOfSending();
    void Emit(const std::vector<TrafficFrame>& frames);

    SerialPort& m_port;
    TrafficDecoder m_decoder;
    Clock m_clock;
    Sink m_sink;
    FrameSink m_frames;
    std::vector<std::uint8_t> m_sending; // handed to the port, not yet flushed
    double m_sendingSince = 0;
    // Over Modbus TCP the header stands in for the CRC: the link's frames carry one that the
    // transport takes off before sending and puts on what it receives, and a row shows the
    // bytes that travelled.
    bool m_crcTravels = true;
};

} // namespace morvane
