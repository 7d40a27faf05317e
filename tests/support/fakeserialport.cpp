#include "fakeserialport.h"

namespace morvane::testing
{

void FakeSerialPort::SetPortOpen(bool open)
{
    if (!open) {
        if (m_open)
            ++closes;
        m_open = false;
        return;
    }
    if (m_failNextOpen != PortFault::None) {
        m_fault = m_failNextOpen;
        m_faultText = m_failNextOpenText;
        m_failNextOpen = PortFault::None;
        return;
    }
    m_open = true;
    m_fault = PortFault::None;
    m_faultText.clear();
    ++opens;
}

std::string FakeSerialPort::DeviceName() const
{
    return devicePath.empty() ? "/dev/fake" + std::to_string(commPort) : devicePath;
}

bool FakeSerialPort::Output(std::uint8_t byte)
{
    if (!m_open || refuseOutput)
        return false;
    sent.push_back(byte);
    return true;
}

int FakeSerialPort::InBufferCount()
{
    return m_open ? static_cast<int>(m_input.size()) : 0;
}

std::optional<std::uint8_t> FakeSerialPort::Input()
{
    if (!m_open || m_input.empty())
        return std::nullopt;
    const std::uint8_t b = m_input.front();
    m_input.pop_front();
    return b;
}

void FakeSerialPort::QueueInput(const std::vector<std::uint8_t>& bytes)
{
    m_input.insert(m_input.end(), bytes.begin(), bytes.end());
}

void FakeSerialPort::FailNextOpen(PortFault fault, std::string text)
{
    m_failNextOpen = fault;
    m_failNextOpenText = std::move(text);
}

void FakeSerialPort::LoseConnection()
{
    m_open = false;
    m_input.clear();
    m_fault = PortFault::ConnectionLost;
    m_faultText = "Input/output error";
}

} // namespace morvane::testing
