#pragma once
// The port a port field names, whatever carries it: the serial port for a number or a device
// path, a TCP connection for a network endpoint (tcp://, rtu+tcp://). Which one is chosen when
// the device path is set, so one object serves every command of a window or a command line.

#include "port/portresolve.h"
#include "port/qtserialport.h"
#include "port/tcpport.h"
#include "protocol/serialport.h"

#include <QObject>

namespace morvane
{

class TransportPort : public QObject, public SerialPort
{
    Q_OBJECT
  public:
    explicit TransportPort(EnvLookup env = SystemEnvironment, QObject* parent = nullptr);

    // The TCP side, for its connect time limit and its events.
    TcpPort& Tcp() { return m_tcp; }

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
    SerialPort& Active() { return m_network ? static_cast<SerialPort&>(m_tcp) : m_serial; }
    const SerialPort& Active() const
    {
        return m_network ? static_cast<const SerialPort&>(m_tcp) : m_serial;
    }

    QtSerialPort m_serial;
    TcpPort m_tcp;
    bool m_network = false;
};

} // namespace morvane
