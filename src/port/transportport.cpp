#include "port/transportport.h"

namespace morvane
{

namespace
{

NetworkPortMaker g_networkPortMaker = nullptr;

// Stands for the network port that could not be made: never open, and says why on opening.
class NoNetworkPort final : public NetworkPort
{
  public:
    explicit NoNetworkPort(std::string problem) : m_problem(std::move(problem)) {}
    void SetConnectTimeLimit(std::chrono::milliseconds) override {}
    void SetEventSink(TcpEventSink) override {}
    void SetWatchers(std::function<void()>, std::function<void()>) override {}
    bool PortOpen() const override { return false; }
    void SetPortOpen(bool) override {}
    void SetCommPort(std::int16_t) override {}
    void SetDevicePath(std::string path) override { m_path = std::move(path); }
    std::string DeviceName() const override { return m_path; }
    void SetSettings(std::string_view) override {}
    void SetInputMode(int) override {}
    void SetInputLen(int) override {}
    void SetRTSEnable(bool) override {}
    bool Output(std::uint8_t) override { return false; }
    void Flush() override {}
    int InBufferCount() override { return 0; }
    std::optional<std::uint8_t> Input() override { return std::nullopt; }
    PortFault LastFault() const override { return PortFault::Other; }
    std::string LastFaultText() const override { return m_problem; }

  private:
    std::string m_problem;
    std::string m_path;
};

} // namespace

void SetNetworkPortMaker(NetworkPortMaker maker)
{
    g_networkPortMaker = maker;
}

NetworkPortMaker CurrentNetworkPortMaker()
{
    return g_networkPortMaker;
}

TransportPort::TransportPort(EnvLookup env, QObject* parent)
    : QObject(parent), m_serial(std::move(env))
{
    connect(&m_serial, &QtSerialPort::bytesArrived, this, &TransportPort::bytesArrived);
    connect(&m_serial, &QtSerialPort::connectionLost, this, &TransportPort::connectionLost);
}

TransportPort::~TransportPort() = default;

void TransportPort::SetConnectTimeLimit(std::chrono::milliseconds limit)
{
    m_connectLimit = limit;
    if (m_tcp)
        m_tcp->SetConnectTimeLimit(limit);
}

void TransportPort::SetTcpEventSink(TcpEventSink sink)
{
    m_tcpEvents = std::move(sink);
    if (m_tcp)
        m_tcp->SetEventSink(m_tcpEvents);
}

void TransportPort::MakeNetworkPort()
{
    if (m_tcp)
        return;
    std::string problem = "this program reaches no unit on the network";
    if (g_networkPortMaker)
        m_tcp = g_networkPortMaker(problem);
    if (!m_tcp)
        m_tcp = std::make_unique<NoNetworkPort>(problem);
    m_tcp->SetConnectTimeLimit(m_connectLimit);
    m_tcp->SetEventSink(m_tcpEvents);
    m_tcp->SetWatchers([this] { emit bytesArrived(); }, [this] { emit connectionLost(); });
}

void TransportPort::SetDevicePath(std::string path)
{
    const bool network = NamesNetworkEndpoint(path);
    if (network != m_network && Active().PortOpen())
        Active().SetPortOpen(false);
    m_network = network;
    if (network)
        MakeNetworkPort();
    Active().SetDevicePath(std::move(path));
}

} // namespace morvane
