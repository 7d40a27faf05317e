// A TCP listener on 127.0.0.1 standing in for the serial line: one master at a time, as each
// command of the utility connects, exchanges and disconnects. The listening socket is
// libmodbus's own; the connection carries Modbus TCP or the serial line's frames as they are.
#pragma once

#include "simline.h"

#include <modbus.h>
#include <string>

namespace morvane::sim
{

class TcpLine : public SimLine
{
  public:
    // scheme: "tcp" or "rtu+tcp", for the name the utility opens.
    explicit TcpLine(std::string scheme) : m_scheme(std::move(scheme)) {}
    TcpLine(const TcpLine&) = delete;
    TcpLine& operator=(const TcpLine&) = delete;
    ~TcpLine() override;

    // Listens on 127.0.0.1 at port (0: a free one the system picks). Empty text on success.
    std::string Listen(int port);

    std::string Name() const override;
    int DataFd() const override { return m_connection; }
    // A waiting master is taken only when the one before has gone.
    int NoticeFd() const override { return m_connection == -1 ? m_listener : -1; }
    void TakeNotices() override;
    bool SomeoneListens() override { return m_connection != -1; }
    // What the master has not read lies in its own buffers, out of reach.
    void DiscardUnread() override {}
    void DropIncoming() override;
    bool EndConnection() override;
    void Close() override;

  private:
    std::string m_scheme;
    modbus_t* m_listening = nullptr;
    int m_listener = -1;
    int m_connection = -1;
    int m_port = 0;
};

} // namespace morvane::sim
