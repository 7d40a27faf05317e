#include "port/qtserialport.h"

#include <QFileInfo>

#include <algorithm>
#include <charconv>

#ifndef _WIN32
#include <cerrno>
#include <cstring>
#include <unistd.h>
#endif

namespace morvane
{

namespace
{

std::vector<std::string_view> SplitFields(std::string_view text)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos)
            return fields;
        start = comma + 1;
    }
}

std::optional<qint32> ParseBaud(std::string_view field)
{
    if (field.empty())
        return 9600;
    qint32 baud = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), baud);
    if (error != std::errc() || end != field.data() + field.size() || baud <= 0)
        return std::nullopt;
    return baud;
}

std::optional<QSerialPort::Parity> ParseParity(std::string_view field)
{
    if (field.empty())
        return QSerialPort::NoParity;
    if (field.size() != 1)
        return std::nullopt;
    switch (field[0]) {
    case 'N':
    case 'n':
        return QSerialPort::NoParity;
    case 'E':
    case 'e':
        return QSerialPort::EvenParity;
    case 'O':
    case 'o':
        return QSerialPort::OddParity;
    case 'M':
    case 'm':
        return QSerialPort::MarkParity;
    case 'S':
    case 's':
        return QSerialPort::SpaceParity;
    default:
        return std::nullopt;
    }
}

std::optional<QSerialPort::DataBits> ParseDataBits(std::string_view field)
{
    if (field == "5")
        return QSerialPort::Data5;
    if (field == "6")
        return QSerialPort::Data6;
    if (field == "7")
        return QSerialPort::Data7;
    if (field == "8")
        return QSerialPort::Data8;
    return std::nullopt;
}

std::optional<QSerialPort::StopBits> ParseStopBits(std::string_view field)
{
    if (field == "1")
        return QSerialPort::OneStop;
    if (field == "1.5")
        return QSerialPort::OneAndHalfStop;
    if (field == "2")
        return QSerialPort::TwoStop;
    return std::nullopt;
}

// The device file itself, links followed. Qt names its lock file after the port name, so two
// names of one device (a link and its target) would otherwise take two locks and both open it.
QString FileToOpen(const std::string& device)
{
#ifdef _WIN32
    return QString::fromStdString(device);
#else
    const QFileInfo file(QString::fromStdString(DeviceFilePath(device)));
    const QString canonical = file.canonicalFilePath();
    // A device that is not there is opened by its own name, and Qt says it is missing.
    return canonical.isEmpty() ? file.absoluteFilePath() : canonical;
#endif
}

} // namespace

std::optional<PortSettings> ParsePortSettings(std::string_view text)
{
    const std::vector<std::string_view> fields = SplitFields(text);
    if (fields.size() != 4)
        return std::nullopt;
    const auto baud = ParseBaud(fields[0]);
    const auto parity = ParseParity(fields[1]);
    const auto dataBits = ParseDataBits(fields[2]);
    const auto stopBits = ParseStopBits(fields[3]);
    if (!baud || !parity || !dataBits || !stopBits)
        return std::nullopt;
    return PortSettings{*baud, *parity, *dataBits, *stopBits};
}

QtSerialPort::QtSerialPort(EnvLookup env, QObject* parent) : QObject(parent), m_env(std::move(env))
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::OnError);
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPort::bytesArrived);
}

QtSerialPort::~QtSerialPort()
{
    disconnect(&m_port, nullptr, this, nullptr);
}

void QtSerialPort::SetPortOpen(bool open)
{
    if (open && !m_port.isOpen())
        Open();
    else if (!open && m_port.isOpen())
        Close();
}

std::string QtSerialPort::DeviceName() const
{
    return m_devicePath.empty() ? DeviceForPortNumber(m_commPort, m_env) : m_devicePath;
}

void QtSerialPort::Open()
{
    m_received.clear();
    m_receivedPos = 0;
    const std::string device = DeviceName();
    if (device.empty()) {
        RecordFault(PortFault::NoSuchDevice,
                    "port " + std::to_string(m_commPort) + " stands for no device");
        return;
    }
    const std::optional<PortSettings> settings = ParsePortSettings(m_settings);
    if (!settings) {
        RecordFault(PortFault::SettingsRefused,
                    "the settings \"" + m_settings + "\" are not valid");
        return;
    }
    m_port.setPortName(FileToOpen(device));
    m_port.setBaudRate(settings->baudRate);
    m_port.setParity(settings->parity);
    m_port.setDataBits(settings->dataBits);
    m_port.setStopBits(settings->stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        std::string text = m_port.errorString().toStdString();
        const PortFault fault = ClassifyOpenError(m_port.error(), text);
        RecordFault(fault, std::move(text));
        return;
    }
    RecordFault(PortFault::None, {});
    AssertRequestToSend();
}

// Pseudo-terminals and adapters without modem lines refuse the request; such a port still
// carries data, so the refusal is not a failure of the open.
void QtSerialPort::AssertRequestToSend()
{
    if (m_rtsEnable && !m_port.setRequestToSend(true))
        m_port.clearError();
}

void QtSerialPort::Close()
{
    m_port.close();
    m_received.clear();
    m_receivedPos = 0;
}

PortFault QtSerialPort::ClassifyOpenError(QSerialPort::SerialPortError error,
                                          std::string& text) const
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return PortFault::NoSuchDevice;
    case QSerialPort::PermissionError:
#ifdef _WIN32
        (void)text;
        return PortFault::InUse;
#else
        // Qt reports another holder's lock file as a permission error too; a device we may
        // read and write is not a matter of permission.
        if (::access(DeviceFilePath(DeviceName()).c_str(), R_OK | W_OK) == 0)
            return PortFault::InUse;
        if (errno == EACCES || errno == EPERM)
            return PortFault::PermissionDenied;
        // Nor is a path the system cannot take at all: too long, a loop of links.
        text = std::strerror(errno);
        return errno == ENOENT ? PortFault::NoSuchDevice : PortFault::Other;
#endif
    case QSerialPort::UnsupportedOperationError:
        return PortFault::SettingsRefused;
    default:
        return PortFault::Other;
    }
}

// Qt 6.4 keeps a hung-up port open and reports the same read error again on every pass of the
// event loop, hundreds of thousands of times a second. The first one closes the port.
void QtSerialPort::OnError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (!m_port.isOpen())
        return;
    // Qt's error text at this point still describes an earlier, unrelated failure.
    const std::string reason = error == QSerialPort::ReadError ? "the device could not be read"
                                                               : "the device became unavailable";
    Close();
    RecordFault(PortFault::ConnectionLost, reason);
    emit connectionLost();
}

void QtSerialPort::RecordFault(PortFault fault, std::string text)
{
    m_fault = fault;
    m_faultText = std::move(text);
}

bool QtSerialPort::Output(std::uint8_t byte)
{
    if (!m_port.isOpen())
        return false;
    const char c = static_cast<char>(byte);
    // Collected here and handed to the device as one write by Flush(): a frame written byte by
    // byte reaches the line with gaps between its bytes, and an RTU frame must not have any.
    return m_port.write(&c, 1) == 1;
}

void QtSerialPort::Flush()
{
    // Without this the bytes wait in Qt's buffer until the event loop runs again.
    if (m_port.isOpen())
        m_port.flush();
}

int QtSerialPort::InBufferCount()
{
    if (!m_port.isOpen())
        return 0;
    const qint64 waiting = (m_received.size() - m_receivedPos) + m_port.bytesAvailable();
    return static_cast<int>(std::min<qint64>(waiting, INT32_MAX));
}

std::optional<std::uint8_t> QtSerialPort::Input()
{
    if (!m_port.isOpen())
        return std::nullopt;
    if (m_receivedPos >= m_received.size()) {
        m_received = m_port.readAll();
        m_receivedPos = 0;
        if (m_received.isEmpty())
            return std::nullopt;
    }
    return static_cast<std::uint8_t>(m_received[m_receivedPos++]);
}

} // namespace morvane
