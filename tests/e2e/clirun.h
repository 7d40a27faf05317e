#pragma once
// Runs the built morvane-config as a script would: a child process with no display in its
// environment, its standard output and error taken apart.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <unistd.h>

namespace morvane::testing
{

struct CliRun {
    int exitCode = -1; // -1 when it crashed or did not end in time
    QString out;
    QString err;
};

inline QProcessEnvironment WithoutDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // A subcommand that made a GUI application would fail without these.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    return env;
}

// Starts the program without waiting for it, for a test that acts on it while it runs.
inline void StartCli(QProcess& process, const QStringList& arguments,
                     const QString& program = QStringLiteral(MORVANE_CONFIG_PATH))
{
    process.setProcessEnvironment(WithoutDisplay());
    process.start(program, arguments);
}

// Where the child's standard output goes: taken apart as its error is, into a file, or
// nowhere at all (">&-"); and what its standard input holds.
struct OutputTo {
    QString file;
    bool closed = false;
    QByteArray input;
};

inline CliRun RunCli(const QStringList& arguments, int timeoutMs = 10000,
                     const OutputTo& output = {})
{
    QProcess process;
    if (output.closed)
        process.setChildProcessModifier([] { ::close(STDOUT_FILENO); });
    else if (!output.file.isEmpty())
        process.setStandardOutputFile(output.file);
    StartCli(process, arguments);
    process.write(output.input);
    process.closeWriteChannel();
    CliRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
    } else if (process.exitStatus() == QProcess::NormalExit) {
        run.exitCode = process.exitCode();
    }
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace morvane::testing
