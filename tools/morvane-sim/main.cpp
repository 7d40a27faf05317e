// morvane-sim: a virtual Morvane controller for trying, testing and benchmarking the
// configuration utility without hardware. See SimUsage() for the switches.

#include "simoptions.h"
#include "simpty.h"
#include "simserver.h"
#include "simtcp.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <sys/signalfd.h>
#include <unistd.h>

namespace
{

bool AskedForHelp(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h")
            return true;
    }
    return false;
}

// The stop signals are taken from a descriptor the request loop polls alongside the
// line, so a stop ends any wait at once and the cleanup runs in plain code.
int StopSignalDescriptor()
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &stopSignals, nullptr) != 0)
        return -1;
    return signalfd(-1, &stopSignals, SFD_CLOEXEC);
}

int Fail(const std::string& reason)
{
    std::fprintf(stderr, "morvane-sim: %s\n", reason.c_str());
    return 1;
}

std::unique_ptr<morvane::sim::SimLine> OpenLine(const morvane::sim::SimOptions& options,
                                                std::string& error)
{
    using namespace morvane::sim;
    if (options.transport != Transport::Pty) {
        auto line =
            std::make_unique<TcpLine>(options.transport == Transport::Tcp ? "tcp" : "rtu+tcp");
        error = line->Listen(options.tcpPort);
        return line;
    }
    auto line = std::make_unique<PseudoTerminal>();
    error = line->Open();
    if (error.empty() && !options.linkPath.empty())
        error = line->MakeLink(options.linkPath);
    return line;
}

// The settings a test or a technician asked for, on the error output so that the first line
// of standard output stays what to open.
void ShowLineSettings(const morvane::sim::SimOptions& options)
{
    if (!options.baud && !options.parity && options.slave == morvane::sim::SlaveAddress)
        return;
    std::string text = "slave " + std::to_string(options.slave);
    if (options.baud)
        text += ", " + std::to_string(*options.baud) + " baud";
    if (options.parity)
        text += std::string(", parity ") + (*options.parity == 'N'   ? "none"
                                            : *options.parity == 'E' ? "even"
                                                                     : "odd");
    std::fprintf(stderr, "morvane-sim: %s\n", text.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    using namespace morvane::sim;
    if (AskedForHelp(argc, argv)) {
        std::fputs(SimUsage(), stdout);
        return 0;
    }
    SimOptions options;
    std::string error = ParseSimOptions(argc, argv, options);
    if (!error.empty()) {
        std::fprintf(stderr, "morvane-sim: %s\n%s", error.c_str(), SimUsage());
        return 2;
    }
    // A reader that went away must not kill us before the link is removed.
    std::signal(SIGPIPE, SIG_IGN);
    int stopFd = StopSignalDescriptor();
    if (stopFd == -1)
        return Fail(std::string("cannot watch for stop signals: ") + std::strerror(errno));

    std::unique_ptr<SimLine> line = OpenLine(options, error);
    if (!error.empty())
        return Fail(error);
    SimServer server(options, *line, stopFd);
    if (error = server.Setup(); !error.empty())
        return Fail(error);

    ShowLineSettings(options);
    std::printf("%s\n", line->Name().c_str());
    std::fflush(stdout);
    int status = server.Run();
    line->Close();
    close(stopFd);
    return status;
}
