#include "simpty.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace morvane::sim
{

namespace
{

std::string SystemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// A serial line at 9600 8N1 handing bytes through untouched: no echo, no line editing,
// no translation of carriage returns, no signals from control characters.
bool MakeRaw(int fd)
{
    termios settings{};
    if (tcgetattr(fd, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

bool AddFlags(int fd, int statusFlags)
{
    int flags = fcntl(fd, F_GETFL);
    return flags != -1 && fcntl(fd, F_SETFL, flags | statusFlags) == 0 &&
           fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

long BaudOfSpeed(speed_t speed)
{
    static constexpr struct {
        speed_t speed;
        long baud;
    } kRates[] = {{B300, 300},      {B600, 600},       {B1200, 1200},     {B2400, 2400},
                  {B4800, 4800},    {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
                  {B57600, 57600},  {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
                  {B921600, 921600}};
    for (const auto& rate : kRates)
        if (rate.speed == speed)
            return rate.baud;
    return 0;
}

std::string LinkTarget(const std::string& linkPath)
{
    char target[PATH_MAX];
    ssize_t length = readlink(linkPath.c_str(), target, sizeof target - 1);
    return length < 0 ? std::string() : std::string(target, static_cast<size_t>(length));
}

} // namespace

PseudoTerminal::~PseudoTerminal()
{
    Close();
}

std::string PseudoTerminal::Open()
{
    if (openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
        return SystemError("cannot create a pseudo-terminal");
    char name[PATH_MAX];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return SystemError("cannot name the pseudo-terminal");
    m_devicePath = name;
    if (!MakeRaw(m_slave))
        return SystemError("cannot make " + m_devicePath + " a raw line");
    // libmodbus waits with select() and then reads what is there; the master never blocks,
    // so a reply nobody reads cannot freeze the controller.
    if (!AddFlags(m_master, O_NONBLOCK) || !AddFlags(m_slave, 0))
        return SystemError("cannot set up " + m_devicePath);
    WatchOpenAndClose();
    return {};
}

// Our own descriptors were opened before the watch began, so every notice is somebody
// else's. Without a watch the line counts as always listened to.
void PseudoTerminal::WatchOpenAndClose()
{
    m_watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watch == -1)
        return;
    if (inotify_add_watch(m_watch, m_devicePath.c_str(), IN_OPEN | IN_CLOSE) == -1) {
        close(m_watch);
        m_watch = -1;
        return;
    }
    m_openersKnown = true;
}

void PseudoTerminal::TakeNotices()
{
    if (m_watch == -1)
        return;
    alignas(inotify_event) char notices[4096];
    ssize_t length;
    while ((length = read(m_watch, notices, sizeof notices)) > 0) {
        for (ssize_t at = 0; at < length;) {
            const auto* notice = reinterpret_cast<const inotify_event*>(notices + at);
            if (notice->mask & IN_Q_OVERFLOW)
                m_openersKnown = false;
            if (notice->mask & IN_OPEN)
                ++m_openers;
            if ((notice->mask & IN_CLOSE) && m_openers > 0 && --m_openers == 0)
                DiscardUnread(); // what the last one left unread is lost with the port
            at += static_cast<ssize_t>(sizeof(inotify_event) + notice->len);
        }
    }
}

bool PseudoTerminal::SomeoneListens()
{
    TakeNotices();
    return !m_openersKnown || m_openers > 0;
}

std::string PseudoTerminal::MakeLink(const std::string& linkPath)
{
    struct stat existing {
    };
    if (lstat(linkPath.c_str(), &existing) == 0) {
        // A link left behind by a controller that was killed is replaced; anything else
        // is somebody's file.
        if (!S_ISLNK(existing.st_mode))
            return linkPath + " exists and is not a symbolic link";
        if (unlink(linkPath.c_str()) != 0)
            return SystemError("cannot replace " + linkPath);
    }
    if (symlink(m_devicePath.c_str(), linkPath.c_str()) != 0)
        return SystemError("cannot link " + linkPath + " to " + m_devicePath);
    m_linkPath = linkPath;
    return {};
}

void PseudoTerminal::Close()
{
    RemoveLink();
    if (m_slave != -1)
        close(m_slave);
    if (m_master != -1)
        close(m_master);
    if (m_watch != -1)
        close(m_watch);
    m_slave = m_master = m_watch = -1;
}

void PseudoTerminal::DiscardUnread()
{
    if (m_slave != -1)
        tcflush(m_slave, TCIFLUSH);
}

void PseudoTerminal::DropIncoming()
{
    if (m_master != -1)
        tcflush(m_master, TCIFLUSH);
}

std::optional<LineSettings> PseudoTerminal::UtilitySettings()
{
    termios settings{};
    if (m_slave == -1 || tcgetattr(m_slave, &settings) != 0)
        return std::nullopt;
    const char parity = (settings.c_cflag & PARENB) == 0   ? 'N'
                        : (settings.c_cflag & PARODD) != 0 ? 'O'
                                                           : 'E';
    return LineSettings{BaudOfSpeed(cfgetospeed(&settings)), parity};
}

void PseudoTerminal::RemoveLink()
{
    // Only our own link: another controller may have taken the path over since.
    if (!m_linkPath.empty() && LinkTarget(m_linkPath) == m_devicePath)
        unlink(m_linkPath.c_str());
    m_linkPath.clear();
}

} // namespace morvane::sim
