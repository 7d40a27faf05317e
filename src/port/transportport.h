#pragma once
// The port a port field names, whatever carries it: the serial port for a number or a device
// path, a TCP connection for a network endpoint (tcp://, rtu+tcp://). Which one is chosen when
// the device path is set, so one object serves every command of a window or a command line.

#include "port/networkport.h"
#include "port/portresolve.h"
#include "port/qtserialport.h"
#include "protocol/serialport.h"

#include <QObject>

#include <chrono>
#include <memory>

namespace morvane
{

class TransportPort : public QObject, public SerialPort
{
    Q_OBJECT
  public:
    explicit TransportPort(EnvLookup env = SystemEnvironment, QObject* parent = nullptr);

    ~TransportPort() override;

    // The network side's connect time limit and what happens on its connections; kept for a
    // network port made later.
    void SetConnectTimeLimit(std::chrono::milliseconds limit);
    void SetTcpEventSink(TcpEventSink sink);

    bool PortOpen() const override { return Active().PortOpen(); }
    void SetPortOpen(bool open) override { Active().SetPortOpen(open); }
    void SetCommPort(std::int16_t port) override { m_serial.SetCommPort(port); }
    // A URL chooses the TCP connection, anything else the serial port; an open port of the
    // other kind is closed first.
    void SetDevicePath(std::string path) override;
    std::string DeviceName() const override { return Active().DeviceName(); }
    void SetSettings(std::string_view settings) override { Active().SetSettings(settings); }
    void SetInputMode(int mode) override { Active().SetInputMode(mode); }
    void SetInputLen(int length) override { Active().SetInputLen(length); }
    void SetRTSEnable(bool enable) override { Active().SetRTSEnable(enable); }
    bool Output(std::uint8_t byte) override { return Active().Output(byte); }
    void Flush() override { Active().Flush(); }
    int InBufferCount() override { return Active().InBufferCount(); }
    std::optional<std::uint8_t> Input() override { return Active().Input(); }
    PortFault LastFault() const override { return Active().LastFault(); }
    std::string LastFaultText() const override { return Active().LastFaultText(); }

  signals:
    void bytesArrived();
    void connectionLost();

  private:
    SerialPort& Active() { return m_network ? static_cast<SerialPort&>(*m_tcp) : m_serial; }
    const SerialPort& Active() const
    {
        return m_network ? static_cast<const SerialPort&>(*m_tcp) : m_serial;
    }
    // Made when a port first names a network endpoint; one that never opens and says why when
    // the program has no way to make one.
    void MakeNetworkPort();

    QtSerialPort m_serial;
    std::unique_ptr<NetworkPort> m_tcp;
    std::chrono::milliseconds m_connectLimit = kDefaultConnectTimeLimit;
    TcpEventSink m_tcpEvents;
    bool m_network = false;
};

} // namespace morvane
