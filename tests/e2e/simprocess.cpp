#include "simprocess.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtDebug>

namespace morvane::testing
{

SimProcess::SimProcess() : SimProcess(DefaultBinaryPath()) {}

SimProcess::SimProcess(QString binaryPath) : m_binaryPath(std::move(binaryPath))
{
    // The controller's trace belongs in the test's own log.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

SimProcess::~SimProcess()
{
    Stop();
}

QString SimProcess::DefaultBinaryPath()
{
    QString overridden = qEnvironmentVariable("MORVANE_SIM_BINARY");
    if (!overridden.isEmpty())
        return overridden;
#ifdef MORVANE_SIM_PATH
    return QStringLiteral(MORVANE_SIM_PATH);
#else
    return {};
#endif
}

QString SimProcess::Start(const QStringList& switches, int timeoutMs)
{
    Stop();
    m_error.clear();
    m_lines.clear();
    m_partialLine.clear();
    m_ptyPath.clear();
    QFileInfo binary(m_binaryPath);
    if (m_binaryPath.isEmpty() || !binary.isFile() || !binary.isExecutable()) {
        Fail(QStringLiteral("morvane-sim not found at '%1' (build the morvane-sim target)")
                 .arg(m_binaryPath));
        return {};
    }
    m_process.start(m_binaryPath, switches);
    if (!m_process.waitForStarted(timeoutMs)) {
        Fail(QStringLiteral("morvane-sim did not start: %1").arg(m_process.errorString()));
        return {};
    }
    if (!WaitForPath(timeoutMs))
        return {};
    m_ptyPath = m_lines.first();
    return m_ptyPath;
}

bool SimProcess::WaitForPath(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (m_lines.isEmpty()) {
        if (!IsRunning())
            return Fail(QStringLiteral("morvane-sim exited (code %1) before naming its device")
                            .arg(m_process.exitCode()));
        if (deadline.hasExpired()) {
            Stop();
            return Fail(QStringLiteral("morvane-sim named no device within %1 ms").arg(timeoutMs));
        }
        TakeOutput(static_cast<int>(deadline.remainingTime()));
    }
    // A device path, or the URL of a TCP port (tcp://127.0.0.1:PORT).
    if (!m_lines.first().startsWith(QLatin1Char('/')) &&
        !m_lines.first().contains(QLatin1String("://"))) {
        QString first = m_lines.first();
        Stop();
        return Fail(QStringLiteral("morvane-sim printed '%1' instead of a device").arg(first));
    }
    return true;
}

bool SimProcess::Fail(const QString& reason)
{
    m_error = reason;
    qWarning().noquote() << reason;
    return false;
}

void SimProcess::TakeOutput(int waitMs)
{
    if (IsRunning() && m_process.bytesAvailable() == 0)
        m_process.waitForReadyRead(waitMs);
    while (IsRunning() && m_process.waitForReadyRead(0)) {
    }
    if (m_process.isOpen()) // never started: nothing to read
        m_partialLine += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_partialLine.indexOf('\n')) >= 0) {
        m_lines.append(QString::fromUtf8(m_partialLine.left(end)));
        m_partialLine.remove(0, end + 1);
    }
}

QStringList SimProcess::OutputLines()
{
    TakeOutput(0);
    return m_lines.mid(1);
}

QStringList SimProcess::Requests()
{
    return OutputLines().filter(QRegularExpression(QStringLiteral("^request\\b")));
}

int SimProcess::RequestCount()
{
    return static_cast<int>(Requests().size());
}

bool SimProcess::WaitForRequests(int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (RequestCount() < count) {
        if (deadline.hasExpired() || !IsRunning())
            return RequestCount() >= count;
        TakeOutput(static_cast<int>(qMin<qint64>(deadline.remainingTime(), 50)));
    }
    return true;
}

bool SimProcess::WaitForExit(int timeoutMs)
{
    if (IsRunning())
        m_process.waitForFinished(timeoutMs);
    TakeOutput(0);
    return !IsRunning();
}

int SimProcess::ExitCode() const
{
    if (IsRunning() || m_process.exitStatus() != QProcess::NormalExit)
        return -1;
    return m_process.exitCode();
}

int SimProcess::Stop(int timeoutMs)
{
    if (IsRunning()) {
        m_process.terminate();
        if (!m_process.waitForFinished(timeoutMs)) {
            qWarning("morvane-sim ignored SIGTERM for %d ms; killed", timeoutMs);
            m_process.kill();
            m_process.waitForFinished(timeoutMs);
            TakeOutput(0);
            return -1;
        }
    }
    TakeOutput(0);
    return ExitCode();
}

} // namespace morvane::testing
