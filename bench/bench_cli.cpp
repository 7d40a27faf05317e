// The command line from process start to exit: --help against a program that links Qt Core
// alone and prints a help text; a read against mbpoll reading the same nine holding registers
// once, both on one virtual controller paced like a real line, and again from one Modbus TCP
// server. Alternating runs; prints the medians and their ratios, and the parts of our time that
// do not depend on the line. Then a scan of every address at one speed against the sum of its
// probes' time limits (the line time of request and reply, and the turnaround allowance). It is
// not a test.
//
// usage: bench_cli [--runs N] [--pace BAUD] [--scan-runs N]

#include "benchsim.h"
#include "exchange/scanplan.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace
{

using morvane::bench::Median;
using morvane::bench::Sim;
using Clock = std::chrono::steady_clock;

// Runs a program with its output thrown away; the time from the spawn to its exit, or a
// negative number when it could not run or did not exit with 0.
double TimedRun(const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    const int failed = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (failed != 0 || waitpid(child, &status, 0) != child)
        return -1;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

struct Contender {
    const char* name;
    std::vector<std::string> command;
    std::vector<double> times;
};

// Runs each contender once per round, in turns, so that a busy moment hits both alike.
bool RunRounds(std::vector<Contender>& contenders, int rounds)
{
    for (int round = 0; round < rounds; ++round) {
        for (Contender& c : contenders) {
            const double t = TimedRun(c.command);
            if (t < 0)
                return std::fprintf(stderr, "%s failed: %s ...\n", c.name, c.command[0].c_str()),
                       false;
            c.times.push_back(t);
        }
    }
    return true;
}

void Report(const Contender& c)
{
    std::printf("  %-34s median of %3zu: %7.1f ms\n", c.name, c.times.size(),
                Median(c.times) * 1e3);
}

} // namespace

// Runs the contenders alternately, after three rounds that warm the caches alike.
bool Measure(std::vector<Contender>& contenders, int runs)
{
    if (!RunRounds(contenders, 3))
        return false;
    for (Contender& c : contenders)
        c.times.clear();
    return RunRounds(contenders, runs);
}

int CompareNetworkReads(const std::string& ours, int runs)
{
    Sim server(QStringLiteral(MORVANE_SIM_BINARY), {"--tcp", "0"});
    const std::string url = server.Path().toStdString();
    if (url.empty())
        return std::fprintf(stderr, "the Modbus TCP server did not start\n"), 1;
    const std::string port = url.substr(url.rfind(':') + 1);
    std::vector<Contender> reads = {
        {"morvane-config read", {ours, "read", "--port", url}, {}},
        {"mbpoll -m tcp, the same nine",
         {"mbpoll", "-m", "tcp", "-a", "1", "-r", "3", "-c", "9", "-t", "4", "-1", "-p", port,
          "127.0.0.1"},
         {}},
    };
    if (!Measure(reads, runs))
        return 1;
    std::printf("one read of registers 3 to 11 from one Modbus TCP server on 127.0.0.1:\n");
    for (const Contender& c : reads)
        Report(c);
    std::printf("  ratio morvane-config / mbpoll: %.2f\n",
                Median(reads[0].times) / Median(reads[1].times));
    return 0;
}

// One unit at address 1 on a paced line: every other address waits out its probe's limit.
int TimeScan(const std::string& ours, const QString& pace, int runs)
{
    Sim controller(QStringLiteral(MORVANE_SIM_BINARY), {"--pace", pace});
    if (controller.Path().isEmpty())
        return std::fprintf(stderr, "the virtual controller did not start\n"), 1;
    std::vector<Contender> scans = {{"morvane-config scan",
                                     {ours, "scan", "--port", controller.Path().toStdString(),
                                      "--bauds", pace.toStdString(), "--parity", "none"},
                                     {}}};
    if (!RunRounds(scans, runs))
        return 1;
    morvane::Connection line;
    line.baud = pace.toInt();
    const morvane::ScanPlan plan;
    const double limits = double(plan.slaves.size()) *
                          morvane::ProbeTimeLimitMs(line, morvane::kDefaultProbeAllowanceMs);
    std::printf("a scan of %zu addresses at %s 8N1, process start to exit:\n", plan.slaves.size(),
                qPrintable(pace));
    Report(scans[0]);
    std::printf("  the probes' limits added up:                    %7.1f ms\n", limits);
    std::printf("  ratio scan / limits: %.2f\n", Median(scans[0].times) * 1e3 / limits);
    return 0;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 40;
    int scanRuns = 3;
    QString pace = QStringLiteral("9600");
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--runs")
            runs = std::max(5, args[i + 1].toInt());
        else if (args[i] == "--pace")
            pace = args[i + 1];
        else if (args[i] == "--scan-runs")
            scanRuns = std::max(1, args[i + 1].toInt());
    }
    Sim controller(QStringLiteral(MORVANE_SIM_BINARY), {"--pace", pace});
    if (controller.Path().isEmpty())
        return std::fprintf(stderr, "the virtual controller did not start\n"), 1;
    const std::string device = controller.Path().toStdString();
    const std::string ours = MORVANE_CONFIG_BINARY;

    std::vector<Contender> helps = {
        {"morvane-config --help", {ours, "--help"}, {}},
        {"Qt Core alone, a help text", {CORE_HELP_BINARY}, {}},
    };
    // Registers 3 to 11 are wire addresses 2 to 10; mbpoll counts references from 1.
    std::vector<Contender> reads = {
        {"morvane-config read", {ours, "read", "--port", device}, {}},
        {"mbpoll, the same nine registers",
         {"mbpoll", "-m", "rtu", "-a", "1", "-r", "3", "-c", "9", "-t", "4", "-b",
          pace.toStdString(), "-P", "none", "-1", device},
         {}},
    };
    // What each costs apart from the line: starting and ending the program, the libraries it
    // links loaded, without opening a port.
    std::vector<Contender> parts = {
        {"morvane-config --version", {ours, "--version"}, {}},
        {"mbpoll -V", {"mbpoll", "-V"}, {}},
    };
    if (!Measure(helps, runs) || !Measure(reads, runs) || !Measure(parts, runs))
        return 1;

    std::printf("the help text from process start to exit:\n");
    for (const Contender& c : helps)
        Report(c);
    std::printf("  ratio morvane-config / Qt Core alone: %.2f\n",
                Median(helps[0].times) / Median(helps[1].times));

    std::printf("one read of registers 3 to 11 from process start to exit, %s baud line:\n",
                qPrintable(pace));
    for (const Contender& c : reads)
        Report(c);
    std::printf("  ratio morvane-config / mbpoll: %.2f\n",
                Median(reads[0].times) / Median(reads[1].times));
    std::printf("starting and ending alone, no port opened:\n");
    for (const Contender& c : parts)
        Report(c);
    if (const int failed = CompareNetworkReads(ours, runs))
        return failed;
    return TimeScan(ours, pace, scanRuns);
}
