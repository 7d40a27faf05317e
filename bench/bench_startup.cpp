// Start-up of the window program, from the spawn to the window's first paint, against a bare
// Qt window of the same widgets (the same classes, places, texts and fonts, built from the
// window's own description), and the peak memory of each.
// Alternating runs; prints the medians and their ratios. It is not a test.
//
// usage: bench_startup [--runs N] [--platform NAME] [WINDOW_PROGRAM ...]
//   The platform is offscreen unless named (xcb under a display). Each window program (by
//   default the one built beside this; it must answer --describe) is measured against a bare
//   window of its own description, so that the program of an older build can stand beside
//   today's.

#include "benchsim.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{

using morvane::bench::Median;
using Clock = std::chrono::steady_clock;

struct Start {
    double seconds; // from the spawn to "shown"
    double peakMiB; // the process's peak resident memory
};

// Reads the child's output until its "shown" line or its end; true on "shown".
bool AwaitShown(int fd)
{
    std::string seen;
    char chunk[64];
    ssize_t got;
    while (seen.find("shown\n") == std::string::npos && (got = read(fd, chunk, sizeof chunk)) > 0)
        seen.append(chunk, std::size_t(got));
    return seen.find("shown\n") != std::string::npos;
}

std::optional<Start> TimedStart(const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    const int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    const bool shown = failed == 0 && AwaitShown(out[0]);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    close(out[0]);
    int status = 0;
    rusage usage{};
    if (failed != 0 || wait4(child, &status, 0, &usage) != child || !shown || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return std::nullopt;
    return Start{seconds, usage.ru_maxrss / 1024.0};
}

struct Contender {
    std::string name;
    std::vector<std::string> command;
    std::vector<double> seconds;
    std::vector<double> peakMiB;
};

// The bare window's command for the window program's description, or nothing when it gave
// none. The description is kept at `path`.
std::optional<std::vector<std::string>> BareCommand(const QString& windowProgram,
                                                    const QString& path, int& widgets)
{
    QProcess describe;
    describe.setStandardErrorFile(QProcess::nullDevice());
    describe.start(windowProgram, {"--describe"});
    if (!describe.waitForFinished(30000) || describe.exitCode() != 0)
        return std::nullopt;
    const QByteArray description = describe.readAllStandardOutput();
    widgets = int(description.count('\n'));
    QFile file(path);
    if (widgets == 0 || !file.open(QIODevice::WriteOnly) || file.write(description) < 0)
        return std::nullopt;
    return std::vector<std::string>{STARTUP_BARE_BINARY, file.fileName().toStdString()};
}

// Each contender once per round, in turns, so that a busy moment hits all alike.
bool RunRounds(std::vector<Contender>& contenders, int rounds)
{
    for (int round = 0; round < rounds; ++round) {
        for (Contender& c : contenders) {
            const std::optional<Start> start = TimedStart(c.command);
            if (!start)
                return std::fprintf(stderr, "%s did not show\n", c.command[0].c_str()), false;
            c.seconds.push_back(start->seconds);
            c.peakMiB.push_back(start->peakMiB);
        }
    }
    return true;
}

void Report(const Contender& c)
{
    std::printf("  %-44s %7.1f ms   peak %5.1f MiB\n", c.name.c_str(), Median(c.seconds) * 1e3,
                Median(c.peakMiB));
}

struct Options {
    int runs = 21;
    QString platform = QStringLiteral("offscreen");
    QStringList windows;
};

Options ParseOptions(const QStringList& args)
{
    Options options;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--runs" && i + 1 < args.size())
            options.runs = std::max(3, args[++i].toInt());
        else if (args[i] == "--platform" && i + 1 < args.size())
            options.platform = args[++i];
        else
            options.windows << args[i];
    }
    if (options.windows.isEmpty())
        options.windows << QStringLiteral(STARTUP_WINDOW_BINARY);
    return options;
}

// Each window program, then the bare window of its description; empty when one gave none.
std::vector<Contender> Contenders(const QStringList& windows, const QTemporaryDir& folder)
{
    std::vector<Contender> contenders;
    for (const QString& window : windows) {
        int widgets = 0;
        const QString path = folder.filePath(QString("window%1.txt").arg(contenders.size()));
        const auto bare = BareCommand(window, path, widgets);
        if (!bare) {
            std::fprintf(stderr, "%s gave no description\n", qPrintable(window));
            return {};
        }
        contenders.push_back({window.toStdString(), {window.toStdString()}, {}, {}});
        contenders.push_back(
            {"bare Qt window of the same " + std::to_string(widgets) + " widgets", *bare, {}, {}});
    }
    return contenders;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const Options options = ParseOptions(app.arguments());
    qputenv("QT_QPA_PLATFORM", options.platform.toUtf8());
    const QTemporaryDir folder;
    std::vector<Contender> contenders = Contenders(options.windows, folder);
    if (contenders.empty() || !RunRounds(contenders, 2)) // warm the caches alike
        return 1;
    for (Contender& c : contenders)
        c.seconds.clear(), c.peakMiB.clear();
    if (!RunRounds(contenders, options.runs))
        return 1;

    std::printf("spawn to first paint, %s platform, median of %d alternating runs:\n",
                qPrintable(options.platform), options.runs);
    for (std::size_t i = 0; i < contenders.size(); i += 2) {
        const Contender& window = contenders[i];
        const Contender& bare = contenders[i + 1];
        Report(window);
        Report(bare);
        std::printf("  ratio window / bare: start-up %.2f, peak memory %.2f\n",
                    Median(window.seconds) / Median(bare.seconds),
                    Median(window.peakMiB) / Median(bare.peakMiB));
    }
    return 0;
}
