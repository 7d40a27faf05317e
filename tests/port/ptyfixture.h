#pragma once
// The far end of a pseudo-terminal and the small waits the serial-port tests share.

#include "port/qtserialport.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <string>

namespace morvane::testing
{

inline const QByteArray kAwkwardBytes = QByteArray::fromHex("0103000a0d031113ff7f00");

// The far end of a pseudo-terminal, played by the test.
class PseudoTerminal
{
  public:
    PseudoTerminal()
    {
        termios raw{};
        cfmakeraw(&raw);
        char name[128] = {};
        int slave = -1;
        if (::openpty(&m_master, &slave, name, &raw, nullptr) == 0) {
            ::close(slave);
            m_path = name;
        }
    }
    ~PseudoTerminal() { HangUp(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool valid() const { return m_master >= 0; }
    std::string path() const { return m_path; }

    bool Write(const QByteArray& bytes) const
    {
        return ::write(m_master, bytes.constData(), bytes.size()) == bytes.size();
    }

    // Whatever arrives within the time, without running Qt's event loop.
    QByteArray Read(qsizetype wanted, int timeoutMs) const
    {
        QByteArray got;
        QDeadlineTimer deadline(timeoutMs);
        while (got.size() < wanted && !deadline.hasExpired()) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
                break;
            char buf[256];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, n);
        }
        return got;
    }

    termios LineSettings() const
    {
        termios tio{};
        ::tcgetattr(m_master, &tio);
        return tio;
    }

    void HangUp()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

  private:
    int m_master = -1;
    std::string m_path;
};

// Runs the event loop until the condition holds or the time is up; true if it held.
template <typename Condition> bool PumpUntil(Condition condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QTimer wake; // keeps WaitForMoreEvents from sleeping past the deadline
    wake.start(50);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return condition();
}

inline void OpenOn(QtSerialPort& port, const std::string& device, const std::string& settings,
                   bool rts = true)
{
    port.SetDevicePath(device);
    port.SetSettings(settings);
    port.SetRTSEnable(rts);
    port.SetPortOpen(true);
}

} // namespace morvane::testing
