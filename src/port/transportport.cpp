#include "port/transportport.h"

namespace morvane
{

TransportPort::TransportPort(EnvLookup env, QObject* parent)
    : QObject(parent), m_serial(std::move(env))
{
    connect(&m_serial, &QtSerialPort::bytesArrived, this, &TransportPort::bytesArrived);
    connect(&m_serial, &QtSerialPort::connectionLost, this, &TransportPort::connectionLost);
    connect(&m_tcp, &TcpPort::bytesArrived, this, &TransportPort::bytesArrived);
    connect(&m_tcp, &TcpPort::connectionLost, this, &TransportPort::connectionLost);
}

void TransportPort::SetDevicePath(std::string path)
{
    const bool network = NamesNetworkEndpoint(path);
    if (network != m_network && Active().PortOpen())
        Active().SetPortOpen(false);
    m_network = network;
    Active().SetDevicePath(std::move(path));
}

} // namespace morvane
