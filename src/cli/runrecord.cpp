#include "cli/runrecord.h"

#include "cli/productionlog.h"
#include "controller/modetable.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace morvane::cli
{

namespace
{

const QString kStandardStream = QStringLiteral("-");

ConfigFileBytes ReadStandardInput()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return {{}, "Standard input cannot be read: " + input.errorString().toStdString() + "."};
    QByteArray bytes = input.read(kConfigFileMaxBytes + 1);
    if (input.error() != QFileDevice::NoError)
        return {{}, "Standard input cannot be read: " + input.errorString().toStdString() + "."};
    return {std::move(bytes), {}};
}

// The serial number the system knows for the device, whichever name of it the port gave.
std::string AdapterSerialNumber(const ResolvedPort& port)
{
    if (port.device.empty() || port.kind == ResolvedPort::Kind::Network)
        return {};
    const QString device =
        QFileInfo(QString::fromStdString(DeviceFilePath(port.device))).canonicalFilePath();
    for (const SerialPortDetails& details : HostPortSystem().PortDetails()) {
        const QString listed =
            QFileInfo(QString::fromStdString(details.device)).canonicalFilePath();
        if (!device.isEmpty() && listed == device)
            return details.serialNumber;
    }
    return {};
}

} // namespace

RunRecord::RunRecord(const Invocation& call, const ResolvedPort& port) : m_call(call), m_port(port)
{
    m_result.action = call.action;
    m_result.port = call.portText.toStdString();
    m_result.endpoint = port.device;
    m_result.slave = call.connection.slave;
    m_result.file = call.file.toStdString();
}

std::optional<std::string> RunRecord::OpenLog()
{
    m_adapterSerial = AdapterSerialNumber(m_port);
    return m_log.Open(m_call.logFile, LogHeaderText());
}

ConfigFileResult RunRecord::ReadFile()
{
    const ConfigFileBytes file =
        m_call.file == kStandardStream ? ReadStandardInput() : ReadConfigFileBytes(m_call.file);
    if (!file.problem.empty())
        return {std::nullopt, file.problem};
    m_result.sha256 =
        QCryptographicHash::hash(file.bytes, QCryptographicHash::Sha256).toHex().toStdString();
    return ParseConfigFile(file.bytes);
}

const std::vector<CaptionedDifference>& RunRecord::TakeDifferences(const Registers& expected,
                                                                   const Registers& held)
{
    const auto captions = CaptionsAfterRead(ModeRegisterOf(expected));
    m_result.differences.clear();
    for (const RegisterDifference& d : DifferingRegisters(expected, held)) {
        std::string caption(captions[std::size_t(field::FieldOfRegister(d.reg))]);
        caption.erase(caption.find_last_not_of(": ") + 1);
        m_result.differences.push_back({d, caption});
    }
    return m_result.differences;
}

QByteArray RunRecord::Json(int status)
{
    m_result.verdict = VerdictWord(m_call.action, m_call.verify, status);
    return RunResultJson(m_result);
}

std::optional<std::string> RunRecord::AppendLogRow(int status, int exitStatus)
{
    LogRow row;
    row.time = QDateTime::currentDateTime();
    row.port = m_result.port;
    row.endpoint = m_result.endpoint;
    row.adapterSerial = m_adapterSerial;
    row.slave = m_result.slave;
    row.file = m_result.file;
    row.sha256 = m_result.sha256;
    row.verdict = VerdictWord(m_call.action, m_call.verify, status);
    row.exitStatus = exitStatus;
    for (const CaptionedDifference& d : m_result.differences)
        row.differences.push_back(d.values);
    return m_log.Append(LogRowText(row));
}

} // namespace morvane::cli
