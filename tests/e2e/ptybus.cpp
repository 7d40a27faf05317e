#include "ptybus.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace morvane::testing
{

namespace
{

bool MakeRaw(int fd)
{
    termios settings{};
    if (tcgetattr(fd, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

void WriteAll(int fd, const char* bytes, ssize_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, std::size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        bytes += written;
        size -= written;
    }
}

} // namespace

PtyBus::PtyBus(const QStringList& unitDevices)
{
    char name[256];
    if (::pipe(m_stop) != 0 || ::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0 ||
        !MakeRaw(m_slave)) {
        m_error = QString("cannot make the bus: %1").arg(std::strerror(errno));
        return;
    }
    for (const QString& device : unitDevices) {
        const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        if (fd < 0 || !MakeRaw(fd)) {
            m_error = QString("cannot open %1: %2").arg(device, std::strerror(errno));
            return;
        }
        m_units.push_back(fd);
    }
    m_path = QString::fromLocal8Bit(name);
    m_thread = std::thread([this] { Run(); });
}

PtyBus::~PtyBus()
{
    if (m_thread.joinable()) {
        WriteAll(m_stop[1], "x", 1);
        m_thread.join();
    }
    for (int fd : m_units)
        ::close(fd);
    for (int fd : {m_master, m_slave, m_stop[0], m_stop[1]})
        if (fd != -1)
            ::close(fd);
}

void PtyBus::Run()
{
    std::vector<pollfd> watched{{m_stop[0], POLLIN, 0}, {m_master, POLLIN, 0}};
    for (int unit : m_units)
        watched.push_back({unit, POLLIN, 0});
    for (;;) {
        if (::poll(watched.data(), watched.size(), -1) < 0 && errno != EINTR)
            return;
        if (watched[0].revents != 0)
            return;
        if (watched[1].revents & POLLIN)
            Forward(m_master, m_units, true);
        for (std::size_t i = 2; i < watched.size(); ++i)
            if (watched[i].revents & POLLIN)
                Forward(watched[i].fd, {m_master}, false);
    }
}

// The utility's speed is what it set on its end; each unit's end is set to the same before
// the bytes reach it.
void PtyBus::Forward(int from, const std::vector<int>& to, bool followSpeed)
{
    char bytes[512];
    const ssize_t size = ::read(from, bytes, sizeof bytes);
    if (size <= 0)
        return;
    termios utility{};
    if (followSpeed && tcgetattr(m_slave, &utility) == 0) {
        for (int unit : to) {
            termios settings{};
            if (tcgetattr(unit, &settings) == 0 &&
                cfgetospeed(&settings) != cfgetospeed(&utility)) {
                cfsetispeed(&settings, cfgetospeed(&utility));
                cfsetospeed(&settings, cfgetospeed(&utility));
                tcsetattr(unit, TCSANOW, &settings);
            }
        }
    }
    for (int fd : to)
        WriteAll(fd, bytes, size);
}

} // namespace morvane::testing
