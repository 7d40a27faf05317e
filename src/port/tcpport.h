#pragma once
// A TCP connection standing in for the serial port: to a Modbus TCP gateway, where each frame
// the link builds travels with the MBAP header instead of its CRC and each reply comes back
// to the link as the serial line would carry it; or to a serial device server in raw mode,
// where the bytes pass unchanged. Connected when the port opens and closed when it closes, as
// a command opens and closes the serial port. It never listens.

#include "port/networkport.h"
#include "port/portresolve.h"
#include "protocol/mbap.h"

#include <QByteArray>
#include <QObject>
#include <QTcpSocket>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QEventLoop;

namespace morvane
{

// The kind of fault a failed connect is, in the terms of an open that failed.
PortFault ConnectFaultOf(QAbstractSocket::SocketError error);

class TcpPort : public QObject, public NetworkPort
{
    Q_OBJECT
  public:
    explicit TcpPort(QObject* parent = nullptr);
    ~TcpPort() override;

    void SetConnectTimeLimit(std::chrono::milliseconds limit) override { m_connectLimit = limit; }
    void SetEventSink(TcpEventSink sink) override { m_events = std::move(sink); }
    void SetWatchers(std::function<void()> bytesArrived,
                     std::function<void()> connectionLost) override;

    // Stays true after the far end has closed until the bytes it sent before are taken.
    bool PortOpen() const override { return m_open; }
    // Opening connects, waiting in the event loop for at most the connect time limit.
    void SetPortOpen(bool open) override;
    // The device path is the endpoint's URL ("tcp://10.0.0.7:502"); the number means nothing.
    void SetCommPort(std::int16_t) override {}
    void SetDevicePath(std::string path) override;
    std::string DeviceName() const override { return m_url; }
    // The line settings, RTS and the input mode belong to the serial side of a gateway, which
    // is set up on the gateway itself.
    void SetSettings(std::string_view) override {}
    void SetInputMode(int) override {}
    void SetInputLen(int) override {}
    void SetRTSEnable(bool) override {}
    // Collected until Flush(), which sends the frame in one write.
    bool Output(std::uint8_t byte) override;
    void Flush() override;
    int InBufferCount() override;
    std::optional<std::uint8_t> Input() override;
    PortFault LastFault() const override { return m_fault; }
    std::string LastFaultText() const override { return m_faultText; }

  signals:
    void bytesArrived();
    // The connection ended under an open port, and what came before is taken: it is closed.
    void connectionLost();

  private:
    void Open();
    bool Connect();
    void Close();
    void TakeArrived();
    bool FeedMbap(std::uint8_t b);
    void OnSocketEnded();
    void EndStream(std::string reason, bool byPeer);
    void FinishIfDrained();
    void RecordFault(PortFault fault, std::string text);
    void Tell(TcpEvent event);
    bool Mbap() const { return m_endpoint && m_endpoint->framing == NetworkFraming::ModbusTcp; }

    QTcpSocket m_socket;
    std::string m_url;
    std::optional<NetworkEndpoint> m_endpoint;
    std::string m_endpointProblem;
    std::chrono::milliseconds m_connectLimit = kDefaultConnectTimeLimit;
    TcpEventSink m_events;
    QEventLoop* m_connecting = nullptr; // while Connect() waits
    bool m_open = false;
    bool m_streamEnded = false; // nothing more will arrive
    std::vector<std::uint8_t> m_outgoing;
    QByteArray m_arrived; // taken from the socket, not yet framed
    QByteArray m_ready;   // bytes for Input(), as the serial line would carry them
    qsizetype m_readyPos = 0;
    MbapReplyReader m_reader;
    std::uint16_t m_transaction = 0;
    PortFault m_fault = PortFault::None;
    std::string m_faultText;
};

// A TcpPort, as a NetworkPortMaker: for a program that links this library.
std::unique_ptr<NetworkPort> MakeTcpPort(std::string& problem);

} // namespace morvane
