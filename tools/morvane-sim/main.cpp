// morvane-sim: a virtual Morvane controller for trying, testing and benchmarking the
// configuration utility without hardware. See SimUsage() for the switches.

#include "simoptions.h"
#include "simpty.h"
#include "simserver.h"

#include <csignal>
#include <cstdio>
#include <cstring>
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

    PseudoTerminal line;
    if (error = line.Open(); !error.empty())
        return Fail(error);
    if (!options.linkPath.empty())
        if (error = line.MakeLink(options.linkPath); !error.empty())
            return Fail(error);
    SimServer server(options, line, stopFd);
    if (error = server.Setup(); !error.empty())
        return Fail(error);

    std::printf("%s\n", line.DevicePath().c_str());
    std::fflush(stdout);
    int status = server.Run();
    line.Close();
    close(stopFd);
    return status;
}
