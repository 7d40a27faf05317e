#include "rawline.h"

#include <QElapsedTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace morvane::testing
{

bool RawLine::Open(const QString& devicePath)
{
    Close();
    m_fd = ::open(devicePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios settings{};
    if (m_fd == -1 || tcgetattr(m_fd, &settings) != 0) {
        m_error = QStringLiteral("cannot open %1: %2").arg(devicePath, strerror(errno));
        Close();
        return false;
    }
    cfmakeraw(&settings);
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    settings.c_cflag |= CLOCAL | CREAD;
    tcsetattr(m_fd, TCSANOW, &settings);
    return true;
}

void RawLine::Close()
{
    if (m_fd != -1)
        ::close(m_fd);
    m_fd = -1;
}

bool RawLine::Write(const QByteArray& bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        ssize_t sent = ::write(m_fd, bytes.constData() + written, bytes.size() - written);
        if (sent > 0) {
            written += sent;
            continue;
        }
        pollfd line = {m_fd, POLLOUT, 0};
        if ((sent < 0 && errno != EAGAIN && errno != EINTR) || poll(&line, 1, 1000) <= 0) {
            m_error = QStringLiteral("write failed: %1").arg(strerror(errno));
            return false;
        }
    }
    return true;
}

Received RawLine::Receive(int count, int timeoutMs)
{
    Received received;
    QElapsedTimer clock;
    clock.start();
    while (received.bytes.size() < count && !received.hungUp) {
        qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            break;
        pollfd line = {m_fd, POLLIN, 0};
        if (poll(&line, 1, static_cast<int>(left)) <= 0)
            continue;
        char chunk[512];
        ssize_t got = ::read(m_fd, chunk, sizeof chunk);
        if (got > 0) {
            received.bytes.append(chunk, got);
            received.chunkTimesMs.append(clock.elapsed());
            received.chunkSizes.append(static_cast<int>(got));
            continue;
        }
        bool onlyNotYet = got < 0 && (errno == EAGAIN || errno == EINTR);
        if (!onlyNotYet || (line.revents & (POLLHUP | POLLERR)) != 0)
            received.hungUp = true;
    }
    return received;
}

} // namespace morvane::testing
