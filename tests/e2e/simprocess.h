// Starts the virtual controller for a test, hands back its device and watches what it sees.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace morvane::testing
{

class SimProcess
{
  public:
    SimProcess();
    explicit SimProcess(QString binaryPath);
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    ~SimProcess();

    // The controller built with the tests; MORVANE_SIM_BINARY in the environment overrides it.
    static QString DefaultBinaryPath();

    // Starts the controller with these switches (e.g. {"--delay", "500"}) and waits for the
    // device it prints. Returns the device path (with --tcp or --rtu-tcp the URL to open), or
    // an empty string when the binary is missing, fails or prints no path in time;
    // ErrorText() then says which.
    QString Start(const QStringList& switches = {}, int timeoutMs = 5000);
    QString PtyPath() const { return m_ptyPath; }
    QString ErrorText() const { return m_error; }

    // The "request ..." lines printed so far, one per request the controller received,
    // e.g. "request fn=3 addr=2 count=9". A line is out before its reply is.
    QStringList Requests();
    int RequestCount();
    bool WaitForRequests(int count, int timeoutMs = 5000);
    // Every line after the device path (requests, and "hangup" when it hung up).
    QStringList OutputLines();

    bool IsRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 ProcessId() const { return m_process.processId(); }
    // For a controller that ends by itself (--hangup-after): true once it has exited.
    bool WaitForExit(int timeoutMs = 5000);
    // The exit code, or -1 while it runs or when it did not exit normally.
    int ExitCode() const;
    // SIGTERM, then waits; kills it if it does not end in time. Returns ExitCode().
    int Stop(int timeoutMs = 5000);

  private:
    bool Fail(const QString& reason);
    void TakeOutput(int waitMs);
    bool WaitForPath(int timeoutMs);

    QString m_binaryPath;
    QProcess m_process;
    QByteArray m_partialLine;
    QStringList m_lines; // everything printed, the device path first
    QString m_ptyPath;
    QString m_error;
};

} // namespace morvane::testing
