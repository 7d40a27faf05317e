#include "port/tcpport.h"

#include <QEventLoop>
#include <QNetworkProxy>
#include <QTimer>

#include <utility>

namespace morvane
{

namespace
{

// The link never sends more than its frame buffer holds; anything longer is not a frame.
constexpr std::size_t kLongestOutgoing = 512;
// Bounds what Qt keeps from the network between two looks of the wait: a far end that never
// stops sending is held back by TCP's own flow control, not by our memory.
constexpr qint64 kSocketBufferBytes = 4096;
constexpr qint64 kTakenAtOnce = 512;

std::string Seconds(std::chrono::milliseconds limit)
{
    const auto ms = limit.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

} // namespace

PortFault ConnectFaultOf(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return PortFault::HostNotFound;
    case QAbstractSocket::ConnectionRefusedError:
        return PortFault::ConnectionRefused;
    case QAbstractSocket::NetworkError: // unreachable network or host
        return PortFault::NoRoute;
    case QAbstractSocket::SocketTimeoutError:
        return PortFault::ConnectTimeout;
    case QAbstractSocket::SocketAccessError:
        return PortFault::PermissionDenied;
    default:
        return PortFault::Other;
    }
}

TcpPort::TcpPort(QObject* parent) : QObject(parent)
{
    m_socket.setProxy(QNetworkProxy::NoProxy);
    m_socket.setReadBufferSize(kSocketBufferBytes);
    connect(&m_socket, &QTcpSocket::readyRead, this, &TcpPort::bytesArrived);
    connect(&m_socket, &QTcpSocket::disconnected, this, &TcpPort::OnSocketEnded);
    connect(&m_socket, &QAbstractSocket::errorOccurred, this, &TcpPort::OnSocketEnded);
}

TcpPort::~TcpPort()
{
    disconnect(&m_socket, nullptr, this, nullptr);
}

void TcpPort::SetWatchers(std::function<void()> bytesArrived, std::function<void()> connectionLost)
{
    connect(this, &TcpPort::bytesArrived, this, std::move(bytesArrived));
    connect(this, &TcpPort::connectionLost, this, std::move(connectionLost));
}

std::unique_ptr<NetworkPort> MakeTcpPort(std::string&)
{
    return std::make_unique<TcpPort>();
}

void TcpPort::SetDevicePath(std::string path)
{
    EndpointReading reading = ReadNetworkEndpoint(path);
    m_endpoint = std::move(reading.endpoint);
    m_endpointProblem = std::move(reading.problem);
    m_url = m_endpoint ? NetworkEndpointText(*m_endpoint) : std::move(path);
}

void TcpPort::SetPortOpen(bool open)
{
    if (open && !m_open)
        Open();
    else if (!open && (m_open || m_connecting))
        Close();
}

void TcpPort::Open()
{
    m_outgoing.clear();
    m_arrived.clear();
    m_ready.clear();
    m_readyPos = 0;
    m_streamEnded = false;
    m_reader.Restart();
    if (!m_endpoint) {
        RecordFault(PortFault::NoSuchDevice, m_endpointProblem);
        return;
    }
    if (!Connect())
        return;
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_open = true;
    RecordFault(PortFault::None, {});
    Tell({TcpEvent::Kind::Connected, m_url});
}

// Waits in the event loop, so that a window stays live and a stop signal can close the port
// meanwhile; the limit also bounds a name lookup that hangs.
bool TcpPort::Connect()
{
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&m_socket, &QTcpSocket::connected, &loop, &QEventLoop::quit);
    connect(&m_socket, &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
    m_connecting = &loop;
    m_socket.abort();
    m_socket.connectToHost(QString::fromStdString(m_endpoint->host), m_endpoint->port);
    limit.start(m_connectLimit);
    const auto waiting = [this] {
        const auto state = m_socket.state();
        return state == QAbstractSocket::HostLookupState ||
               state == QAbstractSocket::ConnectingState;
    };
    if (waiting())
        loop.exec();
    const bool abandoned = m_connecting == nullptr;
    m_connecting = nullptr;
    if (m_socket.state() == QAbstractSocket::ConnectedState && !abandoned)
        return true;
    if (abandoned)
        RecordFault(PortFault::Other, "the connection was given up");
    else if (waiting())
        RecordFault(PortFault::ConnectTimeout, "no connection within " + Seconds(m_connectLimit));
    else
        RecordFault(ConnectFaultOf(m_socket.error()), m_socket.errorString().toStdString());
    m_socket.abort();
    return false;
}

void TcpPort::Close()
{
    const bool tellClose = m_open && !m_streamEnded;
    if (m_connecting) {
        m_connecting->quit();
        m_connecting = nullptr;
    }
    m_open = false;
    m_socket.abort();
    m_outgoing.clear();
    m_arrived.clear();
    m_ready.clear();
    m_readyPos = 0;
    if (tellClose)
        Tell({TcpEvent::Kind::Closed, m_url});
}

bool TcpPort::Output(std::uint8_t byte)
{
    if (!m_open || m_streamEnded || m_outgoing.size() >= kLongestOutgoing)
        return false;
    m_outgoing.push_back(byte);
    return true;
}

void TcpPort::Flush()
{
    std::vector<std::uint8_t> frame;
    frame.swap(m_outgoing);
    if (!m_open || m_streamEnded || frame.empty())
        return;
    if (Mbap()) {
        const auto request = MbapRequestOfRtuFrame(frame, ++m_transaction);
        if (!request)
            return;
        m_reader.Expect(m_transaction, frame[0]);
        frame = *request;
        Tell({TcpEvent::Kind::MbapSent, m_url,
              ReadMbapHeader(
                  std::span<const std::uint8_t, kMbapHeaderSize>(frame.data(), kMbapHeaderSize))});
    }
    m_socket.write(reinterpret_cast<const char*>(frame.data()), qint64(frame.size()));
    m_socket.flush();
}

int TcpPort::InBufferCount()
{
    if (!m_open)
        return 0;
    if (m_readyPos >= m_ready.size())
        TakeArrived();
    const qint64 waiting = m_ready.size() - m_readyPos;
    FinishIfDrained();
    return static_cast<int>(waiting);
}

std::optional<std::uint8_t> TcpPort::Input()
{
    if (!m_open)
        return std::nullopt;
    if (m_readyPos >= m_ready.size())
        TakeArrived();
    if (m_readyPos >= m_ready.size()) {
        FinishIfDrained();
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(m_ready[m_readyPos++]);
}

// Only once what was handed over is taken: at most one read's worth waits here at any time,
// and what the network sends meanwhile waits in the socket's bounded buffer.
void TcpPort::TakeArrived()
{
    m_ready.clear();
    m_readyPos = 0;
    while (m_ready.isEmpty()) {
        if (m_arrived.isEmpty() && !m_streamEnded)
            m_arrived = m_socket.read(kTakenAtOnce);
        if (m_arrived.isEmpty())
            return;
        const QByteArray arrived = std::exchange(m_arrived, {});
        if (!Mbap()) {
            m_ready = arrived;
            return;
        }
        for (const char c : arrived)
            if (!FeedMbap(static_cast<std::uint8_t>(c)))
                return;
    }
}

// False when the stream cannot be followed any further.
bool TcpPort::FeedMbap(std::uint8_t b)
{
    const MbapStep step = m_reader.Feed(b);
    switch (step) {
    case MbapStep::Pending:
        break;
    case MbapStep::Reply: {
        const std::vector<std::uint8_t>& rtu = m_reader.RtuFrame();
        m_ready.append(reinterpret_cast<const char*>(rtu.data()), qsizetype(rtu.size()));
        Tell({TcpEvent::Kind::MbapReceived, m_url, m_reader.Header()});
        break;
    }
    case MbapStep::Rejected:
    case MbapStep::Unframeable:
        Tell({TcpEvent::Kind::MbapRejected, m_url, m_reader.Header(), m_reader.Rejection()});
        break;
    }
    if (step != MbapStep::Unframeable)
        return true;
    if (!m_streamEnded)
        EndStream("the reply's MBAP length " + std::to_string(m_reader.Header().length) +
                      " is impossible, so the connection was closed",
                  false);
    m_arrived.clear();
    return false;
}

void TcpPort::OnSocketEnded()
{
    if (!m_open || m_streamEnded)
        return;
    const bool reasonKnown = m_socket.error() != QAbstractSocket::UnknownSocketError;
    EndStream(reasonKnown ? m_socket.errorString().toStdString()
                          : std::string("the far end closed the connection"),
              true);
}

// The connection is over, but what arrived before it ended still reaches the link: the port
// closes itself once that is taken, and the wait then ends as a lost connection.
void TcpPort::EndStream(std::string reason, bool byPeer)
{
    m_streamEnded = true;
    if (byPeer)
        m_arrived += m_socket.readAll();
    m_socket.abort();
    RecordFault(PortFault::ConnectionLost, reason);
    Tell({TcpEvent::Kind::Closed, m_url, {}, MbapRejection::None, byPeer, std::move(reason)});
}

void TcpPort::FinishIfDrained()
{
    if (!m_open || !m_streamEnded || m_readyPos < m_ready.size() || !m_arrived.isEmpty())
        return;
    m_open = false;
    m_ready.clear();
    m_readyPos = 0;
    emit connectionLost();
}

void TcpPort::RecordFault(PortFault fault, std::string text)
{
    m_fault = fault;
    m_faultText = std::move(text);
}

void TcpPort::Tell(TcpEvent event)
{
    if (m_events)
        m_events(event);
}

} // namespace morvane
