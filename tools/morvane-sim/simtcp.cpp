#include "simtcp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace morvane::sim
{

namespace
{

constexpr const char* kLoopback = "127.0.0.1";

int BoundPort(int socket)
{
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return -1;
    return ntohs(address.sin_port);
}

// Like the pseudo-terminal's master, the connection never blocks; and each reply, or each
// paced byte of one, leaves at once rather than when Nagle's algorithm lets it.
void PrepareConnection(int socket)
{
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const int flags = fcntl(socket, F_GETFL);
    if (flags != -1)
        fcntl(socket, F_SETFL, flags | O_NONBLOCK);
}

} // namespace

TcpLine::~TcpLine()
{
    Close();
}

std::string TcpLine::Listen(int port)
{
    m_listening = modbus_new_tcp(kLoopback, port);
    if (!m_listening)
        return std::string("cannot create a Modbus TCP context: ") + std::strerror(errno);
    m_listener = modbus_tcp_listen(m_listening, 1);
    if (m_listener == -1)
        return "cannot listen on " + std::string(kLoopback) + ":" + std::to_string(port) + ": " +
               modbus_strerror(errno);
    fcntl(m_listener, F_SETFD, FD_CLOEXEC);
    m_port = BoundPort(m_listener);
    if (m_port <= 0)
        return std::string("cannot tell the port listened on: ") + std::strerror(errno);
    return {};
}

std::string TcpLine::Name() const
{
    return m_scheme + "://" + kLoopback + ":" + std::to_string(m_port);
}

void TcpLine::TakeNotices()
{
    if (m_connection != -1 || m_listener == -1)
        return;
    int listener = m_listener;
    const int accepted = modbus_tcp_accept(m_listening, &listener);
    if (accepted == -1) {
        // libmodbus closes the listening socket when an accept fails.
        m_listener = listener;
        return;
    }
    PrepareConnection(accepted);
    m_connection = accepted;
}

void TcpLine::DropIncoming()
{
    char scratch[512];
    while (m_connection != -1 && recv(m_connection, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
    }
}

bool TcpLine::EndConnection()
{
    if (m_connection != -1)
        close(m_connection);
    m_connection = -1;
    return m_listener != -1;
}

void TcpLine::Close()
{
    EndConnection();
    if (m_listener != -1)
        close(m_listener);
    m_listener = -1;
    // Both sockets are closed above: libmodbus's context holds only their numbers.
    if (m_listening)
        modbus_free(m_listening);
    m_listening = nullptr;
}

} // namespace morvane::sim
