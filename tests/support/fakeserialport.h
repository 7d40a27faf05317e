#pragma once
// A serial port in memory: records what the link sends and configures, and hands the link
// whatever bytes a test queues, one per Input().

#include "protocol/serialport.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace morvane::testing
{

class FakeSerialPort : public SerialPort
{
  public:
    bool PortOpen() const override { return m_open; }
    void SetPortOpen(bool open) override;
    void SetCommPort(std::int16_t port) override { commPort = port; }
    void SetDevicePath(std::string path) override { devicePath = std::move(path); }
    std::string DeviceName() const override;
    void SetSettings(std::string_view s) override { settings = std::string(s); }
    void SetInputMode(int mode) override { inputMode = mode; }
    void SetInputLen(int length) override { inputLen = length; }
    void SetRTSEnable(bool enable) override { rtsEnable = enable; }
    bool Output(std::uint8_t byte) override;
    void Flush() override { flushedAt.push_back(sent.size()); }
    int InBufferCount() override;
    std::optional<std::uint8_t> Input() override;
    PortFault LastFault() const override { return m_fault; }
    std::string LastFaultText() const override { return m_faultText; }

    // Test controls.
    void QueueInput(const std::vector<std::uint8_t>& bytes);
    void FailNextOpen(PortFault fault, std::string text);
    void LoseConnection(); // the device goes away while open

    // What the link did.
    std::vector<std::uint8_t> sent;
    std::vector<std::size_t> flushedAt; // sent.size() at each Flush()
    int opens = 0;
    int closes = 0;
    std::int16_t commPort = 0;
    std::string devicePath;
    std::string settings;
    int inputMode = 0;
    int inputLen = 0;
    bool rtsEnable = false;
    bool refuseOutput = false; // Output() fails while set

  private:
    bool m_open = false;
    std::deque<std::uint8_t> m_input;
    PortFault m_fault = PortFault::None;
    std::string m_faultText;
    PortFault m_failNextOpen = PortFault::None;
    std::string m_failNextOpenText;
};

} // namespace morvane::testing
