// Round trip of our read request against libmodbus's own master on the same virtual line;
// the window's "Read From Controller" against libmodbus opening, reading and closing, on a line
// paced like a real 9600-baud one; and what a silent 20-second wait costs in CPU. Prints the
// figures; it is not a test.
//
// usage: bench_roundtrip [--rounds N] [--paced-rounds N] [--silent-seconds S] [SIM_BINARY]

#include "benchsim.h"
#include "exchange/blockexchange.h"
#include "exchange/headlesshost.h"
#include "port/qtserialport.h"
#include "protocol/link.h"
#include "protocol/replywait.h"
#include "window/configcommands.h"
#include "window/frmmain.h"

#include <QApplication>
#include <QLineEdit>

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
        OpenBlockPort(link, ResolvePort(device.toStdString()), HostPortSystem(), Connection{});
    }
    ~OurLink() { CloseBlockPort(link); }

    ReceiveResult Read()
    {
        SendBlockRead(link, Connection{});
        return AwaitBlockReply(link, Connection{});
    }

    QtSerialPort port;
    HeadlessHost host; // the real event pump and time of day
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

// The window's read as a click runs it: open, request, reply, fields filled, port closed.
class WindowReads
{
  public:
    explicit WindowReads(const QString& device)
    {
        m_window.txtCom(0)->setText(device);
        m_window.Commands().host().SetMessagePresenter(
            [this](const std::string&, const std::string&) { m_failed = true; });
    }

    bool Time(int rounds, std::vector<double>& times)
    {
        for (int i = 0; i < rounds && !m_failed; ++i) {
            const Clock::time_point start = Clock::now();
            m_window.Commands().ReadFromController();
            times.push_back(Seconds(Clock::now() - start));
            m_failed = m_window.Text2()->text() != QString::fromUtf8(status::kReadOk.data());
        }
        return !m_failed;
    }

  private:
    FrmMain m_window;
    bool m_failed = false;
};

// libmodbus doing the same: open, request, reply, close.
bool TimeLibmodbusOpenReadClose(const QString& device, int rounds, std::vector<double>& times)
{
    const QByteArray path = device.toUtf8();
    std::uint16_t registers[ConfigRegisterCount];
    for (int i = 0; i < rounds; ++i) {
        const Clock::time_point start = Clock::now();
        modbus_t* ctx = modbus_new_rtu(path.constData(), 9600, 'N', 8, 1);
        const bool ok =
            ctx && modbus_set_slave(ctx, ConfigSlaveAddress) == 0 && modbus_connect(ctx) == 0 &&
            modbus_read_registers(ctx, ConfigFirstRegister - 1, ConfigRegisterCount, registers) ==
                ConfigRegisterCount;
        if (ctx) {
            modbus_close(ctx);
            modbus_free(ctx);
        }
        times.push_back(Seconds(Clock::now() - start));
        if (!ok)
            return false;
    }
    return true;
}

// Opening and closing alone, no request: Qt's serial port takes a lock file, which costs what
// the file system makes it cost (little on a tmpfs /run/lock, a sync and an unlink on a disk);
// libmodbus takes none.
void TimeOpenClose(const QString& device, bool viaQt, int rounds, std::vector<double>& times)
{
    const QByteArray path = device.toUtf8();
    QtSerialPort port; // one, as the window has
    port.SetDevicePath(path.toStdString());
    port.SetSettings("9600,N,8,1");
    for (int i = 0; i < rounds; ++i) {
        const Clock::time_point start = Clock::now();
        if (viaQt) {
            port.SetPortOpen(true);
            port.SetPortOpen(false);
        } else if (modbus_t* ctx = modbus_new_rtu(path.constData(), 9600, 'N', 8, 1)) {
            modbus_connect(ctx);
            modbus_close(ctx);
            modbus_free(ctx);
        }
        times.push_back(Seconds(Clock::now() - start));
    }
}

struct PacedTimes {
    std::vector<double> window, libmodbus, qtOpenClose, libmodbusOpenClose;
};

void ReportPaced(const PacedTimes& t, int baud)
{
    // The virtual line hands the request over at once; the reply waits the silence of 3.5
    // characters and then takes its 23 bytes' time, 10 bits a character.
    const double wire = (3.5 + 5 + 2 * ConfigRegisterCount) * 10.0 / baud;
    const double ours = Median(t.window), theirs = Median(t.libmodbus);
    const double qtPort = Median(t.qtOpenClose), libmodbusPort = Median(t.libmodbusOpenClose);
    std::printf("read at %d baud, open to close (the reply alone takes %.1f ms on the line):\n",
                baud, wire * 1e3);
    std::printf("  \"Read From Controller\" (median of %zu): %8.3f ms (fastest %.3f ms)\n",
                t.window.size(), ours * 1e3, Fastest(t.window) * 1e3);
    std::printf("  libmodbus               (median of %zu): %8.3f ms (fastest %.3f ms)\n",
                t.libmodbus.size(), theirs * 1e3, Fastest(t.libmodbus) * 1e3);
    std::printf("  ratio window / libmodbus:                  %8.3f\n", ours / theirs);
    std::printf("  the window's %.3f ms more, of which opening and closing alone: Qt's port %.3f "
                "ms, libmodbus %.3f ms\n",
                (ours - theirs) * 1e3, qtPort * 1e3, libmodbusPort * 1e3);
}

int ComparePacedReads(const QString& sim, int rounds)
{
    constexpr int kBaud = 9600;
    Sim controller(sim, {"--pace", QString::number(kBaud)});
    if (controller.Path().isEmpty())
        return std::fprintf(stderr, "the paced controller did not start\n"), 1;
    const QString device = controller.Path();
    WindowReads window(device);
    PacedTimes t, warmUp;
    if (!window.Time(5, warmUp.window) || !TimeLibmodbusOpenReadClose(device, 5, warmUp.libmodbus))
        return std::fprintf(stderr, "paced warm-up reads failed\n"), 1;
    // Alternating blocks, the bare opening and closing among them: the file system's moods
    // change with what else the machine does.
    constexpr int kBlocks = 10;
    const int perBlock = rounds / kBlocks;
    for (int block = 0; block < kBlocks; ++block) {
        if (!window.Time(perBlock, t.window))
            return std::fprintf(stderr, "the window's read was not answered\n"), 1;
        if (!TimeLibmodbusOpenReadClose(device, perBlock, t.libmodbus))
            return std::fprintf(stderr, "libmodbus read failed\n"), 1;
        TimeOpenClose(device, true, perBlock, t.qtOpenClose);
        TimeOpenClose(device, false, perBlock, t.libmodbusOpenClose);
    }
    ReportPaced(t, kBaud);
    return 0;
}

int MeasureSilentWait(const QString& sim, double seconds)
{
    Sim controller(sim, {"--silent"});
    OurLink ours(controller.Path());
    if (controller.Path().isEmpty() || !ours.port.PortOpen())
        return std::fprintf(stderr, "the silent controller could not be opened\n"), 1;
    SendBlockRead(ours.link, Connection{});
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int rounds = 1000;
    int pacedRounds = 200;
    double silentSeconds = kReceiveTimeLimit;
    QString sim = QStringLiteral(MORVANE_SIM_BINARY);
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--rounds" && i + 1 < args.size())
            rounds = std::max(10, args[++i].toInt());
        else if (args[i] == "--paced-rounds" && i + 1 < args.size())
            pacedRounds = std::max(10, args[++i].toInt());
        else if (args[i] == "--silent-seconds" && i + 1 < args.size())
            silentSeconds = std::clamp(args[++i].toDouble(), 1.0, double(kReceiveTimeLimit));
        else
            sim = args[i];
    }
    if (const int failed = CompareRoundTrips(sim, rounds))
        return failed;
    if (const int failed = ComparePacedReads(sim, pacedRounds))
        return failed;
    return MeasureSilentWait(sim, silentSeconds);
}
