// Round trip of our read request against libmodbus's own master on the same virtual line,
// and what a silent 20-second wait costs in CPU. Prints the figures; it is not a test.
//
// usage: bench_roundtrip [--rounds N] [--silent-seconds S] [SIM_BINARY]

#include "benchsim.h"
#include "cli/controllerlink.h"
#include "exchange/blockexchange.h"
#include "port/qtserialport.h"
#include "protocol/link.h"
#include "protocol/replywait.h"

#include <QCoreApplication>

#include <modbus.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace
{

using namespace morvane;
using bench::Median;
using bench::Sim;
using Clock = std::chrono::steady_clock;

double Fastest(const std::vector<double>& v)
{
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

struct OurLink {
    explicit OurLink(const QString& device) : link(port, host)
    {
        OpenBlockPort(link, ResolvePort(device.toStdString()), HostPortSystem());
    }
    ~OurLink() { CloseBlockPort(link); }

    ReceiveResult Read()
    {
        SendBlockRead(link);
        return AwaitBlockReply(link);
    }

    QtSerialPort port;
    cli::TerminalHost host; // the real event pump and time of day
    Link link;
};

// Appends `rounds` timed reads of ours; false when one was not answered.
bool TimeOurReads(const QString& device, int rounds, std::vector<double>& times)
{
    OurLink ours(device);
    if (!ours.port.PortOpen())
        return false;
    for (int i = 0; i < rounds; ++i) {
        const Clock::time_point start = Clock::now();
        const bool answered = ours.Read().Answered();
        times.push_back(Seconds(Clock::now() - start));
        if (!answered)
            return false;
    }
    return true;
}

bool TimeLibmodbusReads(const QString& device, int rounds, std::vector<double>& times)
{
    const QByteArray path = device.toUtf8();
    modbus_t* ctx = modbus_new_rtu(path.constData(), 9600, 'N', 8, 1);
    if (!ctx || modbus_set_slave(ctx, ConfigSlaveAddress) != 0 || modbus_connect(ctx) != 0) {
        if (ctx)
            modbus_free(ctx);
        return false;
    }
    bool ok = true;
    std::uint16_t registers[ConfigRegisterCount];
    for (int i = 0; i < rounds && ok; ++i) {
        const Clock::time_point start = Clock::now();
        ok = modbus_read_registers(ctx, ConfigFirstRegister - 1, ConfigRegisterCount, registers) ==
             ConfigRegisterCount;
        times.push_back(Seconds(Clock::now() - start));
    }
    modbus_close(ctx);
    modbus_free(ctx);
    return ok;
}

int CompareRoundTrips(const QString& sim, int rounds)
{
    Sim controller(sim, {});
    if (controller.Path().isEmpty()) {
        std::fprintf(stderr, "the virtual controller %s did not start\n", qPrintable(sim));
        return 1;
    }
    std::vector<double> ours, theirs, warmUp;
    // Alternating blocks, so that a busy moment on the machine hits both sides alike.
    constexpr int kBlocks = 10;
    if (!TimeOurReads(controller.Path(), 20, warmUp) ||
        !TimeLibmodbusReads(controller.Path(), 20, warmUp))
        return std::fprintf(stderr, "warm-up reads failed\n"), 1;
    for (int block = 0; block < kBlocks; ++block) {
        if (!TimeOurReads(controller.Path(), rounds / kBlocks, ours))
            return std::fprintf(stderr, "our read was not answered\n"), 1;
        if (!TimeLibmodbusReads(controller.Path(), rounds / kBlocks, theirs))
            return std::fprintf(stderr, "libmodbus read failed\n"), 1;
    }
    const double ourMedian = Median(ours);
    const double theirMedian = Median(theirs);
    std::printf("read round trip, ours      (median of %zu): %8.3f ms (fastest %.3f ms)\n",
                ours.size(), ourMedian * 1e3, Fastest(ours) * 1e3);
    std::printf("read round trip, libmodbus (median of %zu): %8.3f ms (fastest %.3f ms)\n",
                theirs.size(), theirMedian * 1e3, Fastest(theirs) * 1e3);
    std::printf("ratio ours / libmodbus:                     %8.3f\n", ourMedian / theirMedian);
    return 0;
}

int MeasureSilentWait(const QString& sim, double seconds)
{
    Sim controller(sim, {"--silent"});
    OurLink ours(controller.Path());
    if (controller.Path().isEmpty() || !ours.port.PortOpen())
        return std::fprintf(stderr, "the silent controller could not be opened\n"), 1;
    SendBlockRead(ours.link);
    // Starting the clock earlier makes the receive give up after `seconds` instead of 20.
    std::int16_t flag = 1;
    ours.link.state.RxState = {};
    ours.link.state.RxState.startTime =
        float(ours.host.SecondsSinceMidnight() - (kReceiveTimeLimit - seconds));
    const double cpuBefore = CpuSeconds();
    const Clock::time_point start = Clock::now();
    const ReceiveResult result = ModbusReceive(ours.link, ConfigSlaveAddress, flag);
    const double wall = Seconds(Clock::now() - start);
    const double cpu = CpuSeconds() - cpuBefore;
    std::printf("silent wait: %s after %.2f s wall, %.3f s CPU = %.2f %% of one core\n",
                result.outcome == ReceiveOutcome::TimedOut ? "timed out" : "ended otherwise", wall,
                cpu, 100 * cpu / wall);
    return result.outcome == ReceiveOutcome::TimedOut ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int rounds = 1000;
    double silentSeconds = kReceiveTimeLimit;
    QString sim = QStringLiteral(MORVANE_SIM_BINARY);
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--rounds" && i + 1 < args.size())
            rounds = std::max(10, args[++i].toInt());
        else if (args[i] == "--silent-seconds" && i + 1 < args.size())
            silentSeconds = std::clamp(args[++i].toDouble(), 1.0, double(kReceiveTimeLimit));
        else
            sim = args[i];
    }
    if (const int failed = CompareRoundTrips(sim, rounds))
        return failed;
    return MeasureSilentWait(sim, silentSeconds);
}
