#pragma once
// Runs the built morvane-config as a script would: a child process with no display in its
// environment, its standard output and error taken apart, and the shared libraries it loaded.

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <unistd.h>

namespace morvane::testing
{

struct CliRun {
    int exitCode = -1; // -1 when it crashed or did not end in time
    QString out;
    QString err;
    QStringList loaded; // every shared library the dynamic loader opened for it
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
                     const QString& program = QStringLiteral(MORVANE_CONFIG_PATH),
                     const QProcessEnvironment& env = WithoutDisplay())
{
    process.setProcessEnvironment(env);
    process.start(program, arguments);
}

// The dynamic loader tells each library it opens into a file of its own per process.
inline QProcessEnvironment TellingLoadedLibraries(QProcessEnvironment env, const QString& folder)
{
    env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    env.insert(QStringLiteral("LD_DEBUG_OUTPUT"), folder + QStringLiteral("/ld"));
    return env;
}

inline QStringList LoadedLibraries(const QString& folder)
{
    static const QRegularExpression opened(QStringLiteral(R"(\bfile=(\S+))"));
    QStringList loaded;
    for (const QFileInfo& told : QDir(folder).entryInfoList(QDir::Files)) {
        QFile file(told.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QRegularExpressionMatch& match :
             opened.globalMatch(QString::fromLocal8Bit(file.readAll())))
            loaded << match.captured(1);
    }
    loaded.removeDuplicates();
    return loaded;
}

// The window's own library and those of the desktop's graphics it stands on.
inline QStringList WindowLibraries(const QStringList& loaded)
{
    static const QRegularExpression window(QStringLiteral(
        R"(lib(Qt6(Gui|Widgets|OpenGL|XcbQpa)|X11|xcb|EGL|GLX|GL|OpenGL|fontconfig|freetype|)"
        R"(harfbuzz|xkbcommon|morvane-window|morvane-report)[.-])"));
    return loaded.filter(window);
}

// Those that only the window needs: its widgets, its library and a display's platform plugin.
// A report loads Qt Gui and what Qt Gui links to draw its page, but none of these.
inline QStringList WindowOnlyLibraries(const QStringList& loaded)
{
    static const QRegularExpression window(QStringLiteral(
        R"(lib(Qt6(Widgets|XcbQpa|WaylandClient)|qxcb|qwayland|morvane-window)[.-])"));
    return loaded.filter(window);
}

// Empty when the loader told what the run loaded and none of it was the window's; for a report,
// none of it was the window's alone.
inline QString WindowLoadedBy(const CliRun& run, bool report = false)
{
    if (run.loaded.filter(QStringLiteral("libQt6Core.so")).isEmpty())
        return QStringLiteral("the dynamic loader told nothing");
    return (report ? WindowOnlyLibraries(run.loaded) : WindowLibraries(run.loaded)).join(' ');
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
    // The loader's record would take the place of a closed standard output.
    const QTemporaryDir told;
    StartCli(process, arguments, QStringLiteral(MORVANE_CONFIG_PATH),
             output.closed ? WithoutDisplay()
                           : TellingLoadedLibraries(WithoutDisplay(), told.path()));
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
    run.loaded = LoadedLibraries(told.path());
    return run;
}

} // namespace morvane::testing
