#pragma once
// The serial port over QSerialPort: raw bytes, one per Input(), and a port that closes itself
// when its device goes away instead of letting Qt report the same read error forever.

#include "port/portresolve.h"
#include "protocol/serialport.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane
{

struct PortSettings {
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Reads "baud,parity letter,data bits,stop bits" ("9600,N,8,1"). The parity letter is one of
// N, E, O, M, S in either case; data bits 5 to 8; stop bits 1, 1.5 or 2. An empty baud or
// parity field keeps the port's design value (9600, none). Nothing when the text is refused.
std::optional<PortSettings> ParsePortSettings(std::string_view text);

class QtSerialPort : public QObject, public SerialPort
{
    Q_OBJECT
  public:
    explicit QtSerialPort(EnvLookup env = SystemEnvironment, QObject* parent = nullptr);
    ~QtSerialPort() override;

    bool PortOpen() const override { return m_port.isOpen(); }
    void SetPortOpen(bool open) override;
    void SetCommPort(std::int16_t port) override { m_commPort = port; }
    void SetDevicePath(std::string path) override { m_devicePath = std::move(path); }
    std::string DeviceName() const override;
    void SetSettings(std::string_view settings) override { m_settings = std::string(settings); }
    // This port always hands input over as raw bytes, one per Input(): what mode 1 and length 1
    // ask for, and the only way the link reads.
    void SetInputMode(int) override {}
    void SetInputLen(int) override {}
    void SetRTSEnable(bool enable) override { m_rtsEnable = enable; }
    bool Output(std::uint8_t byte) override;
    void Flush() override;
    int InBufferCount() override;
    std::optional<std::uint8_t> Input() override;
    PortFault LastFault() const override { return m_fault; }
    std::string LastFaultText() const override { return m_faultText; }

  signals:
    void bytesArrived();
    // The device went away while the port was open; the port is already closed.
    void connectionLost();

  private:
    void Open();
    void Close();
    void AssertRequestToSend();
    void OnError(QSerialPort::SerialPortError error);
    void RecordFault(PortFault fault, std::string text);
    // The kind of fault; its text, Qt's words, is replaced where the system's are truer.
    PortFault ClassifyOpenError(QSerialPort::SerialPortError error, std::string& text) const;

    QSerialPort m_port;
    EnvLookup m_env;
    std::int16_t m_commPort = 0;
    std::string m_devicePath;
    std::string m_settings = "9600,N,8,1";
    bool m_rtsEnable = false;
    QByteArray m_received; // taken from the port, not yet handed over by Input()
    qsizetype m_receivedPos = 0;
    PortFault m_fault = PortFault::None;
    std::string m_faultText;
};

} // namespace morvane
